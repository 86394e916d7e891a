#include "report/bindinfocapture.h"

#include "capturefixture.h"
#include "console/error.h"
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

Q_DECLARE_METATYPE(tarnwell::ModelButton)

namespace {

const QString kWait = QStringLiteral("稍等，结果出来~~");

// Virtual time for Delay: a wait takes no real time. When the watched timer is pending and would
// tick within the wait, the wait lets it tick for real first, as a real second would.
class VirtualClock : public DelayClock {
public:
    quint32 tickCount() override { return now; }
    void processEvents() override { QCoreApplication::processEvents(); }
    void waitForEvents(quint32 ms) override
    {
        ++waits;
        if (duringWait)
            duringWait(waits);
        if (timer && timer->isActive() && quint32(timer->interval()) <= ms) {
            QSignalSpy tick(timer, &QTimer::timeout);
            tick.wait(10000);
        }
        now += ms;
        QCoreApplication::processEvents();
    }

    quint32 now = 0;
    int waits = 0;
    std::function<void(int)> duringWait;
    QTimer *timer = nullptr;
};

// A switch behind the fake port: "dis cu" starts the listing's first page, each space shows the
// next one; once the listing is through, a space is just echoed.
class PagingSwitch : public test::FakeSerialControl {
public:
    void output(const QString &text) override
    {
        if (failAtWrite >= 0 && writes.size() == failAtWrite)
            throw Error(QStringLiteral("写入失败"));
        FakeSerialControl::output(text);
        if (silent)
            return;
        if (text == u"dis cu\r") {
            next = 0;
            receive(next < pages.size() ? pages.at(next++) : QStringLiteral("dis cu\r\n"));
        } else if (text == u" ") {
            receive(next < pages.size() ? pages.at(next++) : text);
        }
    }

    QStringList writtenTexts() const
    {
        QStringList out;
        for (const Write &w : writes)
            out << w.text;
        return out;
    }

    QStringList pages;
    int next = 0;
    int failAtWrite = -1;
    bool silent = false;
};

QStringList expectedWrites(int spaces)
{
    return QStringList{"dis cu\r"} + QStringList(spaces, " ");
}

int dataLines(const QString &report)
{
    return int(report.count(u"\r\n"_qs)) - 1;
}

} // namespace

class TestBindInfoCapture : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void captureAndReport();
    void listingLength_data();
    void listingLength();
    void portClosedWhilePagingOn();
    void failedWrite_data();
    void failedWrite();
    void secondPressInsideWaits();
    void pressWhileReportPending();
    void cancel_data();
    void cancel();
    void modelFromListing_data();
    void modelFromListing();

private:
    void start(const QStringList &pages, const QString &model = QStringLiteral("3100"));
    QString expectedReport(const QStringList &lines, const QString &model = QStringLiteral("3100"))
    {
        return FormatBindReport(ParseBindInfo(u"dis cu\r\n"_qs + test::crlf(lines), model));
    }

    VirtualClock m_clock;
    DelayClock *m_previousClock = nullptr;
    std::unique_ptr<PagingSwitch> m_switch;
    QString m_model;
    std::unique_ptr<test::RecordingView> m_view;
    std::unique_ptr<BindInfoCapture> m_capture;
    std::unique_ptr<QSignalSpy> m_reports;
};

void TestBindInfoCapture::init()
{
    m_clock = VirtualClock();
    m_previousClock = setDelayClock(&m_clock);
}

void TestBindInfoCapture::cleanup()
{
    m_reports.reset();
    m_capture.reset();
    m_view.reset();
    m_switch.reset();
    setDelayClock(m_previousClock);
}

void TestBindInfoCapture::start(const QStringList &pages, const QString &model)
{
    m_switch = std::make_unique<PagingSwitch>();
    m_switch->clock = [this] { return qint64(m_clock.now); };
    m_switch->pages = pages;
    m_switch->setPortOpen(true);
    m_model = model;
    m_view = std::make_unique<test::RecordingView>(*m_switch, m_model);
    m_capture = std::make_unique<BindInfoCapture>(*m_switch, *m_view, m_model);
    m_reports = std::make_unique<QSignalSpy>(m_capture.get(), &BindInfoCapture::reported);
}

