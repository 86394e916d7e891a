#include "ui/keybutton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tarnwell {

void KeyButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QStringList chars;
    for (const QChar c : text())
        chars << QString(c);
    option.text = chars.join(QLatin1Char('\n'));
    painter.drawControl(QStyle::CE_PushButton, option);
}

} // namespace tarnwell

#include "moc_keybutton.cpp" // compiled with this file (and its library's unit), not on its own
