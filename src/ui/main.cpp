#include "base/usermessages.h"
#include "tarnwell_version.h"
#include "ui/frmmain.h"
#include "ui/messageboxes.h"
#include "ui/practice.h"
#include "ui/qtchinese.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(tarnwell::version::kAppTitle));
    QApplication::setApplicationVersion(QString::fromUtf8(tarnwell::version::kVersion));
    tarnwell::installQtChinese(&app);
    tarnwell::useMessageBoxes();
    // --practice: the window on the bundled simulated switch, in a throw-away settings folder.
    std::unique_ptr<tarnwell::PracticeSession> practice;
    if (QApplication::arguments().contains(QStringLiteral("--practice"))
        && !tarnwell::trapErrors([&] { practice = std::make_unique<tarnwell::PracticeSession>(); }))
        return 1;
    if (practice)
        tarnwell::quitOnTerminationSignals();
    tarnwell::FrmMain window;
    window.show();
    return app.exec();
}
