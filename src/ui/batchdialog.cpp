#include "ui/batchdialog.h"

#include "base/usermessages.h"
#include "session/consolesession.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarnwell {

namespace {

const QColor kMarked(0xFF, 0xD0, 0xD0);

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

BatchDialog::BatchDialog(ConsoleSession &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("BatchDialog"));
    setWindowTitle(QStringLiteral("批量绑定"));
    setModal(false);
    resize(980, 520);

    auto *hint = new QLabel(QStringLiteral("从电子表格复制各行（端口、VLAN、MAC，3600 还要 IP），在表格里按 Ctrl+V 粘贴；"
                                           "标题行自动跳过，单元格可以直接修改。登录用主窗口“绑定”框里的用户名和密码。"),
                            this);
    hint->setWordWrap(true);
    m_table = new QTableWidget(0, kColumns, this);
    m_table->setObjectName(QStringLiteral("batchTable"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("端口"), QStringLiteral("VLAN"), QStringLiteral("MAC"), QStringLiteral("IP"),
         QStringLiteral("检查"), QStringLiteral("结果"), QStringLiteral("核实")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(Port, 50);
    m_table->setColumnWidth(Vlan, 50);
    m_table->setColumnWidth(Mac, 120);
    m_table->setColumnWidth(Ip, 110);
    m_table->setColumnWidth(Check, 170);
    m_table->setColumnWidth(Outcome, 280);
    m_table->installEventFilter(this);

    m_bindChoice = new QRadioButton(QStringLiteral("绑定"), this);
    m_bindChoice->setObjectName(QStringLiteral("batchBindChoice"));
    m_bindChoice->setChecked(true);
    m_unbindChoice = new QRadioButton(QStringLiteral("解绑"), this);
    m_unbindChoice->setObjectName(QStringLiteral("batchUnbindChoice"));
    m_skipRefusedBox = new QCheckBox(QStringLiteral("跳过被拒绝的行继续"), this);
    m_skipRefusedBox->setObjectName(QStringLiteral("batchSkipRefused"));
    m_startButton = makeButton(this, "batchStartButton", QStringLiteral("开始"));
    m_stopButton = makeButton(this, "batchStopButton", QStringLiteral("停止"));
    m_stopButton->setToolTip(QStringLiteral("Esc：正在发送的行发完后停止，其后各行不再发送"));
    m_clearButton = makeButton(this, "batchClearButton", QStringLiteral("清空"));
    m_copyButton = makeButton(this, "batchCopyButton", QStringLiteral("复制结果"));
    m_copyButton->setToolTip(QStringLiteral("把表格连同结果复制为制表符分隔的文本，可直接粘贴到电子表格"));
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("batchStatus"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *choices = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{m_bindChoice, m_unbindChoice, m_skipRefusedBox})
        choices->addWidget(w);
    choices->addStretch();
    for (QWidget *w : {m_startButton, m_stopButton, m_clearButton, m_copyButton})
        choices->addWidget(w);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);
    layout->addLayout(choices);
    layout->addWidget(m_statusLabel);

    connect(m_table, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling)
            recheck();
    });
    connect(m_startButton, &QPushButton::clicked, this, &BatchDialog::start);
    connect(m_stopButton, &QPushButton::clicked, &m_session.batch(), &BatchBinding::stop);
    connect(m_clearButton, &QPushButton::clicked, this, [this] {
        m_table->setRowCount(0);
        m_statusLabel->clear();
        updateButtons();
    });
    connect(m_copyButton, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(m_session.batch().resultText()); });
    connect(&m_session.batch(), &BatchBinding::rowChanged, this, &BatchDialog::showOutcome);
    connect(&m_session.batch(), &BatchBinding::ended, this, &BatchDialog::showEnd);
    connect(&m_session, &ConsoleSession::switchModelChanged, this, &BatchDialog::recheck);
    updateButtons();
}

bool BatchDialog::needsIp() const
{
    return m_session.switchModel() == SwitchModel::S3600;
}

void BatchDialog::pasteTable(const QString &text)
{
    showRows(BatchTable::parse(text, needsIp()));
}

BatchTable BatchDialog::tableRows() const
{
    BatchTable table;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        QStringList cells;
        for (int c = Port; c <= Ip; ++c)
            cells << (m_table->item(r, c) ? m_table->item(r, c)->text() : QString());
        table.rows << BatchTable::row(cells, needsIp(), r + 1);
    }
    table.check(needsIp());
    return table;
}