void TestBindInfoCapture::captureAndReport()
{
    const QStringList lines = test::configLines(24, true);
    start(test::pagedListing(lines, 20));
    QTimer &timer = m_capture->timer1();
    QCOMPARE(timer.objectName(), u"Timer1"_qs);
    QVERIFY(!timer.isActive());

    bool timerDuringCapture = false;
    m_clock.duringWait = [&](int) { timerDuringCapture |= timer.isActive(); };
    m_capture->run();

    QCOMPARE(m_switch->writtenTexts(), expectedWrites(9));
    // The spaces go out one pause apart, the first right after the command.
    const auto &w = m_switch->writes;
    QCOMPARE(w[1].atMs, w[0].atMs);
    for (int i = 2; i < w.size(); ++i)
        QVERIFY2(w[i].atMs - w[i - 1].atMs > 1000, qPrintable(QString::number(i)));
    QVERIFY(!timerDuringCapture);
    QCOMPARE(m_view->log, (QStringList{"input:" + kWait, "clearReport", "clearTerminal", "input:"}));
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 200);
    QCOMPARE(m_view->report, QString()); // nothing before the tick

    QVERIFY(m_reports->wait(5000));
    QVERIFY(!timer.isActive());
    QCOMPARE(m_view->report, expectedReport(lines));
    QCOMPARE(dataLines(m_view->report), 24);
    QCOMPARE(m_model, u"3600"_qs);
    QCOMPARE(m_view->selections, QList<ModelButton>{ModelButton::Sw3600});
    QCOMPARE(m_view->log.mid(4), (QStringList{"select:2", "setReport"}));

    // One capture, one report.
    QTest::qWait(600);
    QCOMPARE(m_reports->size(), 1);
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
    QCOMPARE(lines.size(), 254);
    const QStringList pages = test::pagedListing(lines, pageLines);
    start(pages);
    test::MessageRecorder boxes;
    m_capture->run();
    QCOMPARE(m_switch->writtenTexts(), expectedWrites(spaces));
    QVERIFY(m_reports->wait(5000));

    const QString shown = pages.mid(0, spaces + 1).join(QString())
                          + QString(qMax(0, 10 - int(pages.size())), QLatin1Char(' '));
    QCOMPARE(m_view->terminal, shown);
    if (pages.size() <= spaces + 1) {
        QCOMPARE(m_view->report, expectedReport(lines));
        QCOMPARE(boxes.texts(), QStringList());
    } else {
        const QStringList ports = m_view->report.split(u"\r\n"_qs);
        QVERIFY2(ports.size() > 3 && ports.size() < 60, qPrintable(m_view->report));
        QCOMPARE(m_view->report, FormatBindReport(ParseBindInfo(shown, "3100")));
        const QString last = ports.at(ports.size() - 2).section(u'\t', 0, 0);
        QCOMPARE(boxes.texts(), QStringList{u"交换机的配置列表翻页69次后仍未结束，结果只到端口%1为止，之后的端口不在结果中。"_qs.arg(last)});
    }
}

// Closing the port during the extra pages ends the capture quietly, as a lost device does.
void TestBindInfoCapture::portClosedWhilePagingOn()
{
    start(test::pagedListing(test::configLines(60, false), 20));
    m_clock.duringWait = [this](int wait) {
        if (wait == 10)
            m_switch->setPortOpen(false);
    };
    test::MessageRecorder boxes;
    QVERIFY(trapErrors([&] { m_capture->run(); }));
    QCOMPARE(m_switch->writtenTexts(), expectedWrites(10));
    QCOMPARE(m_view->inputLine, QString());
    QCOMPARE(boxes.texts(), QStringList());
    QTest::qWait(400);
    QCOMPARE(m_reports->size(), 0);
}

