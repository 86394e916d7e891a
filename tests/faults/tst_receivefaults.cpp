// What the switch sends, at its worst: 20 MB in one burst in the middle of a binding report
// capture, and bytes that are not GBK. The window keeps handling its events during the burst,
// the terminal holds every character received since the capture emptied it, and the report
// covers every port block of the listing; bad bytes show as U+FFFD and nothing else is lost.
#include "faultrig.h"

#include "console/terminal.h"
#include "console/terminalview.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

constexpr int kPorts = 48;
constexpr qsizetype kBurstBytes = 20 * 1024 * 1024;

// A 3100 listing of kPorts port blocks, padded with description lines (no "#" in them) to
// kBurstBytes, so the last port block comes at the very end of the burst.
QByteArray bigListing()
{
    QByteArray out = "dis cu\r\n#\r\n sysname SW3100-Floor2\r\n#\r\n";
    const qsizetype perPort = (kBurstBytes - out.size()) / kPorts;
    for (int p = 1; p <= kPorts; ++p) {
        QByteArray block = "interface Ethernet1/0/" + QByteArray::number(p) + "\r\n port access vlan "
            + QByteArray::number(100 + p) + "\r\n mac-address static 000f-e212-"
            + QByteArray::number(1000 + p) + " vlan " + QByteArray::number(100 + p) + "\r\n";
        const QByteArray filler = " description cabinet " + QByteArray::number(p)
            + " patch panel row 7, see the floor plan on the wiki page for this room\r\n";
        while (block.size() + filler.size() + 3 < perPort)
            block += filler;
        out += block + "#\r\n";
    }
    out += QByteArray(kBurstBytes - out.size() - 8, 'x') + "\r\nreturn";
    return out;
}

// Writes everything to the pty master from its own thread, as fast as the program reads;
// sleeps in poll() while the pty is full.
void writeAll(int fd, const QByteArray &bytes, std::atomic<bool> &failed)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        } else {
            failed = true;
            return;
        }
    }
}

} // namespace

class TestReceiveFaults : public QObject {
    Q_OBJECT
private slots:
    void burstDuringCapture();
    void invalidGbk_data();
    void invalidGbk();
};

void TestReceiveFaults::burstDuringCapture()
{
    FaultRig rig;
    FrmMain &w = rig.start();
    w.Cmd_Switch->click();
    QVERIFY(w.serial().portOpen());
    w.terminal().append(QStringLiteral("old text that the capture empties\r\n"));

    const QByteArray listing = bigListing();
    QCOMPARE(listing.size(), kBurstBytes);
    std::atomic<bool> writeFailed{false};
    std::thread writer;
    QElapsedTimer clock;
    clock.start();
    qint64 burstStart = -1, burstEnd = -1;
    connect(&rig.pty, &Pty::bytesReceived, this, [&](const QByteArray &) {
        if (burstStart < 0 && rig.pty.received().startsWith("dis cu\r")) {
            burstStart = clock.elapsed();
            writer = std::thread(writeAll, rig.pty.masterFd(), std::cref(listing), std::ref(writeFailed));
        }
    });

    // Ticks of an ordinary timer while the burst comes in: the window's event loop keeps turning.
    QList<qint64> ticks;
    QTimer ticker;
    ticker.setInterval(100);
    connect(&ticker, &QTimer::timeout, this, [&] {
        ticks << clock.elapsed();
        if (burstStart >= 0 && burstEnd < 0 && w.terminal().text().size() >= listing.size())
            burstEnd = clock.elapsed();
    });
    ticker.start();

    w.Cmd_GetBindInfo->click(); // nine paging pauses of one second, the burst arrives meanwhile
    QVERIFY(QTest::qWaitFor([&] { return !w.reportText().isEmpty(); }, 5000));
    ticker.stop();
    if (writer.joinable())
        writer.join();
    QVERIFY(!writeFailed);
    QVERIFY2(burstStart >= 0, "the capture sent its command");
    QVERIFY2(burstEnd >= 0, "the whole burst was read before the capture ended");

    qint64 maxGap = 0;
    int during = 0;
    for (int i = 1; i < ticks.size(); ++i) {
        if (ticks[i] >= burstStart && ticks[i - 1] <= burstEnd) {
            maxGap = qMax(maxGap, ticks[i] - ticks[i - 1]);
            ++during;
        }
    }
    qInfo("20 MiB read in %lld ms; %d timer ticks meanwhile, longest gap %lld ms", burstEnd - burstStart,
          during, maxGap);
    QVERIFY(during >= 1);
    QVERIFY2(maxGap < 3000, qPrintable(QString::number(maxGap)));

    // Everything since the capture emptied the terminal, and nothing from before.
    QCOMPARE(w.terminal().text().size(), listing.size());
    QVERIFY(w.terminal().text() == QString::fromLatin1(listing));

    const QStringList lines = w.reportText().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("这是个3100，详细信息如下："));
    QCOMPARE(lines.size(), kPorts + 2); // header, one line per port, empty after the last CR LF
    for (int p = 1; p <= kPorts; ++p) {
        QCOMPARE(lines[p], QStringLiteral("1/0/%1\t开启状态\tAccess类型\t%2\t000f-e212-%3\t无IP\t")
                               .arg(p)
                               .arg(100 + p)
                               .arg(1000 + p));
    }

    QVERIFY(w.close());
}

void TestReceiveFaults::invalidGbk_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks"); // written one after another
    QTest::addColumn<QString>("expected");         // the terminal text afterwards

    QTest::newRow("0xFF inside ASCII") << QList<QByteArray>{"ab\xff" "cd\r\n"}
                                       << QStringLiteral("ab\uFFFDcd\r\n");
    QTest::newRow("valid GBK around a bad byte")
        << QList<QByteArray>{"\xd6\xd0\x80\xce\xc4"} << QStringLiteral("中\uFFFD文");
    QTest::newRow("character split across two reads")
        << QList<QByteArray>{"<\xd6", "\xd0>"} << QStringLiteral("<中>");
    QTest::newRow("lead byte then a line end")
        << QList<QByteArray>{"x\x81\r\ny"} << QStringLiteral("x\uFFFD\r\ny");
    QTest::newRow("NUL and escape kept") << QList<QByteArray>{QByteArray("a\0b\x1b[2Jc", 8)}
                                         << QString::fromUtf16(u"a\0b\x1b[2Jc", 8);
}

void TestReceiveFaults::invalidGbk()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QString, expected);

    FaultRig rig;
    FrmMain &w = rig.start();
    w.Cmd_Switch->click();
    QVERIFY(w.serial().portOpen());
    qsizetype total = 0;
    for (const QByteArray &chunk : chunks) {
        total += chunk.size();
        rig.pty.write(chunk);
        // Each chunk is read on its own before the next is written.
        QTest::qWait(50);
    }
    QVERIFY(QTest::qWaitFor([&] { return w.terminal().text().size() >= expected.size(); }, 5000));
    QTest::qWait(50);
    QCOMPARE(w.terminal().text(), expected);
    w.Text1->flush();
    // The pane shows the replacement character too (line ends drawn as breaks).
    if (expected.contains(QChar(0xFFFD)))
        QVERIFY(w.Text1->shownText().contains(QChar(0xFFFD)));
    QVERIFY(rig.boxes.boxes.isEmpty());
    QVERIFY(w.serial().portOpen());
    QVERIFY(w.close());
}

QTEST_MAIN(TestReceiveFaults)
#include "tst_receivefaults.moc"
