#pragma once

#include <QFont>
#include <QStringList>

namespace tarnwell {

// Faces asked for, in order: 宋体/SimSun as the windows were designed with; then the Song
// (Ming) faces Debian ships, AR PL UMing CN (fonts-arphic-uming, which the package depends
// on) and Noto Serif CJK SC; then WenQuanYi Zen Hei; then the first other installed face
// that covers Simplified Chinese. Later faces also supply glyphs an earlier one lacks.
// Needs a QGuiApplication.
QStringList windowFontFamilies();

// The window font at the given size: regular weight, upright, CJK glyphs available.
QFont windowFont(qreal pointSize);

} // namespace tarnwell
