#include "ui/terminalview.h"

#include "base/error.h"
#include "terminal/consolekeys.h"
#include "terminal/terminal.h"
#include "base/usermessages.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>

#include <limits>
#include <optional>

namespace tarnwell {

namespace {

constexpr int kMargin = 2; // pixels left of the first column
const QColor kText(Qt::white);
const QColor kControl(0x90, 0x90, 0x90); // caret notation, dimmer than the text
const QColor kFound(0x80, 0x60, 0x00);   // matches of the find field's text in view
const QColor kCursor(0x00, 0xC0, 0x00);  // where typed keys go
constexpr qsizetype kEnd = std::numeric_limits<qsizetype>::max();

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || QStringView(u":@-./_~").contains(c);
}

} // namespace

TerminalView::TerminalView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, kText);
    setPalette(pal);
    // The window's Song face where one is installed (宋体 and AR PL UMing draw Latin at half and
    // Chinese at full width, so columns line up), else a fixed-pitch face with Chinese glyphs;
    // the size follows the window's font-size list.
    QFont f = font();
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei Mono"),
                   QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("DejaVu Sans Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    setFont(f);
    updateMetrics();
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &TerminalView::sync);
    chooseSaveFile = [](QWidget *parent) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("保存到文件"), QString(),
                                            QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
    };

    // The find field sits at the pane's top right while open.
    m_findField = new QLineEdit(this);
    m_findField->setPlaceholderText(QStringLiteral("查找"));
    m_findField->setClearButtonEnabled(true);
    m_findField->hide();
    m_findField->installEventFilter(this);
    m_findStatus = new QLabel(this);
    m_findStatus->setObjectName(QStringLiteral("findStatus"));
    m_findStatus->setAutoFillBackground(true);
    m_findStatus->hide();
    connect(m_findField, &QLineEdit::textEdited, this, [this] {
        if (const auto m = m_finder.next(m_findField->text(), m_findFrom)) {
            select(m->start, {m->start.line, m->start.col + m->length});
            scrollToLine(m->start);
        }
        showFindStatus();
        viewport()->update();
    });

    addViewOption(QStringLiteral("显示控制字符"), [this] { return showControls(); },
                  [this](bool on) { setShowControls(on); });
    addViewOption(QStringLiteral("显示时间"), [this] { return showTimes(); },
                  [this](bool on) { setShowTimes(on); });
}

void TerminalView::attach(Terminal *terminal)
{
    if (m_terminal)
        m_terminal->disconnect(this);
    m_terminal = terminal;
    connect(terminal, &Terminal::appended, this, [this] {
        if (!m_batch.isActive())
            m_batch.start();
    });
    connect(terminal, &Terminal::cleared, this, [this] {
        m_batch.stop();
        m_anchor = m_cursor = m_findFrom = {};
        rewrap([this] { m_layout.relayout(); });
    });
    // A terminal destroyed before the pane leaves it empty rather than reading freed text.
    connect(terminal, &QObject::destroyed, this, [this] { rewrap([this] { m_layout.setTerminal(nullptr); }); });
    rewrap([this, terminal] { m_layout.setTerminal(terminal); });
}

bool TerminalView::hasPending() const
{
    return m_terminal && m_layout.lines().taken() < m_terminal->text().size();
}

void TerminalView::flush()
{
    m_batch.stop();
    sync();
}

void TerminalView::setShowControls(bool on)
{
    if (on == showControls())
        return;
    // The lines keep their numbers; a place in one keeps its column as far as the line reaches.
    rewrap([&] { m_layout.setShowControls(on); });
    m_anchor = m_layout.clamped(m_anchor);
    m_cursor = m_layout.clamped(m_cursor);
}

void TerminalView::setShowTimes(bool on)
{
    if (on == showTimes())
        return;
    rewrap([&] { m_layout.setShowTimes(on); }); // the times take columns from the text
}

qreal TerminalView::textLeft() const
{
    return kMargin + m_layout.prefixCells() * m_cellW;
}

int TerminalView::cellsForWidth() const
{
    return int((viewport()->width() - 2 * kMargin) / m_cellW);
}

