#pragma once

class QCoreApplication;

namespace tarnwell {

// Loads Qt's own Simplified Chinese translations (Debian's qt6-translations-l10n) into the
// application, whatever the system's language: the texts Qt draws itself, such as the message
// box's OK button, the text boxes' context menus and the serial port's error descriptions,
// then read in Chinese like the rest of the window. Returns false when Qt's base catalogue is
// missing; the program then runs with Qt's English texts.
bool installQtChinese(QCoreApplication *app);

} // namespace tarnwell
