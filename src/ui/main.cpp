#include "tarnwell_version.h"
#include "ui/frmmain.h"
#include "ui/qtchinese.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(tarnwell::version::kAppTitle));
    QApplication::setApplicationVersion(QString::fromUtf8(tarnwell::version::kVersion));
    tarnwell::installQtChinese(&app);
    tarnwell::FrmMain window;
    window.show();
    return app.exec();
}
