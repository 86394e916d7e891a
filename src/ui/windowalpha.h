#pragma once

#include <QtGlobal>

class QWidget;

namespace tarnwell {

// Sets the constant opacity of a whole window, 0 invisible to 255 opaque. Returns 0 when set,
// 1 when the opacity lies outside 0..255 (nothing is done), 2 when the platform could not do it.
qint32 setWindowAlpha(QWidget *window, qint16 opacity);

} // namespace tarnwell