void TerminalView::addViewOption(const QString &text, std::function<bool()> isOn, std::function<void(bool)> set)
{
    m_viewOptions.push_back({text, std::move(isOn), std::move(set)});
}

void TerminalView::updateMetrics()
{
    const QFontMetricsF fm(font());
    m_cellW = qMax<qreal>(1, fm.horizontalAdvance(QLatin1Char('M')));
    m_lineH = qMax(1, qCeil(fm.lineSpacing()));
    m_ascent = qCeil(fm.ascent());
}

void TerminalView::rewrap(const std::function<void()> &change)
{
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    const qsizetype topLine = m_layout.lineOfRow(bar->value());
    change();
    m_layout.setWidth(cellsForWidth());
    updateScrollRange();
    if (!atEnd && topLine < m_layout.lineCount())
        bar->setValue(int(qMin<qint64>(m_layout.firstRow(topLine), INT_MAX)));
    else
        bar->setValue(bar->maximum());
    viewport()->update();
}

void TerminalView::sync()
{
    m_batch.stop();
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (!m_layout.takeIn())
        return;
    updateScrollRange();
    if (atEnd)
        bar->setValue(bar->maximum());
    viewport()->update();
}

void TerminalView::updateScrollRange()
{
    const qint64 total = m_layout.rowCount();
    const int page = qMax(1, viewport()->height() / m_lineH);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(qMin<qint64>(qMax<qint64>(0, total - page), INT_MAX)));
    bar->setPageStep(page);
    bar->setSingleStep(1);
}

// Calls f(y, row) for every row in view, top to bottom; y is the row's top in the viewport.
void TerminalView::forVisibleRows(const std::function<void(int, Row)> &f) const
{
    const qint64 top = verticalScrollBar()->value();
    const qint64 bottom = top + (viewport()->height() + m_lineH - 1) / m_lineH - 1;
    m_layout.forRows(top, bottom, [&](qint64 row, Row r) {
        f(int((row - top) * m_lineH), r);
        return true;
    });
}

QStringList TerminalView::visibleRows() const
{
    QStringList rows;
    if (m_terminal)
        forVisibleRows([&](int, Row r) { rows << shownText({r.line, r.start}, {r.line, r.end}); });
    return rows;
}

void TerminalView::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    if (!m_terminal)
        return;
    p.setFont(font());
    std::optional<TextMatcher> found; // the find field's text, highlighted where it is in view
    if (m_findField->isVisible() && !m_findField->text().isEmpty())
        found.emplace(m_findField->text());
    // Where typing goes (the switch's cursor): a block while the pane takes the keys, an outline
    // otherwise.
    const TextPos end{m_layout.lineCount() - 1, m_layout.lines().cursorColumn()};
    const bool typing = typeToSwitch && hasFocus();
    forVisibleRows([&](int y, Row r) {
        paintRow(p, r, y, found ? &*found : nullptr);
        if (r.line != end.line || end.col < r.start || end.col > r.end)
            return;
        const auto [a, b] = m_layout.span(r, end.col, end.col + 1, true);
        if (b <= a)
            return;
        const QRectF cell(textLeft() + a * m_cellW, y, m_cellW, m_lineH);
        if (typing)
            p.fillRect(cell, kCursor);
        else
            p.setPen(kCursor), p.drawRect(cell.adjusted(0.5, 0.5, -0.5, -0.5));
    });
}

// Fills the cells of characters [from, to) of a row's line that lie in the row; breakToo adds
// one cell after the line's last character for its selected line break.
void TerminalView::fillCells(QPainter &p, Row row, int y, qsizetype from, qsizetype to, bool breakToo,
                             const QColor &colour) const
{
    const auto [a, b] = m_layout.span(row, from, to, breakToo);
    if (b > a)
        p.fillRect(QRectF(textLeft() + a * m_cellW, y, (b - a) * m_cellW, m_lineH), colour);
}

