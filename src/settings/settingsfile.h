#pragma once

#include "settings/inidocument.h"

#include <QString>
#include <functional>
#include <optional>

namespace tarnwell {

// The folder that holds the settings file, without a trailing separator; filled once at
// start-up by loadSystemDirectory(). Empty until then, and while empty nothing is read or written.
extern QString SystemDirectory;

inline constexpr char kSettingsFileName[] = "h3c_config.ini";
// A settings file is a few hundred bytes; anything larger than this is not read.
inline constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

// SystemDirectory := $XDG_CONFIG_HOME/tarnwell, or ~/.config/tarnwell when the variable is unset,
// empty or not an absolute path; the folder is created when missing. A folder that cannot be
// created is not an error here: reading then finds no file and writing fails quietly.
void loadSystemDirectory();

// SystemDirectory + "/h3c_config.ini"; empty while SystemDirectory is empty.
QString settingsFilePath();

// Reads an INI file. Nothing when no file is at the path. Throws Error, without touching the
// file, when something is there that cannot be used: a folder or other non-regular file, a file
// larger than kMaxSettingsFileSize, one that cannot be opened or read, or binary data.
std::optional<IniDocument> readIniFile(const QString &path);

// Replaces the file with the document: the bytes go to a new file beside it, which is renamed
// over the old one only when completely written. Where no new file can be made there (a folder
// without write permission) but the file itself is writable, the file is rewritten in place;
// old holds its present bytes, which are put back should that write fail half way. False when
// the file was not written; why then says why, in words for the user.
bool writeIniFile(const QString &path, const IniDocument &doc, const QByteArray &old,
                  QString *why = nullptr);

// Reads the settings file (or starts an empty document when there is none), lets edit change
// it, and writes it back when edit returned true and something changed. False when edit refused,
// when the file cannot be read as settings (it is then left alone) or when the write failed;
// why then says why.
bool updateSettingsFile(const std::function<bool(IniDocument &)> &edit, QString *why = nullptr);

// The value of the key in the section of the settings file, as IniDocument::value gives it;
// empty when the file, the section or the key is missing or the file cannot be used.
QString readIni(const QString &section, const QString &key);

// Sets the key in the section of the settings file (value cut to 128 characters), creating the
// file, the section or the key when missing. True when written. A file that cannot be read as
// settings is left alone (false), so that a write never destroys what is there.
bool writeIni(const QString &section, const QString &key, const QString &value);

} // namespace tarnwell
