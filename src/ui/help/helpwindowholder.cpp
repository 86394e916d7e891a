#include "ui/help/helpwindowholder.h"

#include "ui/help/frmhelp.h"

namespace tarnwell {

HelpWindowHolder::~HelpWindowHolder()
{
    // A window still open, or closed but not yet deleted by the event loop.
    delete m_window.data();
}

FrmHelp *HelpWindowHolder::showHelp()
{
    FrmHelp *help = window();
    if (!help) {
        // A closed window may still await its deferred deletion; it goes on its own.
        help = new FrmHelp;
        m_window = help;
    }
    help->setWindowState(help->windowState() & ~Qt::WindowMinimized);
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

void HelpWindowHolder::closeHelpWindow()
{
    if (FrmHelp *help = window())
        help->close();
}

FrmHelp *HelpWindowHolder::window() const
{
    // Closing hides the window before its deferred deletion: a hidden one counts as gone.
    if (m_window && !m_window->isHidden())
        return m_window.data();
    return nullptr;
}

} // namespace tarnwell
