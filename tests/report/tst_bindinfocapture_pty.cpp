// One whole capture over a pseudo-terminal with the real clock: the serial control the program
// uses, the real one-second pauses and Timer1, and a peer that pages its listing like a switch.

#include "report/bindinfocapture.h"

#include "capturefixture.h"
#include "console/portserialcontrol.h"
#include "listings.h"
#include "support/pty.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>

using namespace tarnwell;

namespace {

// The switch end: "dis cu" and CR start the listing, each space shows the next page, a space
// after the last page is echoed. Text goes out in GBK.
class PagingPeer : public QObject {
    Q_OBJECT
public:
    PagingPeer(test::Pty &pty, QStringList pages) : m_pty(pty), m_pages(std::move(pages))
    {
        m_clock.start();
        connect(&pty, &test::Pty::bytesReceived, this, &PagingPeer::onBytes);
    }

    QString sent;             // everything written to the program, as text
    QList<qint64> spaceTimes; // when each space arrived, ms

private:
    void onBytes(const QByteArray &bytes)
    {
        m_pending += bytes;
        for (;;) {
            if (m_pending.startsWith("dis cu\r")) {
                m_pending.remove(0, 7);
                m_next = 0;
                send(m_pages.value(m_next++));
            } else if (m_pending.startsWith(' ')) {
                m_pending.remove(0, 1);
                spaceTimes << m_clock.elapsed();
                send(m_next < m_pages.size() ? m_pages.at(m_next++) : QStringLiteral(" "));
            } else {
                return;
            }
        }
    }

    void send(const QString &text)
    {
        sent += text;
        m_pty.write(m_encoder(text));
    }

    test::Pty &m_pty;
    QStringList m_pages;
    int m_next = 0;
    QByteArray m_pending;
    QStringEncoder m_encoder{"GBK"};
    QElapsedTimer m_clock;
};

} // namespace

class TestBindInfoCapturePty : public QObject {
    Q_OBJECT
private slots:
    void pagedListingOverPty();
};

void TestBindInfoCapturePty::pagedListingOverPty()
{
    test::Pty pty;
    test::ConfigHome home;
    home.linkPort(3, pty.slavePath());

    const QStringList lines = test::configLines(48, true);
    const int pageLines = int((lines.size() + 9) / 10); // ten pages: the command and nine spaces
    PagingPeer peer(pty, test::pagedListing(lines, pageLines));

    PortSerialControl serial;
    serial.setCommPort(3);
    serial.setSettings(QStringLiteral("9600,n,8,1"));
    serial.setPortOpen(true);

    QString model = QStringLiteral("3100");
    test::RecordingView view(serial, model);
    BindInfoCapture capture(serial, view, model);
    QSignalSpy reports(&capture, &BindInfoCapture::reported);

    capture.run();
    QVERIFY(reports.wait(10000));

    QCOMPARE(pty.received(), QByteArray("dis cu\r         "));
    QCOMPARE(peer.spaceTimes.size(), 9);
    QVERIFY2(peer.spaceTimes.last() - peer.spaceTimes.first() >= 7900,
             qPrintable(QString::number(peer.spaceTimes.last() - peer.spaceTimes.first())));

    // The terminal holds exactly what the peer sent, Chinese descriptions and paging included.
    QCOMPARE(view.terminal, peer.sent);
    QVERIFY(view.terminal.contains(u"财务部-7"_qs));
    QVERIFY(view.terminal.contains(test::morePrompt() + test::moreErase()));

    const QString report = view.report;
    QCOMPARE(report, FormatBindReport(ParseBindInfo(u"dis cu\r\n"_qs + test::crlf(lines), "3100")));
    QVERIFY(report.startsWith(u"这是个3600，详细信息如下：\r\n"_qs));
    QCOMPARE(report.count(u"\r\n"_qs), 1 + 48);
    QCOMPARE(model, u"3600"_qs);
    QCOMPARE(view.selections, QList<ModelButton>{ModelButton::Sw3600});
    QCOMPARE(reports.size(), 1);
}

QTEST_GUILESS_MAIN(TestBindInfoCapturePty)
#include "tst_bindinfocapture_pty.moc"
