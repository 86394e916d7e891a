#include "ui/terminalview.h"

#include "console/error.h"
#include "console/usermessages.h"
#include "console/terminal.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringMatcher>

#include <algorithm>
#include <limits>

namespace tarnwell {

namespace {

constexpr int kMargin = 2; // pixels left of the first column
const QColor kText(Qt::white);
const QColor kControl(0x90, 0x90, 0x90); // caret notation, dimmer than the text
const QColor kFound(0x80, 0x60, 0x00);   // matches of the find field's text in view
constexpr qsizetype kEnd = std::numeric_limits<qsizetype>::max();

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

bool isPlain(char16_t c) // printable ASCII: one cell, drawn in runs
{
    return c >= 0x20 && c < 0x7f;
}

// Characters that take two cells in a fixed-pitch face: CJK, Hangul, full-width forms.
bool isWide(char32_t u)
{
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0x303E) || (u >= 0x3041 && u <= 0x33FF)
           || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xA000 && u <= 0xA4CF)
           || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
           || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || (u >= 0x20000 && u <= 0x3FFFD);
}

// One shown character: how many UTF-16 units it takes and how many cells it covers.
struct Item {
    int units;
    int cells;
};

Item itemAt(const QChar *d, qsizetype i, qsizetype end)
{
    const char16_t c = d[i].unicode();
    if (isControl(c))
        return {1, 2}; // ^X
    if (QChar::isHighSurrogate(c) && i + 1 < end && d[i + 1].isLowSurrogate())
        return {2, isWide(QChar::surrogateToUcs4(c, d[i + 1].unicode())) ? 2 : 1};
    return {1, isWide(c) ? 2 : 1};
}

QChar caretOf(char16_t c)
{
    return c == 0x7f ? QChar(u'?') : QChar(char16_t(c + 0x40));
}

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
    connect(m_findField, &QLineEdit::textEdited, this, [this] {
        if (const auto m = m_finder.next(m_findField->text(), m_findFrom)) {
            select(m->start, {m->start.line, m->start.col + m->length});
            scrollToLine(m->start);
        }
        viewport()->update();
    });

    addViewOption(QStringLiteral("显示控制字符"), [this] { return showControls(); },
                  [this](bool on) { setShowControls(on); });
    addViewOption(QStringLiteral("显示时间"), [this] { return m_showTimes; },
                  [this](bool on) { setShowTimes(on); });
}

void TerminalView::attach(Terminal *terminal)
{
    if (m_terminal)
        m_terminal->disconnect(this);
    m_terminal = terminal;
    m_lines.setTerminal(terminal);
    connect(terminal, &Terminal::appended, this, [this] {
        if (!m_batch.isActive())
            m_batch.start();
    });
    connect(terminal, &Terminal::cleared, this, [this] {
        m_batch.stop();
        m_anchor = m_cursor = m_findFrom = {};
        m_lines.reset();
        rewrap();
    });
    rewrap();
}

bool TerminalView::hasPending() const
{
    return m_terminal && m_lines.taken() < m_terminal->text().size();
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
    m_lines.setShowControls(on);
    rewrap();
    m_anchor = clamped(m_anchor);
    m_cursor = clamped(m_cursor);
}

void TerminalView::setShowTimes(bool on)
{
    if (on == m_showTimes)
        return;
    m_showTimes = on;
    rewrap(); // the times take columns from the text
}

QString TerminalView::timeText(qsizetype line) const
{
    const qint64 t = m_terminal ? m_terminal->lineTime(line) : -1;
    if (t < 0)
        return {}; // nothing came on it yet
    return QDateTime::fromMSecsSinceEpoch(t).toString(QStringLiteral("HH:mm:ss.zzz ")); // kTimeCells
}

qreal TerminalView::textLeft() const
{
    return kMargin + (m_showTimes ? kTimeCells * m_cellW : 0);
}

