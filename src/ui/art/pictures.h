#pragma once

#include <QIcon>
#include <QPixmap>

// The pictures drawn for this program, loaded from the library's built-in resources.
// Callers need a QGuiApplication; nothing else has to be set up.
namespace tarnwell {

// Red H3C on a light ground, 60 x 47: the window icon and Image1.
QPixmap programIconPixmap();
// The program icon at 60 x 47 and 128 x 128, for window decorations and task bars.
QIcon programIcon();
// Communication lamp, 32 x 32 each: Image2 (unlit) and Image3 (lit).
QPixmap bulbUnlitPixmap();
QPixmap bulbLitPixmap();
// Switch front panel with a console cable, 130 x 113: Image4.
QPixmap decorationPixmap();

} // namespace tarnwell
