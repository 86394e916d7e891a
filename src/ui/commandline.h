#pragma once

#include <QString>
#include <QStringList>

namespace tarnwell {

// The program's command line, read before anything needs a display:
//   --practice     the window on the bundled simulated switch
//   -h, --help     the usage on standard output
//   --version      the version on standard output
// Qt's own -platform, -display and -style (each with its value, also written with two dashes)
// are left to Qt. Any other word is refused, also together with --help.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    bool practice = false;
    QString platform; // Qt's -platform, when given
    QString refused; // for Refuse: the word refused, or the option lacking its value
    bool missingValue = false;
};

// arguments: without the program's name.
CommandLine parseCommandLine(const QStringList &arguments);

// The usage of --help (UTF-8 text), naming the folders in effect now.
QString usageText();

} // namespace tarnwell
