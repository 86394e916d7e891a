#include "ui/help/helptext.h"

#include <QCryptographicHash>
#include <QtTest>

using tarnwell::helpText;

namespace {

QStringList paragraphs()
{
    return helpText().split(QStringLiteral("\r\n\r\n"));
}

} // namespace

class TestHelpText : public QObject
{
    Q_OBJECT

private slots:
    void paragraphCount();
    void lineBreaksAreCrLf();
    void paragraphTenBreaksOnce();
    void checksum();
    void punctuation_data();
    void punctuation();
};

void TestHelpText::paragraphCount()
{
    const QStringList paras = paragraphs();
    QCOMPARE(paras.size(), 21);
    for (const QString &p : paras) {
        QVERIFY2(!p.isEmpty(), "empty paragraph: a separator with more than one empty line");
        QVERIFY2(!p.startsWith(QLatin1Char('\r')) && !p.startsWith(QLatin1Char('\n')),
                 qPrintable(p.left(20)));
    }
    QVERIFY(paras.first().startsWith(QStringLiteral("感谢使用")));
    QVERIFY(paras.last().endsWith(QStringLiteral("方可进行调试。")));
}

void TestHelpText::lineBreaksAreCrLf()
{
    const QString text = helpText();
    int crlf = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r')) {
            QVERIFY2(i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'),
                     qPrintable(QStringLiteral("lone CR at %1").arg(i)));
            ++crlf;
        } else if (text.at(i) == QLatin1Char('\n')) {
            QVERIFY2(i > 0 && text.at(i - 1) == QLatin1Char('\r'),
                     qPrintable(QStringLiteral("lone LF at %1").arg(i)));
        }
    }
    // Two per separator between 21 paragraphs, one inside paragraph 10.
    QCOMPARE(crlf, 20 * 2 + 1);
    QVERIFY(!text.endsWith(QLatin1Char('\n')));
    QVERIFY(!text.contains(QChar(0x2028)) && !text.contains(QChar(0x2029)));
}

void TestHelpText::paragraphTenBreaksOnce()
{
    const QStringList paras = paragraphs();
    QCOMPARE(paras.size(), 21);
    for (int i = 0; i < paras.size(); ++i) {
        const int inside = int(paras.at(i).count(QStringLiteral("\r\n")));
        QCOMPARE(inside, i == 9 ? 1 : 0);
    }
    const QStringList lines = paras.at(9).split(QStringLiteral("\r\n"));
    QVERIFY(lines.at(0).endsWith(QStringLiteral("不仅极大方便了很少调试交换机的生手，也适合将")));
    QCOMPARE(lines.at(1), QStringLiteral("交换机信息批量复制到excel，分隔符为Tab。"));
}

void TestHelpText::checksum()
{
    // Taken once from the approved wording, checked character by character.
    const QByteArray utf8 = helpText().toUtf8();
    QCOMPARE(helpText().size(), 1335);
    // Every blank in the text is an ASCII blank.
    QVERIFY(!helpText().contains(QChar(0x3000)));
    QCOMPARE(QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex(),
             QByteArray("f106697e2e9f21d6c465afcd16629b80ab2dcf26ae112db8921b67c829a20154"));
}

void TestHelpText::punctuation_data()
{
    QTest::addColumn<int>("paragraph");
    QTest::addColumn<QString>("piece");

    // Half-width question mark, a blank, then a full-width comma.
    QTest::newRow("6: blank before full-width comma") << 6 << QStringLiteral("发送一个? ，也就是");
    // An ASCII blank where a comma would be expected.
    QTest::newRow("17: blank before 建议") << 17 << QStringLiteral("解绑或绑定 建议先点击");
    QTest::newRow("17: full-width brackets") << 17 << QStringLiteral("3100（仅绑定Mac）还是");
    QTest::newRow("17: half-width brackets") << 17 << QStringLiteral("3600(同时绑定Mac和IP)，");
    QTest::newRow("18: half-width comma") << 18 << QStringLiteral("或类似,您仅需填写");
    QTest::newRow("19: half-width comma") << 19 << QStringLiteral("或类似,您仅需填写");
    QTest::newRow("18: slash") << 18 << QStringLiteral("点击绑定/解绑即可。");
    QTest::newRow("15: curly quotes") << 15 << QStringLiteral("填写“管理IP”、“用户名”、“密码”，");
    QTest::newRow("15: prompts") << 15 << QStringLiteral("命令提示符为]的模式");
    QTest::newRow("16: ascii colon in quotes") << 16 << QStringLiteral("显示“username:”后");
    QTest::newRow("3: chr(13)") << 3 << QStringLiteral("自动加一个chr(13)发送出去。");
    QTest::newRow("3: 回车健 as written") << 3 << QStringLiteral("直接回车健就可以");
    QTest::newRow("4: dis cu") << 4 << QStringLiteral("H3C交换机dis cu时");
    QTest::newRow("9: asterisk") << 9 << QStringLiteral("均以*表示，");
    QTest::newRow("21: 9600 n 8 1") << 21 << QStringLiteral("一般是9600 n 8 1居多，");
    QTest::newRow("21: full-width brackets") << 21 << QStringLiteral("。（首次使用仅启用默认值）。");
}

void TestHelpText::punctuation()
{
    QFETCH(int, paragraph);
    QFETCH(QString, piece);
    const QStringList paras = paragraphs();
    QCOMPARE(paras.size(), 21);
    QVERIFY2(paras.at(paragraph - 1).contains(piece), qPrintable(paras.at(paragraph - 1)));
}

QTEST_APPLESS_MAIN(TestHelpText)
#include "test_helptext.moc"
