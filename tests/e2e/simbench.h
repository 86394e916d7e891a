#pragma once

// The real main window, offscreen, on COM3 pointed at a running tarnwell-switchsim: the program
// as a technician meets a switch, with helpers that act like the person at the keyboard (wait
// for the switch's prompt before the next click; the scripts themselves stay blind).

#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"

#include <QProcess>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <memory>

namespace tarnwell::test {

// Generous waits: a loaded two-core machine may be slow to answer, never wrong.
inline constexpr int kPromptTimeoutMs = 20000;
inline constexpr int kReportTimeoutMs = 30000;

// tarnwell-switchsim run as a child process; stopped (SIGTERM) when destroyed.
class SimulatedSwitch {
public:
    SimulatedSwitch() = default;
    ~SimulatedSwitch();
    SimulatedSwitch(const SimulatedSwitch &) = delete;
    SimulatedSwitch &operator=(const SimulatedSwitch &) = delete;

    // Starts the simulator and waits for the terminal path on its first output line.
    // False with the reason in `error` when it did not come up.
    bool start(const QStringList &arguments, QString &error);
    QString terminalPath() const { return m_path; }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Stops it; true when it ended by itself on SIGTERM with status 0.
    bool stop();

private:
    QProcess m_process;
    QString m_path;
};

// One window talking to one simulator over COM3, inside a throw-away configuration directory.
class SimBench {
public:
    SimBench() = default;
    ~SimBench();

    // Starts the simulator with `simArguments`, links COM3 to it, creates the window and opens
    // the port. False with the reason in `error`.
    bool start(const QStringList &simArguments, QString &error);

    FrmMain &w() { return *m_window; }
    QString text() const { return m_window->terminal().text(); }
    // Position in the terminal text to search from for what the next action brings.
    qsizetype mark() const { return text().size(); }
    // The terminal text from `from` on (empty when the terminal was emptied since).
    QString since(qsizetype from) const { return text().mid(from); }

    // Waits, by the serial receive event, until the terminal text holds `marker` at or after
    // `from`. False when it did not come within the time.
    bool waitForText(const QString &marker, qsizetype from, int timeoutMs = kPromptTimeoutMs);
    // Types a line into the input line and presses 回车; what the switch answers starts at the
    // returned mark.
    qsizetype typeLine(const QString &line);
    // Clicks a script's button and waits for the script's end, its message shown.
    void run(QPushButton *button);
    // Clicks 端口列表 and waits for the report (the capture takes about nine seconds). Returns
    // the report text, or an empty string when none came.
    QString capture();
    // Empties the five login boxes, so that the port scripts send no login lines.
    void clearLoginBoxes();

    ConfigHome home;
    MessageRecorder boxes;
    SimulatedSwitch sim;

private:
    std::unique_ptr<FrmMain> m_window;
};

// The data line of the report for port "1/0/N", without its CR LF; empty when there is none.
QString reportRow(const QString &report, const QString &port);
// The port names of the report's data lines, in order.
QStringList reportPorts(const QString &report);

// Runs tarnwell-report on `terminalText` written to a file in GBK, as a saved terminal log is.
// Returns its standard output; `ok` is false when it did not run or exited non-zero.
QByteArray runReportTool(const QString &terminalText, const QStringList &arguments, bool &ok);

} // namespace tarnwell::test
