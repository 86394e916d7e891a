#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;

namespace tarnwell {

class ConfigBackups;

// 配置备份: pick a switch, see the listings kept of it (newest last), and what changed between
// two of them as a unified diff (one picked: against the one before it).
class BackupDialog : public QDialog {
    Q_OBJECT
public:
    BackupDialog(const ConfigBackups &backups, QWidget *parent = nullptr);
    // Reads the folders again (a listing may have been kept since).
    void refresh();

private:
    void showBackups();
    void showDiff();

    const ConfigBackups &m_backups;
    QComboBox *m_switchList = nullptr;
    QListWidget *m_backupList = nullptr;
    QPlainTextEdit *m_diffView = nullptr;
    QLabel *m_folderLabel = nullptr;
};

} // namespace tarnwell
