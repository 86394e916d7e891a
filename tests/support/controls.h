#pragma once

#include <QString>
#include <QWidget>

namespace tarnwell::test {

// A control of a window by its form name (its objectName), as UI automation finds it.
template <typename T = QWidget>
T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromUtf8(name));
    Q_ASSERT_X(found, "control", name);
    return found;
}

} // namespace tarnwell::test
