// Binding and unbinding a port of a simulated 3100 or 3600 switch through the real window, and
// the binding report that shows the result; the offline report tool on the same captures.

#include "support/controls.h"
#include "simbench.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace tarnwell;
using tarnwell::test::SimBench;

namespace {

// From the port selection on, the switch accepted every line: no error text. ("sys" typed in a
// port view before it is refused, as on the real switch, and changes nothing.)
bool portLinesAccepted(const QString &answer, const QString &port)
{
    const qsizetype at = answer.indexOf(u"int eth 1/0/"_qs + port + u"\r\n"_qs);
    return at >= 0 && !answer.mid(at).contains(u"% "_qs);
}

} // namespace

class TestE2eBinding : public QObject {
    Q_OBJECT
private slots:
    void bindThenUnbind_data();
    void bindThenUnbind();
    void fullyBoundAtConsolePace();
};

void TestE2eBinding::bindThenUnbind_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("vlan");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("lastLine"); // the script's last line, echoed by the switch
    QTest::addColumn<QString>("boundRow");
    QTest::addColumn<QString>("unboundRow");

    QTest::newRow("3100: static MAC entry")
        << "3100" << "5" << "10" << "000f-e212-3456" << ""
        << "mac-addr static 000f-e212-3456 vlan 10"
        << u"1/0/5\t开启状态\tAccess类型\t10\t000f-e212-3456\t无IP\t"_qs
        << u"1/0/5\t关闭状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs;
    // The window starts with 3100: the first report must recognise the 3600 before binding.
    QTest::newRow("3600: MAC and IP, model learnt from the listing")
        << "3600" << "12" << "30" << "00e0-fc01-a2b3" << "10.1.1.5"
        << "am user-bind mac-addr 00e0-fc01-a2b3 ip-addr 10.1.1.5"
        << u"1/0/12\t开启状态\tAccess类型\t30\t00e0-fc01-a2b3\t10.1.1.5\t"_qs
        << u"1/0/12\t关闭状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs;
}

