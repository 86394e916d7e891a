#pragma once

#include <QObject>
#include <QTimer>

namespace tarnwell {

// Stops the text cursor's blinking after a spell without typing or clicking, as GTK desktops do
// (gtk-cursor-blink-timeout): a console left open for hours then wakes only for the lamp, and a
// blinking input line, redrawn twice a second, costs more than everything else when idle. The
// cursor stays shown; the next key, click or focus change makes it blink again. Works on the
// whole application through the style hints, which every Qt text box follows at once.
class CursorBlinkTimeout : public QObject {
public:
    explicit CursorBlinkTimeout(int timeoutMs = 10000, QObject *parent = nullptr);
    ~CursorBlinkTimeout() override; // blinking as the platform had it

    bool blinking() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wake();

    const int m_flashTime; // the platform's own; 0 when the person turned blinking off
    QTimer m_quiet;
};

} // namespace tarnwell
