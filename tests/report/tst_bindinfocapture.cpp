// The binding capture against a paging switch behind a fake port, on virtual time: "dis cu" and
// nine spaces a second apart, the report 200 ms later, and the capture stopped by the window
// closing or the device going.
#include "report/bindinfocapture.h"
#include "console/serialcontrol.h"
#include "listings.h"
#include "scripts/delay.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using namespace tarnwell;

namespace {

const QString kWait = QStringLiteral("稍等，结果出来~~");

// Virtual time for Delay: a wait takes no real time, except that a pending Timer1 due within
// the wait is let tick for real first, as in a real second.
class VirtualClock : public DelayClock {
public:
    VirtualClock() { m_previous = setDelayClock(this); }
    ~VirtualClock() override { setDelayClock(m_previous); }
    quint32 tickCount() override { return now; }
    void processEvents() override { QCoreApplication::processEvents(); }
    void waitForEvents(quint32 ms) override
    {
        if (duringWait)
            duringWait(++waits);
        if (timer && timer->isActive() && quint32(timer->interval()) <= ms)
            QSignalSpy(timer, &QTimer::timeout).wait(10000);
        now += ms;
        QCoreApplication::processEvents();
    }
    quint32 now = 0;
    int waits = 0;
    std::function<void(int)> duringWait;
    QTimer *timer = nullptr;

private:
    DelayClock *m_previous;
};

// A switch behind the fake port: "dis cu" brings the listing's first page, each space the next.
class PagingSwitch : public test::FakeSerialControl {
public:
    void output(const QString &text) override
    {
        FakeSerialControl::output(text);
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
        port.clock = [this] { return qint64(clock.now); };
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
    VirtualClock clock;
    PagingSwitch port;
    QString model = QStringLiteral("3100");
    View view{port, model};
    std::unique_ptr<BindInfoCapture> capture = std::make_unique<BindInfoCapture>(port, view, model);
    QSignalSpy reports{capture.get(), &BindInfoCapture::reported};
};

const QStringList kNineSpaces = QStringList{"dis cu\r"} + QStringList(9, " ");

QString reportOf(const QString &text)
{
    return FormatBindReport(ParseBindInfo(text, "3100"));
}

} // namespace

class TestBindInfoCapture : public QObject {
    Q_OBJECT
private slots:
    void captureAndReport();
    void listingLength_data();
    void listingLength();
    void stopped_data();
    void stopped();
};

void TestBindInfoCapture::captureAndReport()
{
    const QStringList lines = test::configLines(24, true);
    Rig r(test::pagedListing(lines, 20));
    QTimer &timer = r.capture->timer1();
    bool timerDuringCapture = false;
    r.clock.duringWait = [&](int) { timerDuringCapture |= timer.isActive(); };
    r.capture->run();
    QCOMPARE(r.written(), kNineSpaces);
    // The spaces go out one pause apart, the first right after the command.
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
    QCOMPARE(r.view.report, reportOf(u"dis cu\r\n"_qs + test::crlf(lines)));
    QCOMPARE(r.view.report.count(u"\r\n"_qs), 1 + 24);
    QCOMPARE(r.model, u"3600"_qs); // learnt from the listing, the 3600 button selected
    QCOMPARE(r.view.log.mid(4), (QStringList{"select:2", "setReport"}));
    QTest::qWait(600);
    QCOMPARE(r.reports.size(), 1); // one capture, one report
}

void TestBindInfoCapture::listingLength_data()
{
    QTest::addColumn<int>("pageLines"); // of a listing of 254 lines
    QTest::addColumn<int>("spaces");
    QTest::newRow("ends early: spaces still sent") << 100 << 9;
    QTest::newRow("ten pages: nine spaces show it all, nothing more sent") << 27 << 9;
    QTest::newRow("13 pages: paged to its end") << 20 << 12;
    QTest::newRow("85 pages, still paging after 69 spaces: cut off") << 3 << 69;
}

void TestBindInfoCapture::listingLength()
{
    QFETCH(int, pageLines);
    QFETCH(int, spaces);
    const QStringList lines = test::configLines(60, false);
    const QStringList pages = test::pagedListing(lines, pageLines);
    Rig r(pages);
    test::MessageRecorder boxes;
    r.capture->run();
    QCOMPARE(r.written(), QStringList{"dis cu\r"} + QStringList(spaces, " "));
    QVERIFY(r.reports.wait(5000));
    QCOMPARE(r.view.report, reportOf(r.view.terminal));
    if (pages.size() <= spaces + 1) {
        QCOMPARE(r.view.report, reportOf(u"dis cu\r\n"_qs + test::crlf(lines)));
        QCOMPARE(boxes.texts(), QStringList());
    } else {
        const QStringList rows = r.view.report.split(u"\r\n"_qs);
        QVERIFY2(rows.size() > 3 && rows.size() < 60, qPrintable(r.view.report));
        const QString last = rows.at(rows.size() - 2).section(u'\t', 0, 0);
        QCOMPARE(boxes.texts(), QStringList{u"交换机的配置列表翻页69次后仍未结束，结果只到端口%1为止，之后的端口不在结果中。"_qs.arg(last)});
    }
}

void TestBindInfoCapture::stopped_data()
{
    QTest::addColumn<QString>("how");   // cancel (window closed), lost (device gone) or close (port)
    QTest::addColumn<bool>("inPause");  // during the fourth pause, else with the report pending
    QTest::addColumn<bool>("reported");
    QTest::newRow("window closed in a pause") << "cancel" << true << false;
    QTest::newRow("device lost in a pause") << "lost" << true << false;
    QTest::newRow("device lost while the report is pending: still written") << "lost" << false << true;
    QTest::newRow("port closed during the extra pages") << "close" << true << false;
}

void TestBindInfoCapture::stopped()
{
    QFETCH(QString, how);
    QFETCH(bool, inPause);
    QFETCH(bool, reported);
    // The port is closed in the first extra page's pause (a 13-page listing), the others stop
    // the capture in the fourth of the nine.
    const bool close = how == u"close";
    Rig r(test::pagedListing(test::configLines(close ? 60 : 10, true), close ? 20 : 10));
    const auto stop = [&] {
        if (close)
            r.port.setPortOpen(false);
        else
            how == u"cancel" ? r.capture->cancel() : r.capture->stopRunning();
    };
    const int stopAt = close ? 10 : 4;
    r.clock.duringWait = [&](int wait) {
        if (inPause && wait == stopAt)
            stop();
    };
    test::MessageRecorder boxes;
    r.capture->run();
    QCOMPARE(boxes.texts(), QStringList());
    if (close) {
        QCOMPARE(r.port.writes.size(), 11); // "dis cu", nine spaces, one more, then nothing
        QCOMPARE(r.view.inputLine, QString());
        QVERIFY(!r.reports.wait(400));
        return;
    }
    if (inPause) {
        QCOMPARE(r.port.writes.size(), 5); // nothing after the pause
        // A lost device takes the wait message out of the input line.
        QCOMPARE(r.view.inputLine, how == u"lost" ? QString() : kWait);
    } else {
        stop();
    }
    QCOMPARE(r.reports.wait(reported ? 5000 : 400), reported);
    // A later capture works as usual.
    r.clock.duringWait = nullptr;
    r.reports.clear();
    r.capture->run();
    QVERIFY(r.reports.wait(5000));
    QCOMPARE(r.view.report.count(u"\r\n"_qs), 1 + 10);
}

QTEST_GUILESS_MAIN(TestBindInfoCapture)
#include "tst_bindinfocapture.moc"