int TerminalView::columnsForWidth() const
{
    return qMax(1, int((viewport()->width() - 2 * kMargin) / m_cellW) - (m_showTimes ? kTimeCells : 0));
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

void TerminalView::rewrap()
{
    const int cols = columnsForWidth();
    const bool atEnd = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    const qsizetype topLine = lineOfRow(verticalScrollBar()->value());
    m_cols = cols;
    m_rowOf.reset(0);
    m_last = {};
    m_lastLength = 0;
    m_checkpoints.clear();
    m_lines.reset();
    takeIn();
    updateScrollRange();
    if (!atEnd && topLine < lineCount())
        verticalScrollBar()->setValue(int(qMin<qint64>(m_rowOf[topLine], INT_MAX)));
    else
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TerminalView::advance(Wrap &w, qsizetype line, QStringView text, qsizetype from, qsizetype to)
{
    const QChar *d = text.data();
    const int cols = m_cols;
    auto newRow = [&](qsizetype at) {
        ++w.rows;
        w.cells = 0;
        if (w.rows % kCheckpointRows == 0)
            m_checkpoints[line].push_back(at);
    };
    qsizetype i = from;
    while (i < to) {
        if (isPlain(d[i].unicode())) {
            qsizetype run = i + 1;
            while (run < to && isPlain(d[run].unicode()))
                ++run;
            while (i < run) {
                if (w.cells >= cols)
                    newRow(i);
                const qsizetype take = qMin<qsizetype>(run - i, cols - w.cells);
                w.cells += int(take);
                i += take;
            }
            continue;
        }
        const Item it = itemAt(d, i, to);
        if (w.cells > 0 && w.cells + it.cells > cols)
            newRow(i);
        w.cells += it.cells;
        i += it.units;
    }
}

bool TerminalView::takeIn()
{
    if (!m_terminal)
        return false;
    const qsizetype before = m_lines.taken();
    const qsizetype open = lineCount() - 1;
    const qsizetype changedFrom = m_lines.takeIn();
    if (m_lines.taken() == before && before > 0)
        return false;
    // The line that was open: grown at its end, or redrawn (then wrapped again whole).
    const QStringView openText = m_lines.line(open);
    if (changedFrom < m_lastLength || openText.size() < m_lastLength) {
        m_last = {};
        m_checkpoints.erase(open);
        advance(m_last, open, openText, 0, openText.size());
    } else {
        advance(m_last, open, openText, m_lastLength, openText.size());
    }
    for (qsizetype line = open + 1; line < lineCount(); ++line) {
        m_rowOf.push_back(m_rowOf.back() + m_last.rows + 1);
        m_last = {};
        const QStringView text = m_lines.line(line);
        advance(m_last, line, text, 0, text.size());
    }
    m_lastLength = m_lines.line(lineCount() - 1).size();
    return m_lines.taken() > before;
}

void TerminalView::sync()
{
    m_batch.stop();
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (!takeIn())
        return;
    updateScrollRange();
    if (atEnd)
        bar->setValue(bar->maximum());
    viewport()->update();
}

void TerminalView::updateScrollRange()
{
    const qint64 total = m_rowOf.back() + m_last.rows + 1;
    const int page = qMax(1, viewport()->height() / m_lineH);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(qMin<qint64>(qMax<qint64>(0, total - page), INT_MAX)));
    bar->setPageStep(page);
    bar->setSingleStep(1);
}

qsizetype TerminalView::lineOfRow(qint64 row) const
{
    return qMax<qsizetype>(0, m_rowOf.upperBound(row) - 1);
}

TextPos TerminalView::clamped(TextPos p) const
{
    if (p.line >= lineCount())
        return lineEnd(lineCount() - 1);
    return {p.line, qMin(p.col, m_lines.line(p.line).size())};
}

void TerminalView::forRows(qsizetype line, qint64 first, qint64 last, const std::function<bool(qint64, Row)> &f) const
{
    const QStringView text = m_lines.line(line);
    const QChar *d = text.data();
    const qsizetype end = text.size();
    qsizetype pos = 0;
    qint64 k = 0;
    const auto cp = m_checkpoints.find(line);
    if (cp != m_checkpoints.end() && first >= kCheckpointRows) {
        const size_t j = size_t(qMin<qint64>(first / kCheckpointRows, qint64(cp->second.size())));
        if (j > 0) {
            pos = cp->second[j - 1];
            k = qint64(j) * kCheckpointRows;
        }
    }
    for (;; ++k) {
        const qsizetype rowStart = pos;
        int cells = 0;
        while (pos < end) {
            if (isPlain(d[pos].unicode()) && cells < m_cols) {
                ++cells;
                ++pos;
                continue;
            }
            const Item it = itemAt(d, pos, end);
            if (cells > 0 && cells + it.cells > m_cols)
                break;
            cells += it.cells;
            pos += it.units;
        }
        if (k >= first && !f(k, {line, rowStart, pos}))
            return;
        if (k >= last || pos >= end)
            return;
    }
}

// Calls f(y, row) for every row in view, top to bottom; y is the row's top in the viewport.
void TerminalView::forVisibleRows(const std::function<void(int, Row)> &f) const
{
    const qint64 top = verticalScrollBar()->value();
    const qint64 bottom = top + (viewport()->height() + m_lineH - 1) / m_lineH - 1;
    for (qsizetype line = lineOfRow(top); line < lineCount(); ++line) {
        const qint64 first = m_rowOf[line];
        if (first > bottom)
            break;
        forRows(line, qMax<qint64>(0, top - first), bottom - first, [&](qint64 k, Row r) {
            f(int((first + k - top) * m_lineH), r);
            return true;
        });
    }
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
    forVisibleRows([&](int y, Row r) { paintRow(p, r, y); });
}

// Fills the cells of characters [from, to) of a row's line that lie in the row; breakToo adds
// one cell after the line's last character for its selected line break.
void TerminalView::fillCells(QPainter &p, QStringView text, Row row, int y, qsizetype from, qsizetype to,
                             bool breakToo, const QColor &colour) const
{
    const QChar *d = text.data();
    int col = 0, a = -1, b = -1;
    for (qsizetype i = row.start; i < row.end;) {
        if (a < 0 && i >= from)
            a = col;
        if (b < 0 && i >= to)
            b = col;
        const Item it = itemAt(d, i, row.end);
        col += it.cells;
        i += it.units;
    }
    if (a < 0)
        a = from <= row.end ? col : -1;
    if (b < 0)
        b = col + (breakToo && row.end == text.size() ? 1 : 0);
    if (a >= 0 && b > a)
        p.fillRect(QRectF(textLeft() + a * m_cellW, y, (b - a) * m_cellW, m_lineH), colour);
}

void TerminalView::paintRow(QPainter &p, Row row, int y) const
{
    const QStringView text = m_lines.line(row.line);
    const QChar *d = text.data();
    const qreal left = textLeft();
    auto x = [&](int col) { return left + col * m_cellW; };
    const qreal baseline = y + m_ascent;
    if (m_showTimes && row.start == 0) { // the line's arrival time before its first row
        p.setPen(kControl);
        p.drawText(QPointF(kMargin, baseline), timeText(row.line));
    }
    // Matches of the find field's text, then the selection, under the glyphs.
    if (m_findField->isVisible() && !m_findField->text().isEmpty()) {
        const QStringMatcher matcher(m_findField->text(), Qt::CaseInsensitive);
        const qsizetype n = m_findField->text().size();
        for (qsizetype at = matcher.indexIn(text, qMax<qsizetype>(0, row.start - n + 1)); at >= 0 && at < row.end;
             at = matcher.indexIn(text, at + 1))
            fillCells(p, text, row, y, at, at + n, false, kFound);
    }
    const TextPos selStart = selectionStart(), selEnd = selectionEnd();
    if (selStart < selEnd && selStart.line <= row.line && selEnd.line >= row.line) {
        const qsizetype from = selStart.line == row.line ? selStart.col : 0;
        const qsizetype to = selEnd.line == row.line ? selEnd.col : kEnd;
        if (from <= row.end && to > row.start)
            fillCells(p, text, row, y, from, to, selEnd.line > row.line, palette().color(QPalette::Highlight));
    }
    // Printable ASCII and control characters are drawn a run at a time, in two strings of
    // equal cells: the text with two blanks for each control character, then (only when there
    // are any) the carets with blanks for the text. Other characters are put on their cells one
    // by one, so that the columns stay true whatever their glyphs' widths.
    QString plain, carets;
    int runCol = 0;
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
    int col = 0;
    qsizetype i = row.start;
    while (i < row.end) {
        const char16_t c = d[i].unicode();
        if (isPlain(c) || isControl(c)) {
            if (plain.isEmpty())
                runCol = col;
            if (isPlain(c)) {
                plain += QChar(c);
                if (!carets.isEmpty())
                    carets += u' ';
            } else {
                if (carets.isEmpty())
                    carets.fill(u' ', plain.size());
                plain += QLatin1String("  ");
                carets += u'^';
                carets += caretOf(c);
            }
            col += isPlain(c) ? 1 : 2;
            ++i;
            continue;
        }
        drawRun();
        const Item it = itemAt(d, i, row.end);
        p.setPen(kText);
        p.drawText(QPointF(x(col), baseline), QString(d + i, it.units));
        col += it.cells;
        i += it.units;
    }
    drawRun();
}

QString TerminalView::shownText(TextPos start, TextPos end) const
{
    QString out;
    if (!m_terminal || !(start < end))
        return out;
    end = clamped(end);
    for (qsizetype line = start.line; line <= end.line; ++line) {
        const QStringView text = m_lines.line(line);
        const qsizetype to = line == end.line ? end.col : text.size();
        qsizetype i = line == start.line ? qMin(start.col, text.size()) : 0;
        if (m_showTimes && i == 0)
            out += timeText(line);
        while (i < to) {
            qsizetype run = i;
            while (run < to && !isControl(text[run].unicode()))
                ++run;
            out.append(text.sliced(i, run - i));
            if (run < to) {
                out += u'^';
                out += caretOf(text[run].unicode());
                ++run;
            }
            i = run;
        }
        if (line < end.line)
            out += u'\n';
    }
    return out;
}

QString TerminalView::shownText() const
{
    return shownText({}, lineEnd(lineCount() - 1));
}

void TerminalView::select(TextPos start, TextPos end)
{
    m_anchor = start;
    m_cursor = end;
    viewport()->update();
}

void TerminalView::selectAll()
{
    select({}, lineEnd(lineCount() - 1));
}

void TerminalView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TerminalView::openFind()
{
    m_findFrom = hasSelection() ? selectionStart() : TextPos{lineOfRow(verticalScrollBar()->value()), 0};
    placeFindField();
    m_findField->show();
    m_findField->raise();
    m_findField->setFocus();
    m_findField->selectAll();
    viewport()->update();
}

void TerminalView::placeFindField()
{
    const int w = qMin(viewport()->width(), 260);
    m_findField->setGeometry(viewport()->geometry().right() - w, viewport()->geometry().top(), w,
                             m_findField->sizeHint().height());
}

bool TerminalView::findNext(bool backward)
{
    const QString needle = m_findField->text();
    const TextPos at = hasSelection() ? selectionStart() : m_findFrom;
    const auto m = backward ? m_finder.previous(needle, at) : m_finder.next(needle, {at.line, at.col + (hasSelection() ? 1 : 0)});
    if (!m)
        return false;
    m_findFrom = m->start;
    select(m->start, {m->start.line, m->start.col + m->length});
    scrollToLine(m->start);
    return true;
}

// Scrolls so that the row holding a place is in view, to the middle of the pane when it was not.
void TerminalView::scrollToLine(TextPos pos)
{
    QScrollBar *bar = verticalScrollBar();
    qint64 row = m_rowOf[pos.line];
    forRows(pos.line, 0, kEnd, [&](qint64 k, Row r) {
        if (pos.col >= r.end && r.end < m_lines.line(pos.line).size())
            return true;
        row += k;
        return false;
    });
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
    for (qsizetype line = 0; line < lineCount(); line += kLines) {
        const qsizetype last = qMin(line + kLines, lineCount()) - 1;
        QString piece = shownText({line, 0}, lineEnd(last));
        if (last < lineCount() - 1)
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
    if (columnsForWidth() != m_cols)
        rewrap();
    else
        updateScrollRange();
}

void TerminalView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        rewrap();
    }
}

