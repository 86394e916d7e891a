#include "settings/inidocument.h"

#include <QTest>

using tarnwell::IniDocument;

class TestIniDocument : public QObject {
    Q_OBJECT
private slots:
    void value_data();
    void value();
    void setValue_data();
    void setValue();
    void refusesWhatBreaksLines_data();
    void refusesWhatBreaksLines();
};

void TestIniDocument::value_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray basic = "[h3c_comm]\nPortNum=5\nSpeed=38400\n";
    QTest::newRow("plain") << basic << "h3c_comm" << "Speed" << "38400";
    QTest::newRow("names ignore case") << QByteArray("[H3C_Comm]\nPORTNUM=7\n")
                                       << "h3c_comm" << "portNum" << "7";
    QTest::newRow("UTF-8 BOM before the header") << QByteArray("\xEF\xBB\xBF[h3c_comm]\nData=8\n")
                                                 << "h3c_comm" << "Data" << "8";
    QTest::newRow("key of another section") << QByteArray("[other]\nData=5\n[h3c_comm]\nSpeed=1\n")
                                            << "h3c_comm" << "Data" << "";
    QTest::newRow("cut at NUL") << QByteArray("[s]\nk=ab\0cd\n", 12) << "s" << "k" << "ab";
    const QString long200 = QString(200, QLatin1Char('x'));
    QTest::newRow("200 characters read as 127") << QByteArray("[s]\nk=" + long200.toLatin1() + "\n")
                                                << "s" << "k" << long200.left(127);
    // 126 ASCII bytes and a three-byte character that the 127-byte cut would split.
    QTest::newRow("cut keeps whole characters")
        << QByteArray("[s]\nk=" + QByteArray(126, 'a') + "\xE4\xB8\xAD" + "\n")
        << "s" << "k" << QString(126, QLatin1Char('a'));
}

void TestIniDocument::value()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(IniDocument::parse(file).value(section, key), expected);
}

void TestIniDocument::setValue_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("from scratch") << QByteArray() << "h3c_comm" << "PortNum" << "3"
                                  << QByteArray("[h3c_comm]\nPortNum=3\n");
    QTest::newRow("new key after the section's last key, not after its trailing comment")
        << QByteArray("[s]\na=1\n\n; next\n[t]\nb=2\n") << "s" << "k" << "v"
        << QByteArray("[s]\na=1\nk=v\n\n; next\n[t]\nb=2\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[s]\nk=1\n") << "s" << "k" << "2"
                              << QByteArray("\xEF\xBB\xBF[s]\nk=2\n");
    QTest::newRow("200 characters stored as 128")
        << QByteArray() << "s" << "k" << QString(200, QLatin1Char('y'))
        << QByteArray("[s]\nk=" + QByteArray(128, 'y') + "\n");
}

void TestIniDocument::setValue()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, expected);
    IniDocument doc = IniDocument::parse(file);
    QVERIFY(doc.setValue(section, key, value));
    QCOMPARE(doc.serialize(), expected);
}

void TestIniDocument::refusesWhatBreaksLines_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("line break in value") << "s" << "k" << "1\nPortNum=99";
    QTest::newRow("= in key") << "s" << "k=1" << "2";
    QTest::newRow("key starts a section") << "s" << "[t]" << "2";
    QTest::newRow("] in section") << "s]x" << "k" << "2";
}

void TestIniDocument::refusesWhatBreaksLines()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QByteArray file = "[s]\nk=1\n";
    IniDocument doc = IniDocument::parse(file);
    QVERIFY(!doc.setValue(section, key, value));
    QCOMPARE(doc.serialize(), file);
}

QTEST_GUILESS_MAIN(TestIniDocument)
#include "test_inidocument.moc"