void TerminalView::paintRow(QPainter &p, Row row, int y, const TextMatcher *found) const
{
    const QStringView text = m_layout.line(row.line);
    const qreal left = textLeft();
    auto x = [&](qsizetype col) { return left + col * m_cellW; };
    const qreal baseline = y + m_ascent;
    if (m_layout.showTimes() && row.start == 0) { // the line's arrival time before its first row
        p.setPen(kControl);
        p.drawText(QPointF(kMargin, baseline), m_layout.timeText(row.line));
    }
    // Matches of the find field's text, then the selection, under the glyphs.
    if (found) { // those that touch the row, looked for in the row and a needle's length around it
        const qsizetype n = found->size();
        found->forEachIn(text.first(qMin(text.size(), row.end + n - 1)), row.start - n + 1,
                         [&](qsizetype at) { fillCells(p, row, y, at, at + n, false, kFound); });
    }
    const TextPos selStart = selectionStart(), selEnd = selectionEnd();
    if (selStart < selEnd && selStart.line <= row.line && selEnd.line >= row.line) {
        const qsizetype from = selStart.line == row.line ? selStart.col : 0;
        const qsizetype to = selEnd.line == row.line ? selEnd.col : kEnd;
        if (from <= row.end && to > row.start)
            fillCells(p, row, y, from, to, selEnd.line > row.line, palette().color(QPalette::Highlight));
    }
    // Printable ASCII and control characters are drawn a run at a time, in two strings of
    // equal cells: the text with two blanks for each control character, then (only when there
    // are any) the carets with blanks for the text. Other characters are put on their cells one
    // by one, so that the columns stay true whatever their glyphs' widths.
    QString plain, carets;
    qsizetype runCol = 0;
    auto drawRun = [&] {
        if (!plain.isEmpty()) {
            p.setPen(kText);
            p.drawText(QPointF(x(runCol), baseline), plain);
        }
        if (!carets.isEmpty()) {
            p.setPen(kControl);
            p.drawText(QPointF(x(runCol), baseline), carets);
        }
        plain.clear();
        carets.clear();
    };
    for (CellWalker c = m_layout.cells(row); !c.atEnd();) {
        if (!c->plain && !c->caret) {
            drawRun();
            p.setPen(kText);
            p.drawText(QPointF(x(c->col), baseline), text.sliced(c->pos, c->units).toString());
            c.next();
            continue;
        }
        if (plain.isEmpty())
            runCol = c->col;
        if (c->plain) {
            const qsizetype from = c->pos;
            c.skipPlain();
            plain += text.sliced(from, c->pos - from);
            if (!carets.isEmpty())
                carets.resize(plain.size(), u' ');
        } else {
            if (carets.isEmpty())
                carets.fill(u' ', plain.size());
            plain += QLatin1String("  ");
            carets += u'^';
            carets += QChar(c->caret);
            c.next();
        }
    }
    drawRun();
}

QString TerminalView::shownText(TextPos start, TextPos end) const
{
    return m_terminal ? m_layout.shownText(start, end) : QString();
}

QString TerminalView::shownText() const
{
    return shownText({}, m_layout.textEnd());
}

void TerminalView::select(TextPos start, TextPos end)
{
    m_anchor = start;
    m_cursor = end;
    viewport()->update();
}

void TerminalView::selectAll()
{
    select({}, m_layout.textEnd());
}

void TerminalView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TerminalView::publishSelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TerminalView::openFind()
{
    m_findFrom = hasSelection() ? selectionStart() : TextPos{m_layout.lineOfRow(verticalScrollBar()->value()), 0};
    placeFindField();
    m_findField->show();
    m_findField->raise();
    m_findField->setFocus();
    m_findField->selectAll();
    showFindStatus();
    viewport()->update();
}

void TerminalView::placeFindField()
{
    const int w = qMin(viewport()->width(), 260);
    const int h = m_findField->sizeHint().height();
    m_findField->setGeometry(viewport()->geometry().right() - w, viewport()->geometry().top(), w, h);
    m_findStatus->setGeometry(m_findField->x(), m_findField->y() + h, w, m_findStatus->sizeHint().height());
}

