// The binding capture against a paging switch behind a fake port, on virtual time: "dis cu" and
// nine spaces a second apart, the report 200 ms later, and the capture stopped by the window
// closing or the device going.
#include "report/bindinfocapture.h"
#include "console/serialcontrol.h"
#include "listings.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/virtualclock.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tarnwell;

namespace {

const QString kWait = QStringLiteral("稍等，结果出来~~");

// A switch behind the fake port: "dis cu" brings the listing's first page, each space the next.
class PagingSwitch : public test::FakeSerialControl {
public:
    void writeText(const QString &text) override
    {
        FakeSerialControl::writeText(text);
        if (text == u"dis cu\r")
            next = 0;
        if (text == u"dis cu\r" || text == u" ")
            receive(next < pages.size() ? pages.at(next++) : text);
    }
    QStringList pages;
    int next = 0;
};

// The window's side: the controls the capture touches, and the terminal fed by the port.
class View : public BindInfoView {
public:
    View(SerialControl &serial, QString &model) : m_model(model)
    {
        QObject::connect(&serial, &SerialControl::onComm, [&serial, this] { terminal += serial.input(); });
    }
    void setInputLine(const QString &text) override { log << "input:" + (inputLine = text); }
    void clearReport() override { log << "clearReport"; report.clear(); }
    void setReport(const QString &text) override { log << "setReport"; report = text; }
    void clearTerminal() override { log << "clearTerminal"; terminal.clear(); }
    QString terminalText() const override { return terminal; }
    void selectModelButton(ModelButton b) override
    {
        log << QStringLiteral("select:%1").arg(int(b));
        m_model = b == ModelButton::Sw3600 ? QStringLiteral("3600") : QStringLiteral("3100");
    }
    QString inputLine, report = QStringLiteral("(old report)"), terminal = QStringLiteral("(old terminal)");
    QStringList log;

private:
    QString &m_model;
};

struct Rig {
    explicit Rig(const QStringList &pages)
    {
        clock.eachRound = [] { QCoreApplication::processEvents(); };
        port.clock = [this] { return clock.now; };
        port.pages = pages;
        port.setPortOpen(true);
    }
    QStringList written() const
    {
        QStringList out;
        for (const auto &w : port.writes)
            out << w.text;
        return out;
    }
    test::VirtualClock clock;
    PagingSwitch port;
    QString model = QStringLiteral("3100");
    View view{port, model};
    std::unique_ptr<BindInfoCapture> capture = std::make_unique<BindInfoCapture>(port, view, model);
    QSignalSpy reports{capture.get(), &BindInfoCapture::reported};
};

QString reportOf(const QString &text)
{
    return FormatBindReport(ParseBindInfo(text, "3100"));
}

} // namespace

class TestBindInfoCapture : public QObject {
    Q_OBJECT
private slots:
    void capture_data();
    void capture();
    void stopped_data();
    void stopped();
};

void TestBindInfoCapture::capture_data()
{
    QTest::addColumn<int>("pageLines"); // of a listing of 254 lines
    QTest::addColumn<int>("spaces");
    QTest::newRow("ends early: spaces still sent") << 100 << 9;
    QTest::newRow("ten pages: nine spaces show it all, nothing more sent") << 27 << 9;
    QTest::newRow("13 pages: paged to its end") << 20 << 12;
    QTest::newRow("85 pages, still paging after 69 spaces: cut off") << 3 << 69;
}

