// The input line as a console line, on a fake port and a virtual clock: the history (and the
// masked line kept out of it), the question before a paste of several lines, its pace, what
// stops it, and text the switch cannot take.
#include "support/controls.h"
#include "support/virtualclock.h"
#include "support/window.h"
#include "ui/consoleterminal.h"
#include "ui/lineeditinputs.h"
#include "ui/pasteinput.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwell;
using namespace Qt::StringLiterals;

namespace {

struct Rig {
    test::VirtualClock clock;
    test::FakeWindow t;
    FrmMain &w = *t.w;
    QStringList asked;
    bool answer = true;
    QString outcome;
    Rig()
    {
        t.serial->clock = [this] { return clock.now; };
        w.pasteInput().ask = [this](QWidget *, const QString &q) { return asked << q, answer; };
        w.operations().observe({}, [this](const QString &, const QString &how) { outcome = how; });
        QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    }
    void paste(const QString &text) // as Ctrl+V does; the paste runs to its end in here
    {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(test::control<QLineEdit>(w, "Text2"), Qt::Key_V, Qt::ControlModifier);
        QCoreApplication::processEvents();
        clock.run();
    }
    QStringList written() const
    {
        QStringList out;
        for (const auto &wr : t.serial->writes)
            out << wr.text;
        return out;
    }
};

QString lines(int n, const QString &stem = QStringLiteral("int eth 1/0/%1"))
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << stem.arg(i);
    return out.join(QStringLiteral("\r\n"));
}

} // namespace

