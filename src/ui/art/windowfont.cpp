#include "ui/art/windowfont.h"

#include <QFontDatabase>

namespace tarnwell {

QStringList windowFontFamilies()
{
    QStringList families{QStringLiteral("宋体"),           QStringLiteral("SimSun"),
                         QStringLiteral("NSimSun"),        QStringLiteral("AR PL UMing CN"),
                         QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Zen Hei")};
    // Last resort on machines without either face: any face with Chinese glyphs, so that
    // captions never fall back to a Latin-only font and show empty boxes.
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString &family : chinese) {
        if (!families.contains(family, Qt::CaseInsensitive)
            && !QFontDatabase::isPrivateFamily(family)) {
            families.append(family);
            break;
        }
    }
    return families;
}

QFont windowFont(qreal pointSize)
{
    QFont font;
    font.setFamilies(windowFontFamilies());
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    return font;
}

} // namespace tarnwell
