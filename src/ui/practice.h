#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace tarnwell {

// `tarnwell --practice`: the window on a simulated switch, as ./run.sh starts it. The bundled
// tarnwell-switchsim runs on a pseudo-terminal with the practice site's logins; COM3 in a
// throw-away configuration folder links to it, and this process's XDG_CONFIG_HOME and
// XDG_STATE_HOME name that folder, so the person's own settings and session logs are neither
// read nor changed. When the session ends the simulator is stopped, the folder removed and the
// two variables restored.
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
    // The site: entry switch admin/admin; managed 3600 at 10.0.0.2, admin/admin at level 1,
    // advanced password h3c.
    static QStringList siteArguments();

private:
    void forwardErrors(); // what the simulator wrote to standard error, to ours

    QTemporaryDir m_home;
    QProcess m_simulator;
    QString m_terminal;
    static constexpr const char *kRedirected[] = {"XDG_CONFIG_HOME", "XDG_STATE_HOME"};
    struct Saved {
        const char *name;
        bool wasSet;
        QByteArray value;
    };
    std::vector<Saved> m_saved; // the variables as they were before the session
};

// SIGTERM, SIGINT and SIGHUP end the event loop as closing the window does, so that a practice
// session stopped from the shell still stops its simulator and removes its folder.
void quitOnTerminationSignals();

} // namespace tarnwell
