// The terminal pane as its user handles it: wrapping at the pane's width, the console's line
// editing drawn, scrolling and selecting while text arrives, finding, copying and the context
// menu. How characters fill rows is tested on the layout alone (test_terminallayout).
#include "terminal/terminal.h"
#include "support/files.h"
#include "support/messagerecorder.h"
#include "ui/terminalview.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tarnwell;

namespace {

struct Pane {
    Terminal terminal;
    TerminalView view;
    Pane() { view.resize(953, 241), view.attach(&terminal), view.show(); } // the main window's pane
    void receive(const QString &text) { terminal.append(text), view.flush(); }
    QScrollBar *bar() { return view.verticalScrollBar(); }
    QPoint cell(int col, int row) // the left part of a cell in the rows in view
    {
        const int h = QFontMetrics(view.font()).lineSpacing();
        return QPoint(2 + int((col + 0.3) * QFontMetricsF(view.font()).horizontalAdvance(u'M')), row * h + h / 2);
    }
};

} // namespace

class TestTerminalView : public QObject {
    Q_OBJECT
private slots:
    void outlivesItsTerminal() // as the window's pane does while the window is taken down
    {
        auto terminal = std::make_unique<Terminal>();
        TerminalView view;
        view.attach(terminal.get());
        view.setShowTimes(true);
        terminal->append(QStringLiteral("<H3C>\r\n"));
        view.flush();
        QCOMPARE(view.visibleRows().value(0).right(5), QStringLiteral("<H3C>"));
        terminal.reset();
        view.resize(view.width() / 2, view.height()); // wrapped again at the new width
        view.grab();
        QCOMPARE(view.visibleRows().join(QString()), QString());
    }
    void wrapsAtPaneWidth_data()
    {
        // "~" stands for one row less one character, "|" separates receives.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("full row stays one row") << "~b" << QStringList{"~b"};
        QTest::newRow("one more wraps") << "~bc" << QStringList{"~b", "c"};
        QTest::newRow("CR LF split across receives") << "~\r|\ntwo\n\nfour\r" << QStringList{"~", "two", "", "four"};
        QTest::newRow("redrawn line wrapped again") << "~bc\r|X" << QStringList{"X~b", "c"};
        QTest::newRow("erased to one row") << "~bc\r\x1b[K|d" << QStringList{"d"};
    }
    void wrapsAtPaneWidth()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        for (const int size : {12, 28}) {
            Pane p;
            QFont f = p.view.font();
            f.setPointSize(size);
            p.view.setFont(f);
            const QString a(p.view.columns() - 1, u'a');
            QVERIFY(a.size() > 10);
            for (const QString &piece : text.split(u'|'))
                p.receive(QString(piece).replace(u'~', a));
            QCOMPARE(p.view.visibleRows(), QStringList(rows).replaceInStrings(QStringLiteral("X~"), u'X' + a.mid(1)).replaceInStrings(QStringLiteral("~"), a));
        }
    }

    // What the switch's editing leaves on the screen, received in pieces ("|"), and the same
    // with 显示控制字符: every byte in caret notation.
    void drawsConsoleEditing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("drawn");
        QTest::addColumn<QStringList>("controls");
        QTest::newRow("pager erased by the next line")
            << "  ---- More ----|\x1b[16D                \x1b[16D| port access vlan 10\r\n<H3C>"
            << QStringList{" port access vlan 10", "<H3C>"}
            << QStringList{"  ---- More ----^[[16D                ^[[16D port access vlan 10", "<H3C>"};
        QTest::newRow("backspace echo") << "<H3C>dis cuu\b \b\r\n" << QStringList{"<H3C>dis cu", ""}
                                        << QStringList{"<H3C>dis cuu^H ^H", ""};
        QTest::newRow("lone CR returns") << "abcdef\r|xy" << QStringList{"xycdef"} << QStringList{"abcdef^Mxy"};
        QTest::newRow("CRs before LF are its break") << "one\r\r\ntwo\r|\n" << QStringList{"one", "two", ""}
                                                     << QStringList{"one^M", "two", ""};
        QTest::newRow("left, clear to end, write") << "abcdef\x1b[3D\x1b[KX" << QStringList{"abcX"}
                                                   << QStringList{"abcdef^[[3D^[[KX"};
        QTest::newRow("right past the end") << "ab\x1b[2CX" << QStringList{"ab  X"} << QStringList{"ab^[[2CX"};
        QTest::newRow("right stops at the margin") << "ab\x1b[2147483647CX" << QStringList{"ab" + QString(510, u' ') + "X"}
                                                   << QStringList{"ab^[[2147483647CX"};
        QTest::newRow("sequence split across receives") << "abc\x1b|[|2|D|Z" << QStringList{"aZc"}
                                                        << QStringList{"abc^[[2DZ"};
        QTest::newRow("backspace at line start") << "\b\bab" << QStringList{"ab"} << QStringList{"^H^Hab"};
        QTest::newRow("unknown sequence, other controls kept") << "a\x1b[1mb\x07\tc\x1b[2K"
                                                               << QStringList{"a^[[1mb^G^Ic^[[2K"}
                                                               << QStringList{"a^[[1mb^G^Ic^[[2K"};
    }
    void drawsConsoleEditing()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, drawn);
        QFETCH(QStringList, controls);
        Pane p;
        for (const QString &piece : text.split(u'|'))
            p.receive(piece);
        const bool oneRowEach = std::all_of(drawn.begin(), drawn.end(), [&](const QString &l) { return l.size() < p.view.columns(); });
        for (const bool controlsShown : {false, true, false}) {
            p.view.setShowControls(controlsShown);
            const QStringList &expected = controlsShown ? controls : drawn;
            QCOMPARE(p.view.shownText().split(u'\n'), expected);
            if (oneRowEach)
                QCOMPARE(p.view.visibleRows(), expected);
        }
        QCOMPARE(p.terminal.text(), QString(text).remove(u'|')); // every byte kept as received
    }

    void mouseSelects_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("selected");
        QTest::newRow("drag across a line break") << 1 << "f-e212-3456 vlan 10\n#\nint";
        QTest::newRow("double click takes a MAC whole") << 2 << "000f-e212-3456";
        QTest::newRow("triple click takes the line") << 3 << "mac-address static 000f-e212-3456 vlan 10";
    }
    void mouseSelects()
    {
        QFETCH(int, clicks);
        QFETCH(QString, selected);
        Pane p;
        p.receive(QStringLiteral("mac-address static 000f-e212-3456 vlan 10\r\n#\r\ninterface"));
        QWidget *vp = p.view.viewport();
        if (clicks == 1) {
            QTest::mousePress(vp, Qt::LeftButton, {}, p.cell(22, 0));
            QTest::mouseMove(vp, p.cell(2, 1));
            QTest::mouseMove(vp, p.cell(3, 2));
            QTest::mouseRelease(vp, Qt::LeftButton, {}, p.cell(3, 2));
        } else {
            QTest::mouseDClick(vp, Qt::LeftButton, {}, p.cell(22, 0));
            if (clicks == 3)
                QTest::mouseClick(vp, Qt::LeftButton, {}, p.cell(22, 0));
        }
        QCOMPARE(p.view.selectedText(), selected);
    }

    // Keys and the wheel scroll; text arriving moves the view only when it is at the bottom.
    void keysScroll_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("pagesUp"); // from the end afterwards; -1: at the top
        QTest::newRow("page up") << QKeySequence(Qt::Key_PageUp) << 1;
        QTest::newRow("shift+page up twice") << QKeySequence(Qt::SHIFT | Qt::Key_PageUp, Qt::SHIFT | Qt::Key_PageUp) << 2;
        QTest::newRow("ctrl+home") << QKeySequence(Qt::CTRL | Qt::Key_Home) << -1;
        QTest::newRow("ctrl+home, ctrl+end") << QKeySequence(Qt::CTRL | Qt::Key_Home, Qt::CTRL | Qt::Key_End) << 0;
    }
    void keysScroll()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(int, pagesUp);
        Pane p;
        for (int i = 0; i < 500; ++i) // full lines, each CR LF split across receives
            p.receive(QString(p.view.columns() - 1, u'a') + u'\r'), p.receive(QStringLiteral("\n"));
        QCOMPARE(p.bar()->maximum() + p.bar()->pageStep(), 501);
        QCOMPARE(p.bar()->value(), p.bar()->maximum());
        QTest::keySequence(&p.view, keys);
        QCOMPARE(p.bar()->value(), pagesUp < 0 ? 0 : p.bar()->maximum() - pagesUp * p.bar()->pageStep());
        const int before = p.bar()->value();
        QWheelEvent wheel(QPointF(50, 50), p.view.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(p.view.viewport(), &wheel);
        QCOMPARE(p.bar()->value(), qMax(0, before - 3));
        // Scrolled up, arriving text leaves the view and the selection where they are.
        p.view.select({2, 3}, {4, 5});
        const QStringList rows = p.view.visibleRows();
        const QString selected = p.view.selectedText();
        p.receive(QStringLiteral("log line\r\n<prompt>"));
        QCOMPARE(p.view.visibleRows(), rows);
        QCOMPARE(p.view.selectedText(), selected);
        QCOMPARE(p.bar()->maximum() + p.bar()->pageStep(), 502);
        // At the bottom, the view follows the newest output.
        QTest::keyClick(&p.view, Qt::Key_End, Qt::ControlModifier);
        p.receive(QStringLiteral("\b\b\b\bmpt>"));
        QCOMPARE(p.bar()->value(), p.bar()->maximum());
        QCOMPARE(p.view.visibleRows().constLast(), QStringLiteral("<prompt>"));
        QCOMPARE(p.view.selectedText(), selected);
    }

    void copyAndContextMenu()
    {
        Pane p;
        const QString text = QStringLiteral("<H3C>dis cuu\b \b\r\n中文\x07\r\n");
        const QString shown = QStringLiteral("<H3C>dis cu\n中文^G\n");
        p.receive(text);
        QClipboard *clip = QApplication::clipboard();
        clip->setText(QStringLiteral("kept"));
        QTest::keyClick(&p.view, Qt::Key_C, Qt::ControlModifier); // nothing selected: clipboard kept
        QCOMPARE(clip->text(), QStringLiteral("kept"));
        QTest::keySequence(&p.view, QKeySequence(Qt::CTRL | Qt::Key_A, Qt::CTRL | Qt::Key_C));
        QCOMPARE(clip->text(), shown);
        p.view.select({}, {});
        std::unique_ptr<QMenu> menu(p.view.createContextMenu());
        QStringList names;
        QList<QAction *> actions;
        for (QAction *a : menu->actions())
            if (!a->isSeparator())
                names << a->text(), actions << a;
        QCOMPARE(names, (QStringList{"复制", "全选", "查找…", "显示控制字符", "显示时间", "保存到文件…", "清屏"}));
        QVERIFY(!actions[0]->isEnabled() && actions[3]->isCheckable() && !actions[3]->isChecked());
        actions[1]->trigger();
        QCOMPARE(p.view.selectedText(), shown);
        QTemporaryDir dir;
        QString path = dir.filePath("终端.txt");
        p.view.chooseSaveFile = [&](QWidget *) { return path; };
        actions[5]->trigger();
        QCOMPARE(test::readFile(path), shown.toUtf8()); // as drawn
        actions[3]->trigger();
        QVERIFY(p.view.showControls());
        actions[1]->trigger();
        QCOMPARE(p.view.selectedText(), QStringLiteral("<H3C>dis cuu^H ^H\n中文^G\n"));
        test::MessageRecorder boxes;
        path = dir.filePath("no-such-folder/out.txt");
        actions[5]->trigger();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("out.txt")));
        actions[2]->trigger();
        QVERIFY(p.view.findField()->isVisible());
        actions[6]->trigger();
        QCOMPARE(p.terminal.text(), QString());
        QCOMPARE(p.view.visibleRows(), QStringList{QString()});
    }

    // Ctrl+F, typing, Enter/F3 and Shift+Enter/Shift+F3 through matches in lines shown as
    // received and in redrawn ones (whose erased text is not found), round past either end.
    void finds()
    {
        Pane p;
        p.receive(QStringLiteral("mac 000F-E212-0001\r\n<H3C>dis 000f\b\b\b\bmac\r\n"));
        for (int i = 0; i < 300; ++i)
            p.receive(QStringLiteral("filler\r\n"));
        p.receive(QStringLiteral("x\b000f-e212-0002 and 000f-e212-0003\r\n<H3C>"));
        p.bar()->setValue(0);
        QTest::keyClick(&p.view, Qt::Key_F, Qt::ControlModifier);
        QLineEdit *field = p.view.findField();
        QVERIFY(field->isVisible());
        QTest::keyClicks(field, QStringLiteral("000f-e"));
        const TextPos first{0, 4}, second{302, 0}, third{302, 19};
        QCOMPARE(p.view.selectionStart(), first);
        QCOMPARE(p.view.selectedText(), QStringLiteral("000F-E"));
        const auto status = [&] { return p.view.findChild<QLabel *>("findStatus")->text(); };
        QCOMPARE(status(), QStringLiteral("第 1 处，共 3 处")); // the erased 000f of line 1 is not counted
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            TextPos at;
        } steps[] = {{Qt::Key_Return, {}, second}, {Qt::Key_F3, {}, third}, {Qt::Key_Return, {}, first},
                     {Qt::Key_Return, Qt::ShiftModifier, third}, {Qt::Key_F3, Qt::ShiftModifier, second}};
        const QString nth[] = {"第 2 处，共 3 处", "第 3 处，共 3 处", "第 1 处，共 3 处", "第 3 处，共 3 处", "第 2 处，共 3 处"};
        for (const auto &step : steps) {
            QTest::keyClick(field, step.key, step.mods);
            QCOMPARE(p.view.selectionStart(), step.at);
            QCOMPARE(status(), nth[&step - steps]);
            const qint64 row = step.at.line; // one row per line here
            QVERIFY(row >= p.bar()->value() && row < p.bar()->value() + p.bar()->pageStep());
        }
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!field->isVisible());
        QTest::keyClick(&p.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("000f-e"));
        QTest::keyClick(&p.view, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(field, QStringLiteral("dis 0")); // erased from the screen: not found
        QCOMPARE(p.view.selectedText(), QStringLiteral("dis "));
        QCOMPARE(status(), QStringLiteral("没有找到"));
    }

    // 显示时间: each line's arrival time (its first character's) before it, taking columns from
    // the text; copied with the line while shown, never otherwise.
    void arrivalTimes_data()
    {
        QTest::addColumn<QList<int>>("after");      // ms after 09:00 of each receive
        QTest::addColumn<QStringList>("receives");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a line takes its first character's time")
            << QList<int>{0, 500, 900} << QStringList{"ab", "c\r\nxy", "z\r\n"}
            << "09:00:00.000 abc\n09:00:00.500 xyz\n";
        QTest::newRow("a line break ending a receive: the next line's own time")
            << QList<int>{0, 2000} << QStringList{"one\r\n", "two"} << "09:00:00.000 one\n09:00:02.000 two";
        QTest::newRow("lines of one receive share its time")
            << QList<int>{61001} << QStringList{"a\r\nb\r\n"} << "09:01:01.001 a\n09:01:01.001 b\n";
    }
    void arrivalTimes()
    {
        QFETCH(QList<int>, after);
        QFETCH(QStringList, receives);
        QFETCH(QString, shown);
        Pane p;
        const qint64 nine = QDateTime(QDate(2026, 12, 8), QTime(9, 0)).toMSecsSinceEpoch();
        qint64 now = nine;
        p.terminal.clock = [&] { return now; };
        for (qsizetype i = 0; i < receives.size(); ++i) {
            now = nine + after[i];
            p.receive(receives[i]);
        }
        const int columns = p.view.columns();
        const QString plain = p.view.shownText();
        p.view.setShowTimes(true);
        QCOMPARE(p.view.columns(), columns - 13);
        QCOMPARE(p.view.shownText(), shown);
        p.view.select({0, 1}, {1, 1}); // from inside a line: no time for its part
        const QStringList lines = shown.split(u'\n');
        QCOMPARE(p.view.selectedText(), lines[0].mid(13 + 1) + u'\n' + lines[1].left(13 + 1));
        p.view.setShowTimes(false);
        QCOMPARE(p.view.shownText(), plain);
    }
};

QTEST_MAIN(TestTerminalView)
#include "test_terminalview.moc"