void BatchDialog::showRows(const BatchTable &table)
{
    m_filling = true;
    m_table->setRowCount(int(table.rows.size()));
    for (int r = 0; r < table.rows.size(); ++r) {
        const BatchRow &row = table.rows[r];
        const QStringList cells = row.cells();
        for (int c = Port; c <= Ip; ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells[c]));
        for (int c : {Check, Outcome, Verified}) {
            auto *item = new QTableWidgetItem;
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_table->setItem(r, c, item);
        }
    }
    m_filling = false;
    recheck();
    m_statusLabel->setText(QStringLiteral("%1行%2").arg(table.rows.size()).arg(table.headerSkipped ? QStringLiteral("（已跳过标题行）") : QString()));
}

void BatchDialog::recheck()
{
    const BatchTable table = tableRows();
    m_filling = true;
    for (int r = 0; r < table.rows.size(); ++r) {
        const QString problem = table.rows[r].problem;
        QTableWidgetItem *check = m_table->item(r, Check);
        if (!check)
            continue;
        check->setText(problem.isEmpty() ? QStringLiteral("可以发送") : problem);
        check->setToolTip(problem);
        for (int c = Port; c <= Check; ++c)
            if (QTableWidgetItem *item = m_table->item(r, c))
                item->setBackground(problem.isEmpty() ? QBrush() : QBrush(kMarked));
    }
    m_filling = false;
    updateButtons();
}

void BatchDialog::updateButtons()
{
    const bool running = m_session.batch().running();
    const BatchTable table = tableRows();
    m_startButton->setEnabled(!running && table.sendable());
    m_startButton->setToolTip(table.marked() ? QStringLiteral("有%1行标记了问题，改好后才能开始").arg(table.marked()) : QString());
    m_stopButton->setEnabled(running);
    m_clearButton->setEnabled(!running);
    m_table->setEditTriggers(running ? QAbstractItemView::NoEditTriggers : QAbstractItemView::AllEditTriggers);
    m_copyButton->setEnabled(!running && !m_session.batch().rows().isEmpty());
}

void BatchDialog::start()
{
    trapErrors([this] {
        if (!m_session.serial().portOpen())
            throw Error(QStringLiteral("端口未打开，无法批量操作，请先点击开启"));
        if (m_session.engine().busy()) {
            messageBox(m_session.engine().busyMessage());
            return;
        }
        const BatchTable table = tableRows();
        for (int r = 0; r < m_table->rowCount(); ++r)
            for (int c : {Outcome, Verified})
                if (QTableWidgetItem *item = m_table->item(r, c))
                    item->setText(QString());
        if (m_session.batch().start(table.rows, m_bindChoice->isChecked(), m_skipRefusedBox->isChecked()))
            m_statusLabel->setText(QStringLiteral("正在%1，按 Esc 或“停止”在当前行发完后停止……")
                                       .arg(m_bindChoice->isChecked() ? QStringLiteral("批量绑定") : QStringLiteral("批量解绑")));
    });
    updateButtons();
}

void BatchDialog::showOutcome(int row)
{
    const BatchBinding &batch = m_session.batch();
    if (row >= m_table->rowCount() || row >= batch.outcomes().size())
        return;
    const BatchOutcome &o = batch.outcomes()[row];
    QTableWidgetItem *outcome = m_table->item(row, Outcome);
    QTableWidgetItem *verified = m_table->item(row, Verified);
    if (!outcome || !verified)
        return;
    outcome->setText(o.text());
    outcome->setToolTip(o.text());
    verified->setText(o.verified);
    verified->setToolTip(o.verified);
    if (o.state == BatchOutcome::State::Running)
        m_table->scrollToItem(outcome);
}

void BatchDialog::showEnd()
{
    m_statusLabel->setText(m_session.batch().summary());
    updateButtons();
}

void BatchDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_session.batch().running()) {
        m_session.batch().stop();
        m_statusLabel->setText(QStringLiteral("正在停止：当前行发完后不再发送。"));
        return;
    }
    QDialog::keyPressEvent(event);
}

bool BatchDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste) && !m_session.batch().running()) {
        pasteTable(QApplication::clipboard()->text());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tarnwell

#include "moc_batchdialog.cpp" // compiled with this file (and its library's unit), not on its own
