#include "ui/art/pictures.h"

#include <QString>

// Resources compiled into a static library are only registered when something refers
// to them, so the accessors register them on first use. Q_INIT_RESOURCE has to be
// expanded outside any namespace.
static void registerArtResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(art);
        return true;
    }();
    (void)registered;
}

namespace tarnwell {
namespace {

QPixmap load(const char *name)
{
    registerArtResources();
    return QPixmap(QStringLiteral(":/tarnwell/art/") + QLatin1String(name));
}

} // namespace

QPixmap programIconPixmap()
{
    return load("program-icon.png");
}

QIcon programIcon()
{
    QIcon icon(programIconPixmap());
    icon.addPixmap(load("program-icon-128.png"));
    return icon;
}

QPixmap bulbUnlitPixmap()
{
    return load("bulb-unlit.png");
}

QPixmap bulbLitPixmap()
{
    return load("bulb-lit.png");
}

QPixmap decorationPixmap()
{
    return load("decoration.png");
}

} // namespace tarnwell
