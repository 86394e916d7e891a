#pragma once

#include <QSize>
#include <QWidget>

class QPlainTextEdit;

namespace tarnwell {

// The help window: a top-level window without owner that shows helpText() in one
// read-only, selectable text box filling its client area. Deletes itself when closed.
class FrmHelp : public QWidget
{
    Q_OBJECT

public:
    FrmHelp();

    // Client size at first show: 8505 x 5745 twips, 567 x 383 pixels at 96 dpi.
    static constexpr QSize kClientSize{567, 383};

    QPlainTextEdit *txtHelp() const { return TxtHelp; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void centreOnScreen();

    QPlainTextEdit *TxtHelp;
    bool m_placed = false;
};

} // namespace tarnwell
