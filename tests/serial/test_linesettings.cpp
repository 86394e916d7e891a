// The settings-string check: every string the lists can build is accepted; others are refused
// with a description naming the bad field.
#include "base/error.h"
#include "serial/linesettings.h"

#include <QTest>

using namespace tarnwell;

class TestLineSettings : public QObject {
    Q_OBJECT
private slots:
    void acceptsEveryListCombination();
    void refusesMalformed_data();
    void refusesMalformed();
};

void TestLineSettings::acceptsEveryListCombination()
{
    const QStringList speeds = {"1200", "2400", "4800", "9600", "19200", "38400"};
    const QStringList parities = {"n", "o", "e"};
    const QStringList data = {"5", "6", "7", "8"};
    const QStringList stops = {"1", "1.5", "2"};
    int checked = 0;
    for (const QString &s : speeds)
        for (const QString &p : parities)
            for (const QString &d : data)
                for (const QString &st : stops) {
                    const LineSettings l = parseLineSettings(s + ',' + p + ',' + d + ',' + st);
                    QCOMPARE(l.baudRate, s.toInt());
                    QCOMPARE(int(l.dataBits), d.toInt());
                    ++checked;
                }
    QCOMPARE(checked, 6 * 3 * 4 * 3);
    QCOMPARE(parseLineSettings("9600,o,8,1").parity, QSerialPort::OddParity);
    QCOMPARE(parseLineSettings("9600,E,7,2").parity, QSerialPort::EvenParity);
    QCOMPARE(parseLineSettings("9600,n,8,1.5").stopBits, QSerialPort::OneAndHalfStop);
    QCOMPARE(parseLineSettings("115200,n,8,1").baudRate, 115200);
}

void TestLineSettings::refusesMalformed_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("empty parity field") << "9600,,8,1" << "校验位为空";
    QTest::newRow("unknown parity") << "9600,x,8,1" << "x";
    QTest::newRow("odd rate") << "9601,n,8,1" << "9601";
    QTest::newRow("data bits 9") << "9600,n,9,1" << "9";
    QTest::newRow("stop bits 3") << "9600,n,8,3" << "3";
    QTest::newRow("three fields") << "9600,n,8" << "四项";
}

void TestLineSettings::refusesMalformed()
{
    QFETCH(QString, settings);
    QFETCH(QString, mentions);
    try {
        parseLineSettings(settings);
        QFAIL("accepted");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(mentions), qPrintable(e.description()));
        QVERIFY(e.description().contains(settings));
    }
}

QTEST_APPLESS_MAIN(TestLineSettings)
#include "test_linesettings.moc"
