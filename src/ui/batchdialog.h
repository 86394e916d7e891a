#pragma once

#include "batch/batchtable.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace tarnwell {

class ConsoleSession;

// 批量绑定: a table of bindings pasted from a spreadsheet (Ctrl+V) or typed, each row checked
// as it comes (a marked row shows its reason, and 开始 stays disabled while any row is marked),
// run as one batch of bindings or unbindings on the session. Each row shows its outcome and,
// after the listing taken at the end, whether the switch holds it; 复制结果 copies the table
// for a spreadsheet. The dialog does not hold the batch up: it shows what the batch reports.
// Esc stops the batch between rows (and closes the dialog when nothing runs).
class BatchDialog : public QDialog {
    Q_OBJECT
public:
    BatchDialog(ConsoleSession &session, QWidget *parent = nullptr);

    // Puts pasted text into the table (replacing what it holds) and checks every row.
    void pasteTable(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum Column { Port, Vlan, Mac, Ip, Check, Outcome, Verified, kColumns };
    bool needsIp() const;
    // The rows as the table holds them, checked.
    BatchTable tableRows() const;
    void showRows(const BatchTable &table);
    void recheck();
    void start();
    void showOutcome(int row);
    void showEnd();
    void updateButtons();

    ConsoleSession &m_session;
    QTableWidget *m_table = nullptr;
    QRadioButton *m_bindChoice = nullptr;
    QRadioButton *m_unbindChoice = nullptr;
    QCheckBox *m_skipRefusedBox = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_copyButton = nullptr;
    QLabel *m_statusLabel = nullptr;
    bool m_filling = false; // the table is being filled: no check per cell
};

} // namespace tarnwell
