#include "ui/art/pictures.h"
#include "ui/art/windowfont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QRawFont>
#include <QtTest>

using namespace tarnwell;

class TestArt : public QObject
{
    Q_OBJECT

private slots:
    void pictureSizes_data();
    void pictureSizes();
    void iconIsRedOnLight();
    void lampsDiffer();
    void programIconForWindows();
    void windowFontHasChinese_data();
    void windowFontHasChinese();
};

void TestArt::pictureSizes_data()
{
    QTest::addColumn<QPixmap>("picture");
    QTest::addColumn<QSize>("size");

    QTest::newRow("program icon") << programIconPixmap() << QSize(60, 47);
    QTest::newRow("bulb unlit") << bulbUnlitPixmap() << QSize(32, 32);
    QTest::newRow("bulb lit") << bulbLitPixmap() << QSize(32, 32);
    QTest::newRow("decoration") << decorationPixmap() << QSize(130, 113);
}

void TestArt::pictureSizes()
{
    QFETCH(QPixmap, picture);
    QFETCH(QSize, size);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), size);
}

void TestArt::iconIsRedOnLight()
{
    const QImage icon = programIconPixmap().toImage();
    QVERIFY(!icon.isNull());
    // Ground near the upper left corner, inside the border.
    const QColor ground = icon.pixelColor(3, 4);
    QVERIFY2(ground.lightness() > 200, qPrintable(ground.name()));
    QCOMPARE(ground.alpha(), 255);
    // Middle of the left stem of the H.
    const QColor letter = icon.pixelColor(6, 16);
    QVERIFY2(letter.red() > 180 && letter.green() < 80 && letter.blue() < 80,
             qPrintable(letter.name()));
}

void TestArt::lampsDiffer()
{
    const QImage unlit = bulbUnlitPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage lit = bulbLitPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(unlit != lit);
    // The lit glass is yellow, the unlit one grey.
    const QColor on = lit.pixelColor(20, 9);
    const QColor off = unlit.pixelColor(20, 9);
    QVERIFY2(on.red() > 200 && on.green() > 150 && on.blue() < 120, qPrintable(on.name()));
    QVERIFY2(qAbs(off.red() - off.blue()) < 40, qPrintable(off.name()));
}

void TestArt::programIconForWindows()
{
    const QIcon icon = programIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(60, 47)));
}

void TestArt::windowFontHasChinese_data()
{
    QTest::addColumn<qreal>("pointSize");
    QTest::newRow("9") << qreal(9);
    QTest::newRow("12") << qreal(12);
    QTest::newRow("14.25") << qreal(14.25);
    QTest::newRow("18") << qreal(18);
}

void TestArt::windowFontHasChinese()
{
    QFETCH(qreal, pointSize);
    const QFont font = windowFont(pointSize);
    QCOMPARE(font.pointSizeF(), pointSize);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic());

    // The face actually chosen covers Chinese itself, not only through fallback.
    const QString chosen = QFontInfo(font).family();
    QVERIFY2(QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(chosen),
             qPrintable(chosen));
    const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
    QVERIFY(raw.isValid());
    for (const char32_t ch : {U'帮', U'助', U'点', U'击', U'开', U'启', U'绑', U'定', U'，', U'。'})
        QVERIFY2(raw.supportsCharacter(ch), qPrintable(QString::number(uint(ch), 16)));
    // The same face carries the Latin captions and digits.
    QVERIFY(raw.supportsCharacter(U'H'));
    QVERIFY(raw.supportsCharacter(U'3'));
}

QTEST_MAIN(TestArt)
#include "test_art.moc"
