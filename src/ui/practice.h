#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarnwell {

// `tarnwell --practice` (what ./run.sh starts): the window on a simulated switch. The bundled
// tarnwell-switchsim runs on a pseudo-terminal with the practice site's logins, at a real
// console's 9600 baud; COM3 in a throw-away configuration folder links to it, and this
// process's XDG_CONFIG_HOME names that folder, so the person's own settings are neither read nor
// changed. The session logs stay in the person's log folder (the window marks them as
// practice). When the session ends the simulator is stopped, the folder removed and the
// variable restored.
class PracticeSession {
public:
    // Throws Error when the simulator cannot be found or does not come up. extraArguments go
    // to the simulator after the site's own (TARNWELL_SIM_OPTIONS by default).
    explicit PracticeSession(const QString &simulator = bundledSimulator(),
                             const QStringList &extraArguments = optionsFromEnvironment());
    ~PracticeSession();
    PracticeSession(const PracticeSession &) = delete;
    PracticeSession &operator=(const PracticeSession &) = delete;

    QString configHome() const { return m_home.path(); }
    QString terminalPath() const { return m_terminal; }

    // tarnwell-switchsim beside the program (installed), else in the build tree.
    static QString bundledSimulator();
    static QStringList optionsFromEnvironment();
    // The site: a 9600 baud console; entry switch admin/admin; managed 3600 at 10.0.0.2,
    // admin/admin at level 1, advanced password h3c.
    static QStringList siteArguments();
    // The site and where the simulator runs, for the person at the shell.
    QString siteText() const;

private:
    void forwardErrors(); // what the simulator wrote to standard error, to ours

    QTemporaryDir m_home;
    QProcess m_simulator;
    QString m_terminal;
    QStringList m_extra;
    // XDG_CONFIG_HOME and XDG_DATA_HOME as they were before the session (null: unset).
    QByteArray m_config, m_data;
};

// SIGTERM, SIGINT and SIGHUP end the event loop as closing the window does, so that a practice
// session stopped from the shell still stops its simulator and removes its folder.
void quitOnTerminationSignals();

} // namespace tarnwell