QString TerminalView::findStatus() const
{
    const QString needle = m_findField->text();
    if (needle.isEmpty())
        return QString();
    constexpr qsizetype kLimit = 9999;
    const qsizetype total = m_finder.count(needle, std::nullopt, kLimit);
    if (total == 0)
        return QStringLiteral("没有找到");
    const QString of = total >= kLimit ? QStringLiteral("超过 %1 处").arg(kLimit) : QStringLiteral("共 %1 处").arg(total);
    if (!hasSelection() || shownText(selectionStart(), selectionEnd()).compare(needle, Qt::CaseInsensitive) != 0)
        return of;
    const qsizetype before = m_finder.count(needle, selectionStart(), kLimit);
    return before >= kLimit ? of : QStringLiteral("第 %1 处，%2").arg(before + 1).arg(of);
}

void TerminalView::showFindStatus()
{
    const QString status = m_findField->isVisible() ? findStatus() : QString();
    m_findStatus->setText(status);
    m_findStatus->setVisible(!status.isEmpty());
    if (!status.isEmpty()) {
        placeFindField();
        m_findStatus->raise();
    }
}

bool TerminalView::findNext(bool backward)
{
    const QString needle = m_findField->text();
    const TextPos at = hasSelection() ? selectionStart() : m_findFrom;
    const auto m = backward ? m_finder.previous(needle, at) : m_finder.next(needle, {at.line, at.col + (hasSelection() ? 1 : 0)});
    if (m) {
        m_findFrom = m->start;
        select(m->start, {m->start.line, m->start.col + m->length});
        scrollToLine(m->start);
    }
    showFindStatus();
    return m.has_value();
}

// Scrolls so that the row holding a place is in view, to the middle of the pane when it was not.
void TerminalView::scrollToLine(TextPos pos)
{
    QScrollBar *bar = verticalScrollBar();
    const qint64 row = m_layout.rowOf(pos);
    if (row < bar->value() || row >= bar->value() + bar->pageStep())
        bar->setValue(int(qMin<qint64>(qMax<qint64>(0, row - bar->pageStep() / 2), INT_MAX)));
    viewport()->update();
}

bool TerminalView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_findField && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            findNext(shift);
            return true;
        case Qt::Key_Escape: // the selection stays, to be copied
            m_findField->hide();
            m_findStatus->hide();
            setFocus();
            viewport()->update();
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TerminalView::saveTo(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    // Converted a few thousand lines at a time, never all at once.
    constexpr qsizetype kLines = 4096;
    const qsizetype lines = m_layout.lineCount();
    for (qsizetype line = 0; line < lines; line += kLines) {
        const qsizetype last = qMin(line + kLines, lines) - 1;
        QString piece = shownText({line, 0}, m_layout.lineEnd(last));
        if (last < lines - 1)
            piece += u'\n';
        if (file.write(piece.toUtf8()) < 0)
            break;
    }
    if (!file.commit())
        throw Error(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
}

void TerminalView::saveToFileAsked()
{
    const QString path = chooseSaveFile ? chooseSaveFile(this) : QString();
    if (!path.isEmpty())
        trapErrors([&] { saveTo(path); });
}

QMenu *TerminalView::createContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyAction = menu->addAction(QStringLiteral("复制"), this, &TerminalView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    menu->addAction(QStringLiteral("全选"), this, &TerminalView::selectAll)->setShortcut(QKeySequence::SelectAll);
    menu->addAction(QStringLiteral("查找…"), this, &TerminalView::openFind)->setShortcut(QKeySequence::Find);
    menu->addSeparator();
    for (const ViewOption &option : m_viewOptions) {
        QAction *a = menu->addAction(option.text);
        a->setCheckable(true);
        a->setChecked(option.isOn());
        connect(a, &QAction::toggled, this, option.set);
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("保存到文件…"), this, &TerminalView::saveToFileAsked);
    menu->addAction(QStringLiteral("清屏"), this, [this] {
        if (m_terminal)
            m_terminal->clear();
    });
    // Entries the window adds (the log folder).
    if (!actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(actions());
    }
    return menu;
}

void TerminalView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TerminalView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    placeFindField();
    if (m_layout.columnsFor(cellsForWidth()) != m_layout.columns()) {
        rewrap([] {});
    } else {
        m_layout.setWidth(cellsForWidth());
        updateScrollRange();
    }
}

void TerminalView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        rewrap([] {});
    }
}

