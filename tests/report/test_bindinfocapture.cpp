// The binding capture against a paging switch behind a fake port, on virtual time: "dis cu" and
// nine spaces a second apart, then paging on to the switch's prompt within its bounds, the report
// 200 ms later, and a message whenever the report is incomplete.
#include "serial/serialcontrol.h"
#include "listings.h"
#include "report/bindinfocapture.h"
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/virtualclock.h"
#include "terminal/terminal.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tarnwell;

namespace {

const QString kWait = QStringLiteral("稍等，结果出来~~");
const QString kLog = QStringLiteral("%Apr  5 07:02:03:671 2000 H3C IFNET/5/UPDOWN:- 1 - Line protocol on Vlan-interface1 is UP");

// A switch behind the fake port: "dis cu" brings the listing's first page, each space the next.
// At a baud rate the text arrives line by line at the line's pace, and a space typed while a page
// is still printing waits until it is out, as a console's typeahead does.
class PagingSwitch : public test::FakeSerialControl {
public:
    void writeText(const QString &text) override
    {
        FakeSerialControl::writeText(text);
        if (text == u"dis cu\r")
            next = 0;
        else if (text != u" ")
            return;
        if (next >= answered)
            return;
        if (next < pages.size() - (endless ? 1 : 0)) // an endless pager never shows the last
            print(pages.at(next++));
        else if (endless)
            print(test::moreErase() + test::crlf(QStringList(24, u" port access vlan 10"_qs)) + test::morePrompt());
        else
            print(text);
    }
    void print(const QString &text)
    {
        if (!baud)
            return receive(text);
        qint64 at = std::max(vclock->now, busyUntil);
        for (const QString &chunk : text.split(QRegularExpression(QStringLiteral("(?<=\n)")))) {
            at += chunk.size() * 10000 / baud;
            vclock->at(at, [this, chunk] { portOpen() ? receive(chunk) : void(); });
        }
        busyUntil = at;
    }
    QStringList pages;
    int next = 0, baud = 0, answered = 1 << 30;
    bool endless = false;
    qint64 busyUntil = 0;
    test::VirtualClock *vclock = nullptr;
};

// The window's side: the controls the capture touches; a model button's click sets the model.
class View : public BindInfoView {
public:
    explicit View(SwitchModelHolder &model) : m_model(model) {}
    void setInputLine(const QString &text) override { log << "input:" + (inputLine = text); }
    void clearReport() override { log << "clearReport"; report.clear(); }
    void setReport(const QString &text) override { log << "setReport"; report = text; }
    void selectModelButton(ModelButton b) override
    {
        log << QStringLiteral("select:%1").arg(int(b));
        m_model.set(b == ModelButton::Sw3600 ? SwitchModel::S3600 : SwitchModel::S3100);
    }
    QString inputLine, report = QStringLiteral("(old report)");
    QStringList log;

private:
    SwitchModelHolder &m_model;
};

struct Rig {
    explicit Rig(const QStringList &pages)
    {
        clock.eachRound = [] { QCoreApplication::processEvents(); };
        port.clock = [this] { return clock.now; };
        port.vclock = &clock;
        port.pages = pages;
        port.setPortOpen(true);
        terminal.append(QStringLiteral("(old terminal)"));
        QObject::connect(&port, &SerialControl::onComm, [this] { terminal.append(port.input()); });
    }
    test::VirtualClock clock;
    PagingSwitch port;
    Terminal terminal;
    SwitchModelHolder model;
    View view{model};
    OperationEngine engine;
    OperationGate &gate = engine.gate();
    std::unique_ptr<BindInfoCapture> capture = std::make_unique<BindInfoCapture>(port, terminal, view, model, engine);
    QSignalSpy reports{capture.get(), &BindInfoCapture::reported};
};

QString reportOf(const QString &text)
{
    return formatBindReport(parseBindInfo(text, SwitchModel::S3100));
}

// A listing of 60 ports (254 lines); with logs, a log line every 40 lines and one after the prompt.
QStringList listing(int pageLines, bool logs)
{
    QStringList lines = test::configLines(60, true);
    for (qsizetype i = logs ? 40 : lines.size(); i < lines.size(); i += 41)
        lines.insert(i, kLog);
    QStringList pages = test::pagedListing(lines, pageLines);
    if (logs)
        pages.last() += u"\r\n"_qs + kLog + u"\r\n"_qs;
    return pages;
}

const QString kCut = QStringLiteral("结果只到端口%1为止，之后的端口不在结果中。");

} // namespace