// The spaces go out a pause apart, the first right after the command; the report follows on
// Timer1's first tick, and the switch model is learnt from the listing.
void TestBindInfoCapture::capture()
{
    QFETCH(int, pageLines);
    QFETCH(int, spaces);
    const QStringList lines = test::configLines(60, true);
    const QStringList pages = test::pagedListing(lines, pageLines);
    Rig r(pages);
    QTimer &timer = r.capture->timer1();
    bool timerDuringCapture = false;
    r.clock.eachRound = [&] {
        QCoreApplication::processEvents();
        timerDuringCapture |= timer.isActive();
    };
    test::MessageRecorder boxes;
    r.capture->run();
    QCOMPARE(r.written(), QStringList{"dis cu\r"} + QStringList(spaces, " "));
    const auto &w = r.port.writes;
    QCOMPARE(w[1].atMs, w[0].atMs);
    for (int i = 2; i < w.size(); ++i)
        QVERIFY2(w[i].atMs - w[i - 1].atMs > 1000, qPrintable(QString::number(i)));
    QVERIFY(!timerDuringCapture);
    QCOMPARE(r.view.log, (QStringList{"input:" + kWait, "clearReport", "clearTerminal", "input:"}));
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 200);
    QCOMPARE(r.view.report, QString()); // nothing before the tick
    QVERIFY(r.reports.wait(5000));
    QCOMPARE(r.view.report, reportOf(r.view.terminal));
    QCOMPARE(r.model, u"3600"_qs);
    QCOMPARE(r.view.log.mid(4), (QStringList{"select:2", "setReport"}));
    if (pages.size() <= spaces + 1) {
        QCOMPARE(r.view.report, reportOf(u"dis cu\r\n"_qs + test::crlf(lines)));
        QCOMPARE(boxes.texts(), QStringList());
    } else {
        const QStringList rows = r.view.report.split(u"\r\n"_qs);
        QVERIFY2(rows.size() > 3 && rows.size() < 60, qPrintable(r.view.report));
        const QString last = rows.at(rows.size() - 2).section(u'\t', 0, 0);
        QCOMPARE(boxes.texts(), QStringList{u"交换机的配置列表翻页69次后仍未结束，结果只到端口%1为止，之后的端口不在结果中。"_qs.arg(last)});
    }
    QTest::qWait(300);
    QCOMPARE(r.reports.size(), 1); // one capture, one report
}

void TestBindInfoCapture::stopped_data()
{
    QTest::addColumn<QString>("how");   // cancel (window closed), lost (device gone) or close (port)
    QTest::addColumn<int>("atMs");      // virtual time of the stop; -1: with the report pending
    QTest::addColumn<int>("writes");    // what went out by then
    QTest::addColumn<QString>("inputLine");
    // The listing has 10 pages (13 when the port closes): the fourth pause runs 3 to 4 s, the
    // first extra page's 9 to 10 s.
    QTest::newRow("window closed in a pause") << "cancel" << 3500 << 5 << kWait;
    QTest::newRow("device lost in a pause: wait message gone") << "lost" << 3500 << 5 << "";
    QTest::newRow("device lost while the report is pending: still written") << "lost" << -1 << 10 << "";
    QTest::newRow("port closed during the extra pages") << "close" << 9500 << 11 << "";
}

void TestBindInfoCapture::stopped()
{
    QFETCH(QString, how);
    QFETCH(int, atMs);
    QFETCH(int, writes);
    QFETCH(QString, inputLine);
    const bool close = how == u"close";
    Rig r(test::pagedListing(test::configLines(close ? 60 : 10, true), close ? 20 : 10));
    const auto stop = [&] {
        if (close)
            r.port.setPortOpen(false);
        else
            how == u"cancel" ? r.capture->cancel() : r.capture->stopRunning();
    };
    if (atMs >= 0)
        r.clock.at(atMs, stop);
    test::MessageRecorder boxes;
    r.capture->run();
    QCOMPARE(r.port.writes.size(), writes);
    QCOMPARE(r.view.inputLine, inputLine);
    if (atMs < 0)
        stop();
    QCOMPARE(r.reports.wait(atMs < 0 ? 5000 : 400), atMs < 0);
    QCOMPARE(boxes.texts(), QStringList());
    if (close)
        return;
    r.reports.clear(); // a later capture works as usual
    r.capture->run();
    QVERIFY(r.reports.wait(5000));
    QCOMPARE(r.view.report.count(u"\r\n"_qs), 1 + 10);
}

QTEST_GUILESS_MAIN(TestBindInfoCapture)
#include "tst_bindinfocapture.moc"
