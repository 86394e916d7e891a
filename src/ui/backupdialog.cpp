#include "ui/backupdialog.h"

#include "backup/configbackups.h"
#include "backup/unifieddiff.h"
#include "base/error.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tarnwell {

BackupDialog::BackupDialog(const ConfigBackups &backups, QWidget *parent) : QDialog(parent), m_backups(backups)
{
    setObjectName(QStringLiteral("BackupDialog"));
    setWindowTitle(QStringLiteral("配置备份"));
    setModal(false);
    resize(860, 560);

    m_switchList = new QComboBox(this);
    m_switchList->setObjectName(QStringLiteral("backupSwitchList"));
    m_backupList = new QListWidget(this);
    m_backupList->setObjectName(QStringLiteral("backupList"));
    m_backupList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_backupList->setMaximumWidth(230);
    m_diffView = new QPlainTextEdit(this);
    m_diffView->setObjectName(QStringLiteral("backupDiff"));
    m_diffView->setReadOnly(true);
    m_diffView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_diffView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_folderLabel = new QLabel(this);
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("交换机："), this));
    top->addWidget(m_switchList, 1);
    auto *middle = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("备份（选两份看变化；选一份看它与前一份的变化）"), this));
    left->addWidget(m_backupList, 1);
    middle->addLayout(left);
    middle->addWidget(m_diffView, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(m_folderLabel);

    connect(m_switchList, &QComboBox::currentIndexChanged, this, &BackupDialog::showBackups);
    connect(m_backupList, &QListWidget::itemSelectionChanged, this, &BackupDialog::showDiff);
    refresh();
}

void BackupDialog::refresh()
{
    const QString current = m_switchList->currentText();
    const QSignalBlocker block(m_switchList);
    m_switchList->clear();
    m_switchList->addItems(m_backups.switches());
    m_switchList->setCurrentIndex(std::max(0, m_switchList->findText(current)));
    m_folderLabel->setText(QStringLiteral("备份文件夹：%1").arg(m_backups.root()));
    showBackups();
}

void BackupDialog::showBackups()
{
    m_backupList->clear();
    m_diffView->clear();
    if (m_switchList->currentText().isEmpty()) {
        m_diffView->setPlainText(QStringLiteral("还没有配置备份。每次“端口列表”或批量操作后的核实完整取得配置列表时，都会自动备份一份。"));
        return;
    }
    for (const QString &path : m_backups.backups(m_switchList->currentText())) {
        auto *item = new QListWidgetItem(QFileInfo(path).completeBaseName(), m_backupList);
        item->setData(Qt::UserRole, path);
    }
    if (m_backupList->count() > 0)
        m_backupList->setCurrentRow(m_backupList->count() - 1);
}

void BackupDialog::showDiff()
{
    QList<int> rows;
    for (QListWidgetItem *item : m_backupList->selectedItems())
        rows << m_backupList->row(item);
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty())
        return;
    const int newer = rows.last();
    const int older = rows.size() > 1 ? rows.first() : newer - 1;
    const QString newPath = m_backupList->item(newer)->data(Qt::UserRole).toString();
    try {
        const QString newText = ConfigBackups::read(newPath);
        if (older < 0) {
            m_diffView->setPlainText(QStringLiteral("这是最早的一份备份：\n\n") + newText);
            return;
        }
        const QString oldPath = m_backupList->item(older)->data(Qt::UserRole).toString();
        const QString diff = unifiedDiff(diffLines(ConfigBackups::read(oldPath)), diffLines(newText),
                                         QFileInfo(oldPath).fileName(), QFileInfo(newPath).fileName());
        m_diffView->setPlainText(diff.isEmpty() ? QStringLiteral("两份备份内容相同。") : diff);
    } catch (const Error &e) {
        m_diffView->setPlainText(e.description());
    }
}

} // namespace tarnwell

#include "moc_backupdialog.cpp" // compiled with this file (and its library's unit), not on its own
