#include "console/terminalview.h"

#include "console/error.h"
#include "console/messagebox.h"
#include "console/terminal.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>

#include <algorithm>

namespace tarnwell {

namespace {

constexpr int kMargin = 2; // pixels left of the first column
const QColor kText(Qt::white);
const QColor kControl(0x90, 0x90, 0x90); // caret notation, dimmer than the text

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
        m_anchor = m_cursor = 0;
        rewrap();
    });
    rewrap();
}

bool TerminalView::hasPending() const
{
    return m_terminal && m_synced < m_terminal->text().size();
}

void TerminalView::flush()
{
    m_batch.stop();
    sync();
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
    const int cols = qMax(1, int((viewport()->width() - 2 * kMargin) / m_cellW));
    const bool atEnd = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
    const qsizetype topLine = lineOfRow(verticalScrollBar()->value());
    m_cols = cols;
    m_rowOf.assign(1, 0);
    m_last = {};
    m_synced = 0;
    m_pendingCr = false;
    m_checkpoints.clear();
    takeIn();
    updateScrollRange();
    if (!atEnd && topLine < lineCount())
        verticalScrollBar()->setValue(m_rowOf[size_t(topLine)]);
    else
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TerminalView::advance(Wrap &w, qsizetype line, qsizetype from, qsizetype to)
{
    const QChar *d = m_terminal->text().constData();
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
    const QString &text = m_terminal->text();
    const std::deque<qsizetype> &starts = m_terminal->lineStarts();
    qsizetype pos = m_synced;
    if (m_pendingCr && pos < text.size()) {
        // The CR that ended the text so far: half a CR LF, or a lone CR shown as ^M.
        m_pendingCr = false;
        if (text.at(pos) != u'\n')
            advance(m_last, lineCount() - 1, pos - 1, pos);
    }
    for (;;) {
        const qsizetype line = lineCount() - 1;
        if (size_t(line + 1) < starts.size()) {
            const qsizetype lf = starts[size_t(line + 1)] - 1;
            qsizetype end = lf;
            if (end > starts[size_t(line)] && text.at(end - 1) == u'\r')
                --end;
            if (end > pos)
                advance(m_last, line, pos, end);
            m_rowOf.push_back(qint32(qMin<qint64>(m_rowOf.back() + m_last.rows + 1, INT_MAX)));
            m_last = {};
            pos = lf + 1;
            continue;
        }
        qsizetype end = text.size();
        if (end > pos && text.at(end - 1) == u'\r') {
            --end;
            m_pendingCr = true;
        }
        if (end > pos)
            advance(m_last, line, pos, end);
        break;
    }
    const bool grew = text.size() > m_synced;
    m_synced = text.size();
    return grew;
}

void TerminalView::sync()
{
    m_batch.stop();
    if (!takeIn())
        return;
    // Each receive shows the newest output with nothing selected.
    m_anchor = m_cursor = m_synced;
    updateScrollRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
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
    const auto it = std::upper_bound(m_rowOf.begin(), m_rowOf.end(), row);
    return qsizetype(it - m_rowOf.begin()) - 1;
}

qsizetype TerminalView::contentEnd(qsizetype line) const
{
    const QString &text = m_terminal->text();
    const std::deque<qsizetype> &starts = m_terminal->lineStarts();
    const qsizetype start = starts[size_t(line)];
    if (line + 1 < lineCount()) { // a finished line: up to its LF, or its CR LF
        qsizetype end = starts[size_t(line + 1)] - 1;
        if (end > start && text.at(end - 1) == u'\r')
            --end;
        return end;
    }
    // The last line taken in; a CR at its end waits to see whether an LF follows.
    return m_pendingCr && m_synced > start ? m_synced - 1 : m_synced;
}

void TerminalView::forRows(qsizetype line, qint64 first, qint64 last,
                           const std::function<bool(qint64, Row)> &f) const
{
    const QChar *d = m_terminal->text().constData();
    const qsizetype end = contentEnd(line);
    qsizetype pos = m_terminal->lineStarts()[size_t(line)];
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
        if (k >= first && !f(k, {rowStart, pos}))
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
        const qint64 first = m_rowOf[size_t(line)];
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
        forVisibleRows([&](int, Row r) { rows << shownText(r.start, r.end); });
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

void TerminalView::paintRow(QPainter &p, Row row, int y) const
{
    const QChar *d = m_terminal->text().constData();
    const qsizetype selStart = selectionStart(), selEnd = selectionEnd();
    auto x = [&](int col) { return kMargin + col * m_cellW; };
    const qreal baseline = y + m_ascent;
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
    if (selStart < selEnd && selStart <= row.end && selEnd > row.start) {
        // The selection's highlight, under the glyphs. A selected line break shows as one
        // selected cell after the line's last character.
        const QString &text = m_terminal->text();
        const qsizetype e = row.end;
        const bool breakSelected = e >= selStart && e < selEnd && e < m_synced
                                   && (d[e] == u'\n' || (d[e] == u'\r' && e + 1 < text.size() && d[e + 1] == u'\n'));
        int col = 0, from = -1, to = -1;
        for (qsizetype i = row.start; i < row.end;) {
            if (from < 0 && i >= selStart)
                from = col;
            if (to < 0 && i >= selEnd)
                to = col;
            const Item it = itemAt(d, i, row.end);
            col += it.cells;
            i += it.units;
        }
        if (from < 0)
            from = col;
        if (to < 0)
            to = col + (breakSelected ? 1 : 0);
        if (to > from)
            p.fillRect(QRectF(x(from), y, (to - from) * m_cellW, m_lineH), palette().color(QPalette::Highlight));
    }
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

QString TerminalView::shownText(qsizetype start, qsizetype end) const
{
    QString out;
    if (!m_terminal)
        return out;
    const QString &text = m_terminal->text();
    if (end < 0 || end > m_synced)
        end = m_synced;
    start = qBound<qsizetype>(0, start, end);
    out.reserve(end - start);
    const QChar *d = text.constData();
    for (qsizetype i = start; i < end; ++i) {
        const char16_t c = d[i].unicode();
        if (!isControl(c)) {
            qsizetype run = i + 1;
            while (run < end && !isControl(d[run].unicode()))
                ++run;
            out.append(d + i, run - i);
            i = run - 1;
        } else if (c == u'\n') {
            out += u'\n';
        } else if (c == u'\r' && (i + 1 == text.size() || d[i + 1] == u'\n')) {
            // part of a line break
        } else {
            out += u'^';
            out += caretOf(c);
        }
    }
    return out;
}

void TerminalView::select(qsizetype start, qsizetype end)
{
    m_anchor = start;
    m_cursor = end;
    viewport()->update();
}

void TerminalView::selectAll()
{
    select(0, m_synced);
}

void TerminalView::copy() const
{
    if (selectionStart() < selectionEnd())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TerminalView::saveTo(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    const QString text = m_terminal ? m_terminal->text() : QString();
    constexpr qsizetype kPiece = 1 << 20; // converted piece by piece, never all at once
    for (qsizetype at = 0; at < text.size();) {
        qsizetype n = qMin(kPiece, text.size() - at);
        if (at + n < text.size() && text.at(at + n - 1).isHighSurrogate())
            --n; // never split a character
        if (file.write(QStringView(text).mid(at, n).toUtf8()) < 0)
            break;
        at += n;
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
    copyAction->setEnabled(selectionStart() < selectionEnd());
    menu->addAction(QStringLiteral("全选"), this, &TerminalView::selectAll)->setShortcut(QKeySequence::SelectAll);
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
    if (qMax(1, int((viewport()->width() - 2 * kMargin) / m_cellW)) != m_cols)
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
    else if (event == QKeySequence::MoveToStartOfDocument)
        bar->setValue(bar->minimum());
    else if (event == QKeySequence::MoveToEndOfDocument)
        bar->setValue(bar->maximum());
    else
        QAbstractScrollArea::keyPressEvent(event); // PgUp/PgDn and the arrows scroll; others pass on
}

qsizetype TerminalView::positionAt(QPoint pt) const
{
    if (!m_terminal)
        return 0;
    pt.setY(qMax(0, pt.y()));
    const qint64 row = verticalScrollBar()->value() + pt.y() / m_lineH;
    const qsizetype line = lineOfRow(row);
    const qint64 k = row - m_rowOf[size_t(line)];
    const QChar *d = m_terminal->text().constData();
    qsizetype result = contentEnd(line);
    forRows(line, k, k, [&](qint64 found, Row r) {
        if (found != k)
            return false; // below the last row of the last line: the end of the text
        const qreal col = (pt.x() - kMargin) / m_cellW;
        qreal at = 0;
        for (qsizetype i = r.start; i < r.end;) {
            const Item it = itemAt(d, i, r.end);
            if (col < at + it.cells / 2.0) {
                result = i;
                return false;
            }
            at += it.cells;
            i += it.units;
        }
        result = r.end;
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
    const qsizetype pos = positionAt(pt);
    if (m_terminal && m_doubleClicked
        && event->timestamp() - m_doubleClickTime < quint64(QApplication::doubleClickInterval())
        && (pt - m_doubleClickAt).manhattanLength() <= QApplication::startDragDistance()) {
        // Third click: the whole line, without its line break.
        m_doubleClicked = false;
        const std::deque<qsizetype> &starts = m_terminal->lineStarts();
        const qsizetype line = qsizetype(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
        select(starts[size_t(line)], contentEnd(qMin(line, lineCount() - 1)));
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
    const QString &text = m_terminal->text();
    const qsizetype pos = positionAt(event->position().toPoint());
    qsizetype start = pos, end = pos;
    while (start > 0 && isWordChar(text.at(start - 1)))
        --start;
    while (end < m_synced && isWordChar(text.at(end)))
        ++end;
    select(start, end);
    m_dragging = false;
    m_doubleClicked = true;
    m_doubleClickTime = event->timestamp();
    m_doubleClickAt = event->position().toPoint();
}

} // namespace tarnwell
