// The terminal text laid out on the pane's grid, without the pane: rows of a line at a width,
// the place under a cell, the cells a selection covers, the compact index of lines and rows, and
// find over text that makes a naive search slow.
#include "terminal/lineindex.h"
#include "terminal/terminal.h"
#include "terminal/terminallayout.h"
#include "terminal/textfinder.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(tarnwell::TextPos)

using namespace tarnwell;

namespace {

using Row = TerminalLayout::Row;

QList<qsizetype> bounds(Row r) { return {r.line, r.start, r.end}; }

struct Laid {
    Terminal terminal;
    TerminalLayout layout;
    // `text` received in pieces split at "|", laid out at `width` cells after each; `options`
    // may name "controls" (shown) and "times".
    Laid(const QString &text, int width, const QString &options = {})
    {
        terminal.clock = [] { return qint64(0); };
        layout.setWidth(width);
        layout.setShowControls(options.contains(u"controls"));
        layout.setShowTimes(options.contains(u"times"));
        layout.setTerminal(&terminal);
        for (const QString &piece : text.split(u'|'))
            terminal.append(piece), layout.takeIn();
    }
    std::vector<Row> rows() const
    {
        std::vector<Row> all;
        layout.forRows(0, layout.rowCount() - 1, [&](qint64 k, Row r) {
            all.push_back(r);
            return k == qint64(all.size()) - 1; // numbered in order, from 0
        });
        return all;
    }
    // The rows as they look: each cell's character, or ^ and the letter of a control character.
    QStringList shownRows() const
    {
        QStringList out;
        for (const Row &r : rows()) {
            out << QString();
            for (CellWalker c = layout.cells(r); !c.atEnd(); c.next())
                out.back() += c->caret ? QStringLiteral("^") + QChar(c->caret) : layout.line(r.line).sliced(c->pos, c->units).toString();
        }
        return out;
    }
};

} // namespace