class TestInputLine : public QObject {
    Q_OBJECT
private slots:
    void historyWalksSentLines()
    {
        Rig r;
        for (const char *line : {"sys", "dis cu", "dis cu", "return"}) {
            test::control<QLineEdit>(r.w, "Text2")->setText(QString::fromLatin1(line));
            QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), Qt::Key_Return);
        }
        test::control<QLineEdit>(r.w, "Text2")->setText(QStringLiteral("draft"));
        QStringList seen;
        for (const Qt::Key k : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
            QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), k), seen << test::control<QLineEdit>(r.w, "Text2")->text();
        QCOMPARE(seen, (QStringList{"return", "dis cu", "sys", "sys", "dis cu", "return", "draft"}));
        // A line typed while 密文 hides it goes out masked wherever it is shown and is not kept.
        QSignalSpy shown(r.t.serial, &SerialControl::sent);
        QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_PSD"), Qt::LeftButton);
        test::control<QLineEdit>(r.w, "Text2")->setText(QStringLiteral("secret"));
        QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), Qt::Key_Return);
        QCOMPARE(r.written().constLast(), QStringLiteral("secret\r"));
        QCOMPARE(shown.value(0).value(0).toString(), QStringLiteral("******\r"));
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->text(), QString());
        QCOMPARE(r.w.findChild<ConsoleTerminal *>()->history().lines().constLast(), QStringLiteral("return"));
        // A line too long for a command is not kept either: bringing it back would take seconds.
        QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_PSD"), Qt::LeftButton);
        test::control<QLineEdit>(r.w, "Text2")->setText(QString(CommandHistory::kLongestLine + 1, u'x'));
        QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), Qt::Key_Return);
        QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), Qt::Key_Up);
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->text(), QStringLiteral("return"));
        CommandHistory h;
        for (int i = 0; i < 205; ++i)
            h.add(QString::number(i));
        QCOMPARE(h.lines().size(), CommandHistory::kLimit);
        QCOMPARE(h.lines().constFirst(), QStringLiteral("5"));
    }

    // The line typed while the switch asks for a password is one: masked while typed, shown (and
    // so logged) as ******, kept out of the history; a blank typed first is part of it.
    void passwordPrompt_data()
    {
        QTest::addColumn<QString>("shown"); // what the switch printed last
        QTest::addColumn<bool>("secret");
        QTest::newRow("Password:") << "Username:admin\r\nPassword:" << true;
        QTest::newRow("password: and a blank") << "Enter password: " << true;
        QTest::newRow("answered") << "Password:\r\n<SW3600-B>" << false;
        QTest::newRow("user name") << "Username:" << false;
    }
    void passwordPrompt()
    {
        QFETCH(QString, shown);
        QFETCH(bool, secret);
        Rig r;
        r.w.terminal().append(shown);
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->echoMode() != QLineEdit::Normal, secret);
        QSignalSpy sent(r.t.serial, &SerialControl::sent);
        QTest::keyClicks(test::control<QLineEdit>(r.w, "Text2"), QStringLiteral(" h3c"));
        QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), Qt::Key_Return);
        QCOMPARE(r.written(), (secret ? QStringList{" h3c\r"} : QStringList{" ", " h3c\r"}));
        QCOMPARE(sent.constLast().value(0).toString(), secret ? QStringLiteral("******\r") : QStringLiteral(" h3c\r"));
        QCOMPARE(r.w.findChild<ConsoleTerminal *>()->history().lines(), secret ? QStringList() : QStringList{" h3c"});
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->echoMode(), QLineEdit::Normal); // the next line is no password
    }

    // Every line with its CR, 500 ms after the one before, the progress shown meanwhile and
    // nothing typed getting in between; all lines of a paste longer than a line edit holds.
    void pasteSentAtItsPace_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("stem");
        QTest::newRow("four lines") << 4 << "int eth 1/0/%1";
        QTest::newRow("10,000 long lines") << 10000 << "display interface Ethernet1/0/%1 brief";
    }
    void pasteSentAtItsPace()
    {
        QFETCH(int, count);
        QFETCH(QString, stem);
        Rig r;
        QString progress;
        r.clock.at(600, [&] {
            progress = test::control<QLineEdit>(r.w, "Text2")->text();
            QTest::keyClicks(test::control<QLineEdit>(r.w, "Text2"), QStringLiteral("x"));
            QTest::keyClick(test::control<QLineEdit>(r.w, "Text2"), Qt::Key_Return);
            QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_Send_Enter"), Qt::LeftButton);
        });
        r.paste(lines(count, stem) + QStringLiteral("\n"));
        QCOMPARE(r.asked.size(), 1);
        QVERIFY2(r.asked[0].contains(QStringLiteral("%1 行").arg(count)), qPrintable(r.asked[0]));
        QVERIFY(r.asked[0].contains(stem.arg(1)) && r.asked[0].contains(PasteSender::duration(count)));
        QCOMPARE(progress, QStringLiteral("正在发送 2/%1 行，按 Esc 停止").arg(count));
        QCOMPARE(r.t.serial->writes.size(), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(r.t.serial->writes[i].text, stem.arg(i + 1) + u'\r');
            if (i > 0) { // a pause's "more than" may add a tick, no more
                const qint64 gap = r.t.serial->writes[i].atMs - r.t.serial->writes[i - 1].atMs;
                QVERIFY2(gap >= 500 && gap <= 510, qPrintable(QString::number(gap)));
            }
        }
        QCOMPARE(r.outcome, QStringLiteral("完成"));
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->text(), QString());
        QVERIFY(!test::control<QLineEdit>(r.w, "Text2")->isReadOnly());
        QCOMPARE(PasteSender::duration(300), QStringLiteral("约 2 分 29 秒"));
    }

    // Each way of stopping, during the second pause: two lines went, nothing more does.
    void pasteStopped_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc") << "esc";
        QTest::newRow("Esc on the pane") << "escpane";
        QTest::newRow("中断") << "break";
        QTest::newRow("port closed") << "close";
        QTest::newRow("port closed and opened again at once") << "reopen";
        QTest::newRow("window closed") << "window";
    }
    void pasteStopped()
    {
        QFETCH(QString, how);
        Rig r;
        QStringList sent;
        r.clock.at(700, [&] {
            if (how.startsWith("esc"))
                QTest::keyClick(r.w.findChild<QWidget *>(how == "esc" ? "Text2" : "Text1"), Qt::Key_Escape);
            else if (how == "break")
                QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_Break"), Qt::LeftButton);
            else if (how != "window")
                QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_Switch"), Qt::LeftButton);
            if (how == "reopen")
                QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_Switch"), Qt::LeftButton);
            sent = r.written();
            if (how == "window")
                r.t.w.reset();
        });
        r.paste(lines(5));
        const QStringList expected = QStringList{"int eth 1/0/1\r", "int eth 1/0/2\r"} + (how == "break" ? QStringList{"\x0b"} : QStringList());
        QCOMPARE(sent, expected);
        QVERIFY(r.outcome.startsWith(QStringLiteral("已停止")));
        if (how == "window")
            return;
        QCOMPARE(r.written(), expected);
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->text(), QString());
        QVERIFY(!test::control<QLineEdit>(r.w, "Text2")->isReadOnly());
        QCOMPARE(r.w.serial().portOpen(), how.startsWith("esc") || how == "break" || how == "reopen");
    }

    // Nothing is sent: cancelled, the port closed, another operation running, or a character
    // the switch cannot take; the pasted text stays unless the paste was cancelled.
    void pasteNotSent_data()
    {
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("box"); // part of the message shown, if any
        QTest::addColumn<bool>("kept");
        QTest::newRow("cancelled") << "cancel" << "a\nb" << "" << false;
        QTest::newRow("port closed") << "closed" << "a\nb" << "端口未打开" << true;
        QTest::newRow("capture running") << "busy" << "a\nb" << "正在读取" << true;
        QTest::newRow("snowman") << "" << "a\nb☃" << "☃" << true;
        // Masked, the text is a password: no question quoting it, no plain lines sent.
        QTest::newRow("masked") << "masked" << "Secret1\nSecret2" << "只保留了第一行" << false;
        // Measured before it goes in: never in the line edit, where it would take seconds a key.
        const QString huge = "a\n" + QString(10'000'000, u'x');
        QTest::newRow("more than 10 MB") << "" << huge << "10.0 MB，2 行" << false;
        QTest::newRow("more than 10 MB, from the context menu") << "menu" << huge << "10.0 MB" << false;
        QTest::newRow("a line longer than the input line takes") << "" << QString(5000, u'x') << "5004 个字符" << false;
    }
    void pasteNotSent()
    {
        QFETCH(QString, why);
        QFETCH(QString, pasted);
        QFETCH(QString, box);
        QFETCH(bool, kept);
        Rig r;
        r.answer = why != "cancel";
        if (why == "closed")
            QTest::mouseClick(test::control<QPushButton>(r.w, "Cmd_Switch"), Qt::LeftButton);
        const auto other = why == "busy" ? r.w.operations().tryBegin(QStringLiteral("读取绑定信息")) : std::nullopt;
        if (why == "masked")
            test::control<QLineEdit>(r.w, "Text2")->setEchoMode(QLineEdit::Password);
        test::control<QLineEdit>(r.w, "Text2")->setText(QStringLiteral("dis "));
        test::control<QLineEdit>(r.w, "Text2")->end(false);
        if (why == "menu") {
            QApplication::clipboard()->setText(pasted);
            QTimer::singleShot(0, [] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                for (QAction *a : menu ? menu->actions() : QList<QAction *>())
                    if (a->text().startsWith(QLineEdit::tr("&Paste")))
                        a->trigger();
                if (menu)
                    menu->close();
            });
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), test::control<QLineEdit>(r.w, "Text2")->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(test::control<QLineEdit>(r.w, "Text2"), &click);
        } else {
            r.paste(pasted);
        }
        QCOMPARE(r.written(), QStringList());
        QCOMPARE(r.t.boxes.boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(r.t.boxes.boxes[0].text.contains(box), qPrintable(r.t.boxes.boxes[0].text));
        QCOMPARE(test::control<QLineEdit>(r.w, "Text2")->text(), kept ? QStringLiteral("dis ") + pasted
                                    : why == "masked" ? QStringLiteral("dis Secret1") : QStringLiteral("dis "));
        QVERIFY(!test::control<QLineEdit>(r.w, "Text2")->isReadOnly());
    }

    // A script box keeps one cell of whatever is typed or pasted into it, says when it dropped
    // more, and the MAC box turns a complete MAC of a common form into the switch's form.
    void scriptBoxes_data()
    {
        QTest::addColumn<bool>("mac");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("inBox");
        QTest::addColumn<bool>("told");
        QTest::newRow("one line") << false << u"dis cu"_qs << u"dis cu"_qs << false;
        QTest::newRow("spreadsheet cell") << true << u"000f-e212-3456\r\n"_qs << u"000f-e212-3456"_qs << false;
        QTest::newRow("three lines: the first kept") << false << u"sys\rint eth 1/0/5\r\n\nreturn\n"_qs << u"sys"_qs << true;
        QTest::newRow("two cells of a row") << false << u"10\t20"_qs << u"10"_qs << true;
        QTest::newRow("empty cells before the value") << true << u"\t\r\n0011-2233-4455"_qs << u"0011-2233-4455"_qs << false;
        QTest::newRow("MAC with colons") << true << u"00:0F:E2:AA:00:08"_qs << u"000f-e2aa-0008"_qs << false;
        QTest::newRow("MAC with dots, blanks around") << true << u" 000f.e2aa.0008 "_qs << u"000f-e2aa-0008"_qs << false;
        QTest::newRow("MAC too long: left as typed") << true << u"000f-e2aa-00411"_qs << u"000f-e2aa-00411"_qs << false;
        QTest::newRow("colons, not the MAC box") << false << u"00:0F:E2:AA:00:08"_qs << u"00:0F:E2:AA:00:08"_qs << false;
    }
    void scriptBoxes()
    {
        QFETCH(bool, mac);
        QFETCH(QString, typed);
        QFETCH(QString, inBox);
        QFETCH(bool, told);
        QLineEdit box;
        LineEditInputs inputs;
        const ScriptBox which = mac ? ScriptBox::Mac : ScriptBox::Vlan;
        inputs.setBox(which, &box);
        bool said = false;
        inputs.onCellsDropped([&](QLineEdit *edit) { said = edit == &box; });
        box.insert(typed);
        QCOMPARE(box.text(), inBox);
        QCOMPARE(inputs.text(which), inBox);
        QCoreApplication::processEvents();
        QCOMPARE(said, told);
    }
};

QTEST_MAIN(TestInputLine)
#include "test_inputline.moc"
