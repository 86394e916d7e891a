#pragma once

#include <QRect>
#include <QWidget>

namespace tarnwell {

// Layout is given in twips; 15 twips are one pixel at 96 dpi (Qt scales on high-DPI screens).
constexpr int twips(int t) { return t / 15; }

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

inline void placeTwips(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

} // namespace tarnwell