void TestE2eBinding::bindThenUnbind()
{
    QFETCH(QString, model);
    QFETCH(QString, port);
    QFETCH(QString, vlan);
    QFETCH(QString, mac);
    QFETCH(QString, ip);
    QFETCH(QString, lastLine);
    QFETCH(QString, boundRow);
    QFETCH(QString, unboundRow);

    SimBench t;
    QString error;
    QVERIFY2(t.start({"--model", model}, error), qPrintable(error));
    FrmMain &w = t.w();
    QCOMPARE(w.session().switchModel(), SwitchModel::S3100);

    const QString userPrompt = u'<' + u"SW"_qs + model + u"-A>"_qs;
    const QString portPrompt = u"[SW"_qs + model + u"-A-Ethernet1/0/"_qs + port + u']';
    qsizetype from = t.typeLine(QString()); // Enter on the idle console: no login configured
    QVERIFY2(t.waitForText(userPrompt, from), qPrintable(t.since(from)));

    if (model == u"3600"_qs) {
        const QString report = t.capture();
        QVERIFY2(report.startsWith(u"这是个3600，详细信息如下：\r\n"_qs), qPrintable(report.left(200)));
        QCOMPARE(w.session().switchModel(), SwitchModel::S3600);
        QVERIFY(test::control<QRadioButton>(w, "Opt_Sw3600")->isChecked());
        QVERIFY(!test::control<QRadioButton>(w, "Opt_Sw3100")->isChecked());
        QCOMPARE(test::reportRow(report, "1/0/" + port), u"1/0/"_qs + port + u"\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs);
    }

    test::control<QLineEdit>(w, "Txt_PortNum")->setText(port);
    test::control<QLineEdit>(w, "Txt_Vlan")->setText(vlan);
    test::control<QLineEdit>(w, "Txt_Mac")->setText(mac);
    test::control<QLineEdit>(w, "Txt_IP")->setText(ip);
    from = t.mark();
    t.run(test::control<QPushButton>(w, "Cmd_Try_Bind"));
    QCOMPARE(t.boxes.texts(), QStringList{u"操作完毕！"_qs});
    QVERIFY2(t.waitForText(lastLine + u"\r\n"_qs + portPrompt, from), qPrintable(t.since(from)));
    QVERIFY2(portLinesAccepted(t.since(from), port), qPrintable(t.since(from)));

    const QString bound = t.capture();
    QVERIFY(!bound.isEmpty());
    QVERIFY2(bound.startsWith(u"这是个"_qs + model + u"，详细信息如下：\r\n"_qs), qPrintable(bound.left(200)));
    QCOMPARE(test::reportRow(bound, "1/0/" + port), boundRow);
    QCOMPARE(test::reportPorts(bound).size(), 24);
    QCOMPARE(bound, w.reportText());
    // The report box shows it one row per line, down to the last cell.
    QCOMPARE(test::control<QPlainTextEdit>(w, "Text3")->toPlainText() + u'\n', QString(bound).replace(u"\r\n"_qs, u"\n"_qs));
    // The rest of the switch is untouched.
    QCOMPARE(test::reportRow(bound, "1/0/1"), u"1/0/1\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t"_qs);

    // The same capture saved as a GBK log gives the same report offline.
    bool ok = false;
    const QByteArray offline = test::runReportTool(w.terminal().text(), {}, ok);
    QVERIFY(ok);
    QCOMPARE(offline, w.reportText().toUtf8());

    t.boxes.boxes.clear();
    from = t.mark();
    t.run(test::control<QPushButton>(w, "Cmd_Try_Undo"));
    // Its "sys" came in port view: refused there, but harmless, so not reported.
    QCOMPARE(t.boxes.texts(), QStringList{u"操作完毕！"_qs});
    QVERIFY2(t.waitForText(u"undo "_qs + lastLine + u"\r\n"_qs + portPrompt, from), qPrintable(t.since(from)));
    QVERIFY2(portLinesAccepted(t.since(from), port), qPrintable(t.since(from)));

    const QString unbound = t.capture();
    QCOMPARE(test::reportRow(unbound, "1/0/" + port), unboundRow);
    QCOMPARE(test::reportPorts(unbound).size(), 24);
    QCOMPARE(switchModelText(w.session().switchModel()), model);
}

// A fully bound 48-port 3600 at 9600 baud with log lines now and then: more than ten screens,
// paged to the end, every port reported; Enter and 补齐 meanwhile send nothing, also once the
// wait message was edited. In the report box each
// column's cells start at one place, clear of the widest cell before, also in a larger font.
void TestE2eBinding::fullyBoundAtConsolePace()
{
    SimBench t;
    QString error;
    QVERIFY2(t.start({"--model", "3600", "--ports", "48", "--bind-every-port", "--baud", "9600", "--log-every", "2500"},
                     error), qPrintable(error));
    FrmMain &w = t.w();
    QVERIFY(t.waitForText(u"<SW3600-A>"_qs, t.typeLine(QString())));
    QStringList sent;
    connect(&w.serial(), &SerialControl::sent, this, [&](const QString &text) { sent << text; });
    QTimer::singleShot(2500, this, [&] {
        QCOMPARE(test::control<QLineEdit>(w, "Text2")->text(), u"稍等，结果出来~~"_qs);
        QTest::keyClick(test::control<QLineEdit>(w, "Text2"), Qt::Key_Return);
        QTest::keyClicks(test::control<QLineEdit>(w, "Text2"), u"abc"_qs); // edited, still nothing of it is sent
        QTest::keyClick(test::control<QLineEdit>(w, "Text2"), Qt::Key_Return);
        test::control<QPushButton>(w, "Cmd_Tab")->click();
    });
    const qint64 clicked = QDateTime::currentMSecsSinceEpoch();
    const QString report = t.capture();
    QVERIFY(QDateTime::currentMSecsSinceEpoch() - clicked > 9400); // paced: the 11th screen comes late
    QVERIFY2(sent.size() > 10, qPrintable(QString::number(sent.size()))); // more than ten screens
    QCOMPARE(sent, QStringList{u"dis cu\r"_qs} + QStringList(sent.size() - 1, u" "_qs));
    QCOMPARE(test::reportPorts(report).size(), 48);
    QCOMPARE(test::reportRow(report, "1/0/48"), u"1/0/48\t开启状态\tAccess类型\t10\t000f-e200-0048\t10.1.1.58\t"_qs);
    QCOMPARE(t.boxes.texts(), QStringList());
    for (const QString &size : {u"12"_qs, u"28"_qs}) {
        test::control<QComboBox>(w, "Combo1")->setCurrentText(size);
        QList<qreal> starts, ends; // of the cells of each column, over all lines
        for (QTextBlock block = test::control<QPlainTextEdit>(w, "Text3")->document()->findBlockByNumber(1); block.isValid(); block = block.next()) {
            QTextCursor c(block);
            const auto x = [&](int at) { return c.setPosition(block.position() + at), test::control<QPlainTextEdit>(w, "Text3")->cursorRect(c).x(); };
            for (int at = block.text().indexOf(u'\t'), cell = 0; at >= 0; at = block.text().indexOf(u'\t', at + 1), ++cell) {
                ends.resize(std::max(ends.size(), qsizetype(cell + 1)));
                ends[cell] = std::max(ends[cell], qreal(x(at)));
                QVERIFY(starts.size() <= cell || qreal(x(at + 1)) == starts[cell]);
                starts.resize(std::max(starts.size(), qsizetype(cell + 1)), x(at + 1));
            }
        }
        for (qsizetype cell = 0; cell < 6; ++cell)
            QVERIFY2(ends[cell] + test::control<QPlainTextEdit>(w, "Text3")->fontMetrics().horizontalAdvance(u' ') <= starts[cell], qPrintable(size));
    }
}

QTEST_MAIN(TestE2eBinding)
#include "test_e2e_binding.moc"