void TestBindInfoCapture::failedWrite_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<int>("failAt");
    QTest::newRow("port closed") << false << -1;
    QTest::newRow("first space refused") << true << 1;
    QTest::newRow("sixth space refused") << true << 6;
}

void TestBindInfoCapture::failedWrite()
{
    QFETCH(bool, portOpen);
    QFETCH(int, failAt);
    start(test::pagedListing(test::configLines(8, true), 3));
    m_switch->setPortOpen(portOpen);
    m_switch->failAtWrite = failAt;

    test::MessageRecorder boxes;
    QVERIFY(!trapErrors([&] { m_capture->run(); }));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].title, u"出错喽"_qs);
    QVERIFY(boxes.boxes[0].text.endsWith(u",请联系Dervik!"_qs));

    QCOMPARE(m_switch->writes.size(), qMax(0, failAt));
    QCOMPARE(m_view->inputLine, kWait);
    QCOMPARE(m_view->report, QString());
    if (!portOpen)
        QCOMPARE(m_view->terminal, QString());
    QVERIFY(!m_capture->timer1().isActive());
    QTest::qWait(400);
    QCOMPARE(m_reports->size(), 0);
}

void TestBindInfoCapture::secondPressInsideWaits()
{
    const QStringList lines = test::configLines(12, true);
    start(test::pagedListing(lines, 10));
    m_clock.timer = &m_capture->timer1();
    m_clock.duringWait = [this](int wait) {
        if (wait == 3)
            m_capture->run();
    };
    m_capture->run();

    // Three spaces, the whole second capture, then the first one's remaining six.
    QCOMPARE(m_switch->writtenTexts(), expectedWrites(3) + expectedWrites(9) + QStringList(6, " "));
    QCOMPARE(m_view->log.count(u"clearTerminal"_qs), 2);
    QCOMPARE(m_view->log.count(u"clearReport"_qs), 2);
    QCOMPARE(m_view->inputLine, QString());

    // The second capture's tick came during the first one's pauses; the first reports after.
    QCOMPARE(m_reports->size(), 1);
    QVERIFY(m_reports->wait(5000));
    QCOMPARE(m_reports->size(), 2);
    QVERIFY(m_view->terminalAtReport[1].startsWith(m_view->terminalAtReport[0]));
    QCOMPARE(m_reports->at(0).at(0).toString(), expectedReport(lines));
    QCOMPARE(m_reports->at(1).at(0).toString(), expectedReport(lines));
}

void TestBindInfoCapture::pressWhileReportPending()
{
    const QStringList lines = test::configLines(30, false);
    start(test::pagedListing(lines, 15));
    m_capture->run();
    QVERIFY(m_capture->timer1().isActive());

    // The pending tick falls into the second capture's first pause.
    m_clock.timer = &m_capture->timer1();
    m_capture->run();
    QCOMPARE(m_reports->size(), 1);
    QVERIFY(m_reports->wait(5000));
    QCOMPARE(m_reports->size(), 2);

    const QString partial = m_reports->at(0).at(0).toString();
    const QString full = m_reports->at(1).at(0).toString();
    QCOMPARE(full, expectedReport(lines));
    QVERIFY2(dataLines(partial) < dataLines(full), qPrintable(partial));
    QVERIFY(partial.startsWith(u"这是个3100，详细信息如下：\r\n"_qs));
    // The early report read the new listing as far as it had come, not the old one.
    const QString early = m_view->terminalAtReport[0];
    QVERIFY(early.startsWith(u"dis cu\r\n"_qs));
    QVERIFY(early.size() < m_view->terminalAtReport[1].size());
    QCOMPARE(partial, FormatBindReport(ParseBindInfo(early, "3100")));
}

void TestBindInfoCapture::cancel_data()
{
    QTest::addColumn<QString>("how");    // cancel, destroy or lost (stopRunning)
    QTest::addColumn<bool>("inPause");   // during the fourth pause, else with the report pending
    QTest::addColumn<bool>("reported");
    QTest::newRow("cancel in a pause") << "cancel" << true << false;
    QTest::newRow("capture destroyed in a pause") << "destroy" << true << false;
    QTest::newRow("cancel while the report is pending") << "cancel" << false << false;
    QTest::newRow("device lost in a pause") << "lost" << true << false;
    QTest::newRow("device lost while the report is pending: still written")
        << "lost" << false << true;
}