class TestTerminalLayout : public QObject {
    Q_OBJECT
private slots:
    // Rows of the lines at a width, received in pieces ("|"); laying the whole text out again
    // gives the same rows as taking it in piece by piece.
    void rows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("a full row stays one row") << "abcd" << 4 << "" << QStringList{"abcd"};
        QTest::newRow("one more wraps") << "abcde" << 4 << "" << QStringList{"abcd", "e"};
        QTest::newRow("wide character at the edge moves down") << "abc中d" << 4 << "" << QStringList{"abc", "中d"};
        QTest::newRow("wide character filling the row") << "ab中d" << 4 << "" << QStringList{"ab中", "d"};
        QTest::newRow("wide character beyond the BMP") << "abc\U00020000" << 4 << "" << QStringList{"abc", "\U00020000"};
        QTest::newRow("narrow character beyond the BMP") << "abc\U0001F600" << 4 << "" << QStringList{"abc\U0001F600"};
        QTest::newRow("wide character overhangs one column") << "中a" << 1 << "" << QStringList{"中", "a"};
        QTest::newRow("caret pair not split") << "abc\x07" "d" << 4 << "" << QStringList{"abc", "^Gd"};
        QTest::newRow("controls shown widen the line") << "ab\x1b[Kc" << 4 << "controls" << QStringList{"ab^[", "[Kc"};
        QTest::newRow("CR LF ends a line") << "ab\r\ncd" << 4 << "" << QStringList{"ab", "cd"};
        QTest::newRow("CR and LF in two receives") << "abcd\r|\ncd" << 4 << "" << QStringList{"abcd", "cd"};
        QTest::newRow("lone CR shown") << "abcd\rxy" << 4 << "controls" << QStringList{"abcd", "^Mxy"};
        QTest::newRow("empty lines") << "a\n\n\nb\r\n" << 4 << "" << QStringList{"a", "", "", "b", ""};
        QTest::newRow("nothing received") << "" << 4 << "" << QStringList{""};
        QTest::newRow("line grown across receives") << "ab|cd|e中|f" << 4 << "" << QStringList{"abcd", "e中f"};
        QTest::newRow("redrawn open line wrapped again") << "abcd|\r中中" << 4 << "" << QStringList{"中中", "cd"};
        QTest::newRow("open line erased to one row") << "abcdef|\r\x1b[K|x" << 4 << "" << QStringList{"x"};
        QTest::newRow("times take columns") << "abcde\r\nf" << 17 << "times" << QStringList{"abcd", "e", "f"};
    }
    void rows()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, options);
        QFETCH(QStringList, rows);
        Laid laid(text, width, options);
        QCOMPARE(laid.shownRows(), rows);
        QCOMPARE(laid.layout.rowCount(), qint64(rows.size()));
        laid.layout.relayout();
        QCOMPARE(laid.shownRows(), rows);
    }

    // The place under a cell: the left half of a character's cells is before it, the right half
    // after it; past a row's end its end, below the text the text's end. "ab中d\r\nxy" at 4
    // columns: rows "ab中", "d", "xy".
    void positionAt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("row");
        QTest::addColumn<qreal>("col");
        QTest::addColumn<TextPos>("at");
        const QString text = QStringLiteral("ab中d\r\nxy");
        QTest::newRow("left half of a cell") << text << qint64(0) << 0.4 << TextPos{0, 0};
        QTest::newRow("right half of a cell") << text << qint64(0) << 0.6 << TextPos{0, 1};
        QTest::newRow("left half of a wide character") << text << qint64(0) << 2.9 << TextPos{0, 2};
        QTest::newRow("right half of a wide character") << text << qint64(0) << 3.1 << TextPos{0, 3};
        QTest::newRow("second row of a line") << text << qint64(1) << 0.2 << TextPos{0, 3};
        QTest::newRow("past the line's end") << text << qint64(1) << 3.0 << TextPos{0, 4};
        QTest::newRow("left of the text") << text << qint64(2) << -1.0 << TextPos{1, 0};
        QTest::newRow("below the text") << text << qint64(7) << 0.0 << TextPos{1, 2};
        QTest::newRow("left half of a caret pair") << "a\x07" "b" << qint64(0) << 1.9 << TextPos{0, 1};
        QTest::newRow("right half of a caret pair") << "a\x07" "b" << qint64(0) << 2.1 << TextPos{0, 2};
        QTest::newRow("right half of a pair beyond the BMP") << "\U00020000b" << qint64(0) << 1.5 << TextPos{0, 2};
    }
    void positionAt()
    {
        QFETCH(QString, text);
        QFETCH(qint64, row);
        QFETCH(qreal, col);
        QFETCH(TextPos, at);
        Laid laid(text, 4);
        QCOMPARE(laid.layout.positionAt(row, col), at);
    }

    // The columns a stretch [from, to) of a line covers in one of its rows (selection, find):
    // "ab中d" at 4 columns, rows "ab中" and "d"; -1 for `to` runs to the line's end.
    void span_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("breakToo");
        QTest::addColumn<QString>("columns"); // "first-second", or "" when it covers none
        QTest::newRow("inside a row") << 0 << 1 << 2 << false << "1-2";
        QTest::newRow("a wide character's two cells") << 0 << 2 << 3 << false << "2-4";
        QTest::newRow("on past the row") << 0 << 1 << -1 << true << "1-4";
        QTest::newRow("begun before the row") << 1 << 0 << -1 << false << "0-1";
        QTest::newRow("the line break after the last row") << 1 << 0 << -1 << true << "0-2";
        QTest::newRow("only the line break") << 1 << 4 << -1 << true << "1-2";
        QTest::newRow("after the row") << 0 << 4 << 5 << true << "";
        QTest::newRow("ending before the row") << 1 << 0 << 3 << true << "";
    }
    void span()
    {
        QFETCH(int, row);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, breakToo);
        QFETCH(QString, columns);
        Laid laid(QStringLiteral("ab中d"), 4);
        const auto [a, b] = laid.layout.span(laid.rows().at(size_t(row)), from, to < 0 ? 1 << 30 : to, breakToo);
        QCOMPARE(b > a ? QStringLiteral("%1-%2").arg(a).arg(b) : QString(), columns);
    }

    // Long lines of every kind of character: rows cover each line without gap or overlap, each as
    // full as the next character allows; a row asked for alone (found from the nearest kept row
    // start, as when scrolled to) is the same row; every cell maps to its place and back; taking
    // the text in piece by piece gives the rows laid out at once.
    void roundTrips_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("piece"); // character groups a receive
        QTest::newRow("narrow, at once") << 3 << 100000;
        QTest::newRow("narrow, in pieces") << 3 << 61;
        QTest::newRow("wider, in pieces") << 11 << 907;
    }
    void roundTrips()
    {
        QFETCH(int, width);
        QFETCH(int, piece);
        const QStringList kinds{"a", "中", "\x07", "\U0001F600", "\U00020000", "bc"};
        QString text; // "|" between receives, never inside a pair
        for (int i = 0; i < 2400; ++i)
            text += kinds[i % kinds.size()] + kinds[i % 5] + (i % piece ? "" : "|") + (i % 800 == 799 ? "\r\n\r\n" : "");
        Laid laid(text, width);
        const std::vector<Row> rows = laid.rows();
        QCOMPARE(laid.shownRows(), Laid(text.remove(u'|'), width).shownRows());
        QVERIFY(rows.size() > 4 * 64);
        const TerminalLayout &l = laid.layout;
        for (size_t k = 0; k < rows.size(); ++k) {
            const Row r = rows[k];
            const bool lastOfLine = k + 1 == rows.size() || rows[k + 1].line != r.line;
            QCOMPARE(r.start, k == 0 || rows[k - 1].line != r.line ? 0 : rows[k - 1].end);
            QVERIFY(!lastOfLine || r.end == l.line(r.line).size());
            qsizetype used = 0;
            for (CellWalker c = l.cells(r); !c.atEnd(); c.next()) {
                QCOMPARE(c->col, used);
                used = c.used();
                QCOMPARE(l.positionAt(qint64(k), c->col + 0.25), (TextPos{r.line, c->pos}));
                QCOMPARE(l.positionAt(qint64(k), c->col + c->width - 0.25), (TextPos{r.line, c->pos + c->units}));
            }
            QVERIFY(used <= width);
            if (!lastOfLine)
                QVERIFY(used + l.cells(rows[k + 1])->width > width);
            QCOMPARE(l.rowOf({r.line, r.start}), qint64(k));
            Row alone{-1, -1, -1};
            l.forRows(qint64(k), qint64(k), [&](qint64 found, Row f) { return alone = f, found != qint64(k); });
            QCOMPARE(bounds(alone), bounds(r));
        }
    }

    // The index answers as a plain list would, for every size of gap between entries.
    void lineIndex_data()
    {
        QTest::addColumn<qint64>("largestGap");
        QTest::newRow("one-character lines") << qint64(1);
        QTest::newRow("short lines") << qint64(200);
        QTest::newRow("long lines") << qint64(70000);
        QTest::newRow("huge gaps") << qint64(5) * 1000 * 1000 * 1000;
    }
    void lineIndex()
    {
        QFETCH(qint64, largestGap);
        LineIndex index(7);
        std::vector<qint64> plain{7};
        for (int i = 1; i < 1000; ++i) {
            const qint64 gap = i % 97 == 0 ? 0 : largestGap == 1 ? 1 : (i * 7919) % largestGap + (i % 3 == 0 ? largestGap : 0);
            plain.push_back(plain.back() + gap);
            index.push_back(plain.back());
        }
        QCOMPARE(index.size(), qsizetype(plain.size()));
        for (size_t i = 0; i < plain.size(); ++i) {
            QCOMPARE(index[qsizetype(i)], plain[i]);
            for (const qint64 d : {-1, 0, 1}) {
                const qint64 v = plain[i] + d;
                QCOMPARE(index.upperBound(v), qsizetype(std::upper_bound(plain.begin(), plain.end(), v) - plain.begin()));
            }
        }
    }

    // Each find step in time linear in the text whatever the needle (each took seconds to
    // minutes in a search whose worst case grows with text × needle), and the right match.
    void findsInLinearTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<TextPos>("from");
        QTest::addColumn<TextPos>("next");     // {-1, -1}: none
        QTest::addColumn<TextPos>("previous");
        const TextPos none{-1, -1};
        const QString as(1 << 22, u'a');
        QTest::newRow("the needle's end everywhere") << as << u'b' + QString(1999, u'a') << TextPos{0, 1 << 21} << none << none;
        QTest::newRow("the needle everywhere") << as << QString(2000, u'A') << TextPos{0, 1 << 21} << TextPos{0, 1 << 21}
                                               << TextPos{0, (1 << 21) - 1};
        // Redrawn lines are searched each alone: none holds it, their text joined does.
        const QString redrawn = QStringLiteral("aa\bA\r\n").repeated(1 << 18) + QStringLiteral("x ") + QString(10000, u'a');
        QTest::newRow("redrawn lines shorter than the needle")
            << redrawn << QString(10000, u'a') << TextPos{} << TextPos{1 << 18, 2} << TextPos{1 << 18, 2};
        QTest::newRow("from beyond a redrawn line's end") << "ab\bX\r\na\bAx\r\n" << "a" << TextPos{0, 5} << TextPos{1, 0}
                                                         << TextPos{0, 0};
    }
    void findsInLinearTime()
    {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(TextPos, from);
        QFETCH(TextPos, next);
        QFETCH(TextPos, previous);
        const TextPos none{-1, -1};
        const Laid l(text, 80);
        const TextFinder finder(l.layout.lines());
        QElapsedTimer t;
        for (const bool forward : {true, false}) {
            t.start();
            const auto m = forward ? finder.next(needle, from) : finder.previous(needle, from);
            QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed()))); // milliseconds when linear
            QCOMPARE(m ? m->start : none, forward ? next : previous);
        }
    }
};

QTEST_GUILESS_MAIN(TestTerminalLayout)
#include "test_terminallayout.moc"
