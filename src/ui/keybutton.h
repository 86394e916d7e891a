#pragma once

#include <QPushButton>

namespace tarnwell {

// A narrow key button whose caption stands one character per line (the terminal's key column).
// text() stays the plain caption.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tarnwell