void TestBindInfoCapture::cancel()
{
    QFETCH(QString, how);
    QFETCH(bool, inPause);
    QFETCH(bool, reported);
    start(test::pagedListing(test::configLines(10, true), 10));
    const auto stop = [&] {
        if (how == u"cancel")
            m_capture->cancel();
        else if (how == u"lost")
            m_capture->stopRunning();
        else
            m_capture.reset();
    };
    m_clock.duringWait = [&](int wait) {
        if (inPause && wait == 4)
            stop();
    };
    BindInfoCapture *capture = m_capture.get();
    capture->run();
    if (inPause) {
        QCOMPARE(m_switch->writes.size(), 5); // nothing after the pause
        // Nothing touched, but a lost device takes the wait message out of the input line.
        QCOMPARE(m_view->inputLine, how == u"lost" ? QString() : kWait);
    } else {
        QCOMPARE(m_switch->writes.size(), 10);
        stop();
    }
    if (m_capture)
        QCOMPARE(m_capture->timer1().isActive(), reported);
    if (reported) {
        QVERIFY(m_reports->wait(5000));
        QCOMPARE(dataLines(m_view->report), 10);
    } else {
        QTest::qWait(400);
        QCOMPARE(m_reports->size(), 0);
    }

    // A later capture works as usual.
    if (m_capture) {
        m_clock.duringWait = nullptr;
        m_reports->clear();
        m_capture->run();
        QVERIFY(m_reports->wait(5000));
        QCOMPARE(dataLines(m_view->report), 10);
    }
}

void TestBindInfoCapture::modelFromListing_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QList<ModelButton>>("selections");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("report");

    QTest::newRow("3600 name line") << test::workedExample() << "3100"
                                    << QList<ModelButton>{ModelButton::Sw3600} << "3600"
                                    << FormatBindReport(ParseBindInfo(test::workedExample(), "3100"));
    // The 3100 button is clicked (its action sets 3100) and the parsed 5500 still ends up.
    const QString sw5500 = test::crlf({"dis cu", " sysname SW5500", "3100 mac-address static", "#",
                                       "interface Ethernet1/0/1", " port access vlan 2", "#"});
    QTest::newRow("5500 over the 3100 rule") << sw5500 << "3600"
                                             << QList<ModelButton>{ModelButton::Sw3100} << "5500"
                                             << u"这是个5500，详细信息如下：\r\n1/0/1\t开启状态\tAccess类型\t2\t\t\t\r\n"_qs;
    QTest::newRow("no sysname: model and buttons untouched")
        << test::crlf({"dis cu", "interface Ethernet1/0/1", "#"}) << "3600" << QList<ModelButton>{}
        << "3600" << u"这是个3600，详细信息如下：\r\n1/0/1\t开启状态\t其它类型\t无VLAN\t无MAC\t无IP\t\r\n"_qs;
    QTest::newRow("switch silent: header alone") << "" << "3100" << QList<ModelButton>{} << "3100"
                                                 << u"这是个3100，详细信息如下：\r\n"_qs;
}

void TestBindInfoCapture::modelFromListing()
{
    QFETCH(QString, listing);
    QFETCH(QString, before);
    QFETCH(QList<ModelButton>, selections);
    QFETCH(QString, after);
    QFETCH(QString, report);

    start(listing.isEmpty() ? QStringList{} : QStringList{listing}, before);
    m_switch->silent = listing.isEmpty();
    m_capture->run();
    QVERIFY(m_reports->wait(5000));
    QCOMPARE(m_view->selections, selections);
    QCOMPARE(m_model, after);
    QCOMPARE(m_view->report, report);
}

QTEST_GUILESS_MAIN(TestBindInfoCapture)
#include "tst_bindinfocapture.moc"
