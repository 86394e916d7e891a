#include "ui/windowalpha.h"

#include <QWidget>

namespace tarnwell {

qint32 setWindowAlpha(QWidget *window, qint16 opacity)
{
    if (opacity < 0 || opacity > 255)
        return 1;
    if (!window || !window->isWindow())
        return 2;
    window->setWindowOpacity(opacity / 255.0);
    return 0;
}

} // namespace tarnwell
