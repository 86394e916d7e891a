#pragma once

#include <QFont>
#include <QStringList>

namespace tarnwell {

// Faces asked for, in order: 宋体/SimSun as the windows were designed with, then
// WenQuanYi Zen Hei (Debian's fonts-wqy-zenhei), then the first other installed face
// that covers Simplified Chinese. Needs a QGuiApplication.
QStringList windowFontFamilies();

// The window font at the given size: regular weight, upright, CJK glyphs available.
QFont windowFont(qreal pointSize);

} // namespace tarnwell