bool TerminalView::event(QEvent *event)
{
    // Tab goes to the switch (completion) rather than moving the focus, when keys go there.
    if (event->type() == QEvent::KeyPress && typeToSwitch) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TerminalView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update(); // the cursor shows whether keys go to the switch
}

void TerminalView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TerminalView::keyPressEvent(QKeyEvent *event)
{
    if (typeToSwitch) {
        if (const auto keys = paneKeySequence(event->key(), event->modifiers(), event->text(), hasSelection())) {
            if (typeToSwitch(*keys)) {
                event->accept();
                return;
            }
            event->ignore(); // not taken now (a paste or the listing owns the line): the window decides
            return;
        }
    }
    QScrollBar *bar = verticalScrollBar();
    if (event == QKeySequence::Copy && typeToSwitch) {
        copy(); // with a selection only (else Ctrl+C went to the switch); the next Ctrl+C interrupts
        select(m_cursor, m_cursor);
    } else if (event == QKeySequence::Copy || (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier)
               || (event->key() == Qt::Key_C && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)))
        copy();
    else if ((event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier)
             || (event->key() == Qt::Key_V && (event->modifiers() & Qt::ControlModifier)))
        event->ignore(); // paste: the window puts the clipboard into the input line
    else if (event == QKeySequence::SelectAll)
        selectAll();
    else if (event == QKeySequence::Find)
        openFind();
    else if (event->key() == Qt::Key_F3 && !m_findField->text().isEmpty())
        findNext(event->modifiers() & Qt::ShiftModifier);
    else if ((event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)
             && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier)
        bar->triggerAction(event->key() == Qt::Key_PageUp ? QAbstractSlider::SliderPageStepSub : QAbstractSlider::SliderPageStepAdd);
    else if (event == QKeySequence::MoveToStartOfDocument)
        bar->setValue(bar->minimum());
    else if (event == QKeySequence::MoveToEndOfDocument)
        bar->setValue(bar->maximum());
    else
        QAbstractScrollArea::keyPressEvent(event); // PgUp/PgDn and the arrows scroll; others pass on
}

TextPos TerminalView::positionAt(QPoint pt) const
{
    if (!m_terminal)
        return {};
    const qint64 row = verticalScrollBar()->value() + qMax(0, pt.y()) / m_lineH;
    return m_layout.positionAt(row, (pt.x() - textLeft()) / m_cellW);
}

void TerminalView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint pt = event->position().toPoint();
    const TextPos pos = positionAt(pt);
    if (m_terminal && m_doubleClicked
        && event->timestamp() - m_doubleClickTime < quint64(QApplication::doubleClickInterval())
        && (pt - m_doubleClickAt).manhattanLength() <= QApplication::startDragDistance()) {
        // Third click: the whole line, without its line break.
        m_doubleClicked = false;
        select({pos.line, 0}, m_layout.lineEnd(pos.line));
        publishSelection();
        return;
    }
    select(event->modifiers() & Qt::ShiftModifier ? m_anchor : pos, pos);
    m_dragging = true;
}

void TerminalView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    QPoint pt = event->position().toPoint();
    QScrollBar *bar = verticalScrollBar();
    if (pt.y() < 0)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (pt.y() >= viewport()->height())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    pt.setY(qBound(0, pt.y(), viewport()->height() - 1));
    select(m_anchor, positionAt(pt));
}

void TerminalView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging)
        publishSelection();
    m_dragging = false;
    event->accept();
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_terminal)
        return;
    // A double click selects the word under the mouse: letters, digits and :@-./_~, so that a
    // MAC address, an IP address or a port name is taken whole.
    const TextPos pos = positionAt(event->position().toPoint());
    const QStringView text = m_layout.line(pos.line);
    qsizetype start = pos.col, end = pos.col;
    while (start > 0 && isWordChar(text[start - 1]))
        --start;
    while (end < text.size() && isWordChar(text[end]))
        ++end;
    select({pos.line, start}, {pos.line, end});
    publishSelection();
    m_dragging = false;
    m_doubleClicked = true;
    m_doubleClickTime = event->timestamp();
    m_doubleClickAt = event->position().toPoint();
}

} // namespace tarnwell

#include "moc_terminalview.cpp" // compiled with this file (and its library's unit), not on its own