class TestBindInfoCapture : public QObject {
    Q_OBJECT
private slots:
    void capture_data();
    void capture();
    void refused();
};

void TestBindInfoCapture::capture_data()
{
    QTest::addColumn<int>("pageLines"); // of a listing of 60 ports, 254 lines
    QTest::addColumn<int>("baud");      // 0: each page at once
    QTest::addColumn<int>("answered");  // pages the switch shows (-1: all, -2: pages on for ever)
    QTest::addColumn<bool>("storm");    // a log line every 200 ms
    // at stopMs: close (the port), lost (the device), replug (lost, then open again), cancel (window)
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("stopMs");
    QTest::addColumn<int>("spaces");    // sent in all (-1: more than nine)
    QTest::addColumn<QString>("message"); // %1: the report's last port; "-": no report at all
    QTest::addColumn<int>("maxMs");     // virtual time by which the capture has ended

    const QString none;
    QTest::newRow("ends early: spaces still sent") << 100 << 0 << -1 << false << none << 0 << 9 << none << 9100;
    QTest::newRow("ten pages: nine spaces show it all, nothing more sent") << 27 << 0 << -1 << false << none << 0 << 9 << none << 9100;
    QTest::newRow("13 pages: paged to its end") << 20 << 0 << -1 << false << none << 0 << 12 << none << 9300;
    QTest::newRow("11 pages at 9600 baud, log lines in and between them") << 24 << 9600 << -1 << true << none << 0 << 10 << none << 10500;
    QTest::newRow("85 pages, still paging after 69 spaces: cut off") << 3 << 0 << -1 << false << none << 0 << 69
                                                                     << u"交换机的配置列表翻页69次后仍未结束，"_qs + kCut << 13000;
    QTest::newRow("endless pager under a log storm: 69 spaces") << 24 << 9600 << -2 << true << none << 0 << 69
                                                                << u"交换机的配置列表翻页69次后仍未结束，"_qs + kCut << 70000;
    QTest::newRow("endless pager at 1200 baud: 90 s") << 24 << 1200 << -2 << false << none << 0 << -1
                                                      << u"交换机的配置列表90秒后仍未结束，"_qs + kCut << 90100;
    QTest::newRow("quiet after four pages: 20 s") << 24 << 9600 << 4 << false << none << 0 << 9
                                                  << u"交换机20秒没有送出内容，配置列表没有收完，"_qs + kCut << 23500;
    QTest::newRow("silent switch: no listing within 10 s") << 24 << 0 << 0 << false << none << 0 << 9
        << u"发出 dis cu 后交换机没有送来配置列表。请检查串口线、通讯设置(波特率等)，以及是否已登录到交换机的命令行(出现 <交换机名> 提示符)。"_qs
        << 10100;
    QTest::newRow("port closed in a pause") << 24 << 9600 << -1 << false << "close" << 3500 << 4
                                            << u"端口已关闭，配置列表没有收完，"_qs + kCut << 4100;
    QTest::newRow("port closed in the extra pages") << 20 << 0 << -1 << false << "close" << 8070 << 10
                                                    << u"端口已关闭，配置列表没有收完，"_qs + kCut << 8200;
    QTest::newRow("cable pulled after three pages") << 24 << 9600 << -1 << false << "lost" << 2500 << 3
                                                    << u"串口设备已断开，配置列表没有收完，"_qs + kCut << 3100;
    QTest::newRow("cable pulled and back at once: nothing sent to the new console")
        << 24 << 9600 << -1 << false << "replug" << 2500 << 3 << u"串口设备已断开，配置列表没有收完，"_qs + kCut << 3100;
    QTest::newRow("window closed in a pause: nothing more") << 24 << 0 << -1 << false << "cancel" << 3500 << 4
                                                            << "-" << 4100;
}

