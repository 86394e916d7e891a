#include "ui/qtchinese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tarnwell {

bool installQtChinese(QCoreApplication *app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool base = false;
    for (const char *catalogue : {"qtbase_zh_CN", "qtserialport_zh_CN"}) {
        auto *translator = new QTranslator(app);
        if (translator->load(QString::fromLatin1(catalogue), folder)
            && QCoreApplication::installTranslator(translator)) {
            base |= qstrcmp(catalogue, "qtbase_zh_CN") == 0;
        } else {
            delete translator;
        }
    }
    return base;
}

} // namespace tarnwell
