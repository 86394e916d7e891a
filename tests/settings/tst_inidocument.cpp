#include "settings/inidocument.h"

#include <QRandomGenerator>
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
    void arbitraryBytes();
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
    QTest::newRow("blanks around = and value") << QByteArray("[h3c_comm]\n  PortNum  =  \t 5 \t\n")
                                               << "h3c_comm" << "PortNum" << "5";
    QTest::newRow("CRLF line ends") << QByteArray("[h3c_comm]\r\nPortNum=5\r\nData=8\r\n")
                                    << "h3c_comm" << "PortNum" << "5";
    QTest::newRow("last line without end") << QByteArray("[h3c_comm]\nData=8")
                                           << "h3c_comm" << "Data" << "8";
    QTest::newRow("indented header with blanks inside") << QByteArray("  [ h3c_comm ]  \nData=8\n")
                                                        << "h3c_comm" << "Data" << "8";
    QTest::newRow("enclosing quotes dropped") << QByteArray("[s]\nk=\"  a b \"\n") << "s" << "k" << "a b";
    QTest::newRow("UTF-8 BOM before the header") << QByteArray("\xEF\xBB\xBF[h3c_comm]\nData=8\n")
                                                 << "h3c_comm" << "Data" << "8";
    QTest::newRow("key of another section") << QByteArray("[other]\nData=5\n[h3c_comm]\nSpeed=1\n")
                                            << "h3c_comm" << "Data" << "";
    QTest::newRow("key before any section") << QByteArray("Data=5\n[h3c_comm]\n") << "h3c_comm" << "Data" << "";
    QTest::newRow("first key wins") << QByteArray("[s]\nk=1\nk=2\n") << "s" << "k" << "1";
    QTest::newRow("first section wins") << QByteArray("[s]\na=1\n[t]\n[s]\nk=2\n") << "s" << "k" << "";
    QTest::newRow("key without =") << QByteArray("[s]\nk\n") << "s" << "k" << "";
    QTest::newRow("commented out") << QByteArray("[s]\n;k=1\n  ; k=2\n") << "s" << "k" << "";
    QTest::newRow("header without ]") << QByteArray("[s]\n[t\nk=1\n") << "s" << "k" << "1";
    QTest::newRow("= inside the value") << QByteArray("[s]\nk=a=b\n") << "s" << "k" << "a=b";
    QTest::newRow("cut at NUL") << QByteArray("[s]\nk=ab\0cd\n", 12) << "s" << "k" << "ab";
    const QString long200 = QString(200, QLatin1Char('x'));
    QTest::newRow("200 characters read as 127") << QByteArray("[s]\nk=" + long200.toLatin1() + "\n")
                                                << "s" << "k" << long200.left(127);
    // 126 ASCII bytes and a three-byte character that the 127-byte cut would split.
    QTest::newRow("cut keeps whole characters")
        << QByteArray("[s]\nk=" + QByteArray(126, 'a') + "\xE4\xB8\xAD" + "\n")
        << "s" << "k" << QString(126, QLatin1Char('a'));
    QTest::newRow("spaces after the cut dropped")
        << QByteArray("[s]\nk=" + QByteArray(100, 'a') + QByteArray(50, ' ') + "b\n")
        << "s" << "k" << QString(100, QLatin1Char('a'));
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
    QTest::newRow("in place, CRLF kept, rest untouched")
        << QByteArray("; mine\r\n[a]\r\nx = 1\r\n[H3C_COMM]\r\n  portnum = 5 ; old\r\nFoo=bar\r\n")
        << "h3c_comm" << "PortNum" << "9"
        << QByteArray("; mine\r\n[a]\r\nx = 1\r\n[H3C_COMM]\r\n  portnum=9\r\nFoo=bar\r\n");
    QTest::newRow("key without = gets its value")
        << QByteArray("[s]\nk\nz=1\n") << "s" << "k" << "v" << QByteArray("[s]\nk=v\nz=1\n");
    QTest::newRow("new key after the section's last key, not after its trailing comment")
        << QByteArray("[s]\na=1\n\n; next\n[t]\nb=2\n") << "s" << "k" << "v"
        << QByteArray("[s]\na=1\nk=v\n\n; next\n[t]\nb=2\n");
    QTest::newRow("new key in an empty section") << QByteArray("[s]\n[t]\n") << "s" << "k" << "v"
                                                 << QByteArray("[s]\nk=v\n[t]\n");
    QTest::newRow("new key, section is the last line without end")
        << QByteArray("[s]") << "s" << "k" << "v" << QByteArray("[s]\nk=v");
    QTest::newRow("new section takes the file's CRLF")
        << QByteArray("[t]\r\nb=2") << "s" << "k" << "v" << QByteArray("[t]\r\nb=2\r\n[s]\r\nk=v");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[s]\nk=1\n") << "s" << "k" << "2"
                              << QByteArray("\xEF\xBB\xBF[s]\nk=2\n");
    QTest::newRow("200 characters stored as 128")
        << QByteArray() << "s" << "k" << QString(200, QLatin1Char('y'))
        << QByteArray("[s]\nk=" + QByteArray(128, 'y') + "\n");
    QTest::newRow("cut before NUL") << QByteArray() << "s" << "k" << QString::fromLatin1("ab\0cd", 5)
                                    << QByteArray("[s]\nk=ab\n");
    QTest::newRow("empty value") << QByteArray("[s]\nk=1\n") << "s" << "k" << ""
                                 << QByteArray("[s]\nk=\n");
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
    QTest::newRow("CR in value") << "s" << "k" << "1\r";
    QTest::newRow("= in key") << "s" << "k=1" << "2";
    QTest::newRow("key starts a section") << "s" << "[t]" << "2";
    QTest::newRow("key starts a comment") << "s" << ";k" << "2";
    QTest::newRow("empty key") << "s" << " " << "2";
    QTest::newRow("] in section") << "s]x" << "k" << "2";
    QTest::newRow("line break in section") << "s\n[t" << "k" << "2";
    QTest::newRow("empty section") << "" << "k" << "2";
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

// Random byte soup built from the characters the parser cares about: parsing gives back every
// byte, a read never exceeds 127 characters, and a value just set is what the next parse of
// the written bytes reads.
void TestIniDocument::arbitraryBytes()
{
    static const char alphabet[] = "[]=;\"' \t\r\n\r\nks_S\0\xEF\xBB\xBF\xE4\xB8\xAD\x80\xFF";
    const int alphabetSize = int(sizeof alphabet) - 1;
    QRandomGenerator rng(20240607);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int n = rng.bounded(200);
        for (int i = 0; i < n; ++i) {
            if (rng.bounded(8) == 0)
                bytes += QByteArray(rng.bounded(160), 'x'); // long values
            else
                bytes += alphabet[rng.bounded(alphabetSize)];
        }
        IniDocument doc = IniDocument::parse(bytes);
        QCOMPARE(doc.serialize(), bytes);
        for (const char *key : {"k", "K", "x", "s"})
            QVERIFY2(doc.value(QStringLiteral("s"), QLatin1String(key)).size() <= 127, bytes.toHex());

        const QString value = QStringLiteral("v%1").arg(round);
        QVERIFY(doc.setValue(QStringLiteral("S"), QStringLiteral("k"), value));
        QCOMPARE(doc.value(QStringLiteral("s"), QStringLiteral("K")), value);
        QCOMPARE(IniDocument::parse(doc.serialize()).value(QStringLiteral("s"), QStringLiteral("k")),
                 value);
    }
}

QTEST_GUILESS_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