void TestBindInfoCapture::capture()
{
    QFETCH(int, pageLines);
    QFETCH(int, baud);
    QFETCH(int, answered);
    QFETCH(bool, storm);
    QFETCH(QString, stop);
    QFETCH(int, stopMs);
    QFETCH(int, spaces);
    QFETCH(QString, message);
    QFETCH(int, maxMs);
    Rig r(listing(pageLines, storm));
    r.port.baud = baud;
    r.port.endless = answered == -2;
    r.port.answered = answered >= 0 ? answered : 1 << 30;
    for (int t = 150; storm && t < 200000; t += 200)
        r.clock.at(t, [&r] { r.port.receive(u"\r\n"_qs + kLog + u"\r\n"_qs); });
    if (!stop.isEmpty())
        r.clock.at(stopMs, [&] {
            if (stop == u"cancel")
                return r.capture->cancel();
            r.port.setPortOpen(false);
            if (stop != u"close")
                r.capture->stopRunning();
            if (stop == u"replug") // reopened by the reconnector while the loss is still shown
                r.port.setPortOpen(true);
        });
    QTimer &timer = r.capture->timer1();
    bool timerDuringCapture = false, gateTaken = true;
    QStringList outcomes;
    r.clock.eachRound = [&] {
        QCoreApplication::processEvents();
        timerDuringCapture |= timer.isActive() && outcomes.isEmpty();
        gateTaken &= r.gate.busy() || !outcomes.isEmpty();
    };
    r.gate.observe({}, [&](const QString &, const QString &outcome) { outcomes << outcome; });
    test::MessageRecorder boxes;
    r.capture->run();
    r.clock.runUntil([&] { return !r.engine.busy(); });
    QVERIFY2(r.clock.now <= maxMs, qPrintable(QString::number(r.clock.now)));
    QVERIFY(gateTaken);
    QCOMPARE(outcomes.size(), 1);
    const auto &w = r.port.writes;
    QCOMPARE(r.port.written(), u"dis cu\r"_qs + QString(spaces < 0 ? w.size() - 1 : spaces, u' '));
    QVERIFY(spaces >= 0 || w.size() > 10);
    QCOMPARE(w[1].atMs, w[0].atMs);
    for (int i = 2; i < std::min(w.size(), qsizetype(10)); ++i)
        QVERIFY2(w[i].atMs - w[i - 1].atMs > 1000, qPrintable(QString::number(i)));
    QVERIFY(!timerDuringCapture);
    if (message == u"-") {
        QCOMPARE(outcomes, QStringList{u"已停止"_qs});
        QCOMPARE(r.view.inputLine, kWait);
        QVERIFY(!r.reports.wait(400));
        return;
    }
    QCOMPARE(r.view.log, (QStringList{"input:" + kWait, "clearReport", "input:"}));
    QVERIFY(!r.terminal.text().contains(u"(old terminal)"_qs));
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 200);
    QCOMPARE(r.view.report, QString()); // nothing before the tick
    QVERIFY(r.reports.wait(5000));
    QCOMPARE(r.view.report, reportOf(r.terminal.text()));
    const QStringList rows = r.view.report.split(u"\r\n"_qs);
    if (message.isEmpty()) {
        QCOMPARE(outcomes, QStringList{u"完成"_qs});
        QCOMPARE(r.model.value(), SwitchModel::S3600);
        QCOMPARE(r.view.log.mid(3), (QStringList{"select:2", "setReport"}));
        QCOMPARE(r.view.report, reportOf(u"dis cu\r\n"_qs + test::crlf(test::configLines(60, true))));
        QCOMPARE(boxes.texts(), QStringList());
    } else {
        // Some ports, not all (none without a listing); the message names the last.
        const bool cut = message.contains(u"%1");
        QVERIFY2(cut ? rows.size() > 3 && rows.size() - 2 < 60 : rows.size() == 2, qPrintable(r.view.report));
        QCOMPARE(boxes.texts(), QStringList{cut ? message.arg(rows.at(rows.size() - 2).section(u'\t', 0, 0)) : message});
    }
    QTest::qWait(300);
    QCOMPARE(r.reports.size(), 1); // one capture, one report
}

// A click that cannot capture touches nothing: on a closed port it fails with the error dialog's
// text, while another operation runs it says so.
void TestBindInfoCapture::refused()
{
    Rig r(listing(24, false));
    test::MessageRecorder boxes;
    auto script = [&]() -> Operation {
        co_await pause(1000);
        co_return OperationEnd{};
    };
    r.engine.start(u"绑定"_qs, script());
    r.capture->run();
    QCOMPARE(boxes.texts(), QStringList{r.gate.busyMessage()});
    r.engine.cancel();
    r.port.setPortOpen(false);
    QVERIFY_THROWS_EXCEPTION(Error, r.capture->run());
    QCOMPARE(r.view.log, QStringList());
    QCOMPARE(r.port.writes.size(), 0);
    QVERIFY(!r.gate.busy());
}

QTEST_GUILESS_MAIN(TestBindInfoCapture)
#include "test_bindinfocapture.moc"
