#pragma once

#include <QPointer>

namespace tarnwell {

class FrmHelp;

// Keeps the one help window: showHelp() creates it on first use and shows the same
// window again while it is open; once the user closes it, the next showHelp() makes a
// new one (text at the top). The owner closes it at shutdown with closeHelpWindow().
class HelpWindowHolder
{
public:
    HelpWindowHolder() = default;
    ~HelpWindowHolder();
    HelpWindowHolder(const HelpWindowHolder &) = delete;
    HelpWindowHolder &operator=(const HelpWindowHolder &) = delete;

    // Shows the help window (creating it first if needed), restored and raised.
    FrmHelp *showHelp();
    // Closes the help window if one is open; it deletes itself.
    void closeHelpWindow();
    // The open help window, or nullptr.
    FrmHelp *window() const;

private:
    QPointer<FrmHelp> m_window;
};

} // namespace tarnwell
