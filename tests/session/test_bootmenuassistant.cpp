// The boot menu assistant on received text as it comes in pieces: the Ctrl+B it sends once when
// armed, and the speed the switch asks for.
#include "session/bootmenuassistant.h"
#include "support/fakeserialcontrol.h"

#include <QSignalSpy>
#include <QTest>

using namespace tarnwell;

class TestBootMenuAssistant : public QObject {
    Q_OBJECT
private slots:
    void watchesReceivedText_data();
    void watchesReceivedText();
};

void TestBootMenuAssistant::watchesReceivedText_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<QStringList>("pieces"); // received one after another
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QList<int>>("speeds");
    const QString prompt = QStringLiteral("\r\nPress Ctrl-B to enter Boot Menu... 5");
    QTest::newRow("armed: Ctrl+B once, though the prompt comes again")
        << true << QStringList{prompt, QStringLiteral("\b4"), prompt} << QStringLiteral("\x02") << QList<int>{};
    QTest::newRow("armed: the prompt split across reads")
        << true << QStringList{QStringLiteral("\r\nPress Ctrl-B to en"), QStringLiteral("ter Boot Menu... 5")}
        << QStringLiteral("\x02") << QList<int>{};
    QTest::newRow("not armed: nothing sent") << false << QStringList{prompt} << QString() << QList<int>{};
    QTest::newRow("speed asked, in two reads, then back")
        << false
        << QStringList{QStringLiteral("Please change the terminal's baudrate to 1152"),
                       QStringLiteral("00 bps, press ENTER when ready.\r\n"), QStringLiteral("Loading ...CCC"),
                       QStringLiteral("Please change the terminal's baudrate back to 9600 bps. Press enter key when ready")}
        << QString() << QList<int>{115200, 9600};
}

void TestBootMenuAssistant::watchesReceivedText()
{
    QFETCH(bool, armed);
    QFETCH(QStringList, pieces);
    QFETCH(QString, sent);
    QFETCH(QList<int>, speeds);
    test::FakeSerialControl serial;
    serial.setPortOpen(true);
    BootMenuAssistant boot(serial);
    boot.setArmed(armed);
    QSignalSpy asked(&boot, &BootMenuAssistant::speedRequested);
    for (const QString &piece : pieces)
        boot.received(piece);
    QCOMPARE(serial.written(), sent);
    QCOMPARE(boot.armed(), armed && sent.isEmpty());
    QList<int> got;
    for (const QList<QVariant> &a : asked)
        got << a.at(0).toInt();
    QCOMPARE(got, speeds);
}

QTEST_GUILESS_MAIN(TestBootMenuAssistant)
#include "test_bootmenuassistant.moc"
