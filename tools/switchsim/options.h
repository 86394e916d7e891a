#pragma once

#include "simulator.h"

#include <QString>
#include <QStringList>

namespace tarnwell::sim {

struct Options {
    std::vector<Simulator::Switch> switches; // entry switch first, then the managed switch
    int lineDelayMs = 0;
    int logEveryMs = 0;
    int baud = 0;
    int bootWaitSeconds = 3;
    bool xmodemChecksum = false;
    QString downloadTo;
    QString pathFile;
    QString link;
    bool trace = false;
};

enum class OptionsResult { Run, Exit, Error };

// Reads the command line. Exit after --help or --version (the text is in `message`); Error with
// the reason in `message`.
OptionsResult parseOptions(const QStringList &arguments, Options &options, QString &message);

} // namespace tarnwell::sim
