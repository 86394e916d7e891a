#pragma once

#include "serial/commsettings.h"

namespace tarnwell {

inline constexpr char kCommSection[] = "h3c_comm";

// Loads the port settings from the settings file, key by key in the order PortNum, Speed,
// Check, Data, Stop, HandShake, each into its field, and then sets settingsLoaded. Does nothing
// when there is no settings file. Throws Error when the file cannot be used (see readIniFile) or
// when PortNum, Speed, Data or HandShake is empty, not a decimal integer or too large for its
// field; the fields read before the failing key keep their new values and settingsLoaded is
// left as it was. A missing Check or Stop loads as empty text.
void loadCommSettings(commSettings &settings, bool &settingsLoaded);

// Stores the six fields in section h3c_comm of the settings file, in one rewrite of the file
// that keeps all its other content; an empty Check is not written. Never throws; false when the
// file was not written (it cannot be written even in place, the disk is full, or a file is there
// that cannot be read as settings and is therefore left alone), and why then says so for the
// user, with what to do.
bool saveCommSettings(const commSettings &settings, QString *why = nullptr);

// The integer value of a settings text: optional sign and decimal digits, within lo..hi.
// Throws Error naming the key and the text otherwise.
qint64 settingsInteger(const char *key, const QString &text, qint64 lo, qint64 hi);

} // namespace tarnwell