void TerminalView::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = verticalScrollBar();
    if (event == QKeySequence::Copy || (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier))
        copy();
    else if (event == QKeySequence::SelectAll)
        selectAll();
    else if (event == QKeySequence::Find)
        openFind();
    else if (event->key() == Qt::Key_F3 && !m_findField->text().isEmpty())
        findNext(event->modifiers() & Qt::ShiftModifier);
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
    pt.setY(qMax(0, pt.y()));
    const qint64 row = verticalScrollBar()->value() + pt.y() / m_lineH;
    const qsizetype line = lineOfRow(row);
    const qint64 k = row - m_rowOf[line];
    const QStringView text = m_lines.line(line);
    const QChar *d = text.data();
    TextPos result = lineEnd(line);
    forRows(line, k, k, [&](qint64 found, Row r) {
        if (found != k)
            return false; // below the last row of the last line: the end of the text
        const qreal col = (pt.x() - textLeft()) / m_cellW;
        qreal at = 0;
        for (qsizetype i = r.start; i < r.end;) {
            const Item it = itemAt(d, i, r.end);
            if (col < at + it.cells / 2.0) {
                result.col = i;
                return false;
            }
            at += it.cells;
            i += it.units;
        }
        result.col = r.end;
        return false;
    });
    return result;
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
        select({pos.line, 0}, lineEnd(pos.line));
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
    const QStringView text = m_lines.line(pos.line);
    qsizetype start = pos.col, end = pos.col;
    while (start > 0 && isWordChar(text[start - 1]))
        --start;
    while (end < text.size() && isWordChar(text[end]))
        ++end;
    select({pos.line, start}, {pos.line, end});
    m_dragging = false;
    m_doubleClicked = true;
    m_doubleClickTime = event->timestamp();
    m_doubleClickAt = event->position().toPoint();
}

} // namespace tarnwell
