// The terminal pane as its user handles it: wrapping at the pane's width, scrolling, selecting
// with the mouse and keys, copying and the context menu.
#include "console/terminal.h"
#include "console/terminalview.h"
#include "support/files.h"
#include "support/messagerecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

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
    void wrapsAtPaneWidth_data()
    {
        // "~" stands for one row less one character, "|" separates receives.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("full row stays one row") << "~b" << QStringList{"~b"};
        QTest::newRow("one more wraps") << "~bc" << QStringList{"~b", "c"};
        QTest::newRow("wide character not split") << "~中x" << QStringList{"~", "中x"};
        QTest::newRow("caret pair not split") << "~\x1bx" << QStringList{"~", "^[x"};
        QTest::newRow("CR LF split across receives") << "~\r|\ntwo\n\nfour\r" << QStringList{"~", "two", "", "four"};
        QTest::newRow("lone CR shown") << "a\r|b" << QStringList{"a^Mb"};
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
            QCOMPARE(p.view.visibleRows(), QStringList(rows).replaceInStrings(QStringLiteral("~"), a));
        }
    }

    // One endless line, received whole or piecewise: any row scrolled to shows its own characters.
    void endlessLineScrolledAnywhere_data()
    {
        QTest::addColumn<int>("pieces");
        QTest::newRow("one receive") << 1;
        QTest::newRow("many receives") << 97;
    }
    void endlessLineScrolledAnywhere()
    {
        QFETCH(int, pieces);
        Pane p;
        QString text;
        for (int i = 0; i < 500000; ++i)
            text += QChar(char16_t(u'0' + i % 10));
        for (qsizetype at = 0, step = text.size() / pieces + 1; at < text.size(); at += step)
            p.terminal.append(text.mid(at, step));
        p.view.flush();
        const int c = p.view.columns();
        QCOMPARE(p.bar()->maximum() + p.bar()->pageStep(), int((text.size() + c - 1) / c));
        const int last = p.bar()->maximum();
        for (const int row : {0, 63, 64, 1000, last / 3 + 17, last}) {
            p.bar()->setValue(row);
            QCOMPARE(p.view.visibleRows().value(0), text.mid(qsizetype(row) * c, c));
        }
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

    // Keys and the wheel scroll; a receive shows the newest output with nothing selected.
    void keysScroll_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("pagesUp"); // from the end afterwards; -1: at the top
        QTest::newRow("page up") << QKeySequence(Qt::Key_PageUp) << 1;
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
        p.view.selectAll();
        p.receive(QStringLiteral("<prompt>"));
        QCOMPARE(p.view.selectedText(), QString());
        QCOMPARE(p.bar()->value(), p.bar()->maximum());
        QCOMPARE(p.view.visibleRows().constLast(), QStringLiteral("<prompt>"));
    }

    void copyAndContextMenu()
    {
        Pane p;
        const QString text = QStringLiteral("<H3C>dis cu\r\n\x08 中文\x1b[42D\r\n");
        const QString shown = QStringLiteral("<H3C>dis cu\n^H 中文^[[42D\n");
        p.receive(text);
        QClipboard *clip = QApplication::clipboard();
        clip->setText(QStringLiteral("kept"));
        QTest::keyClick(&p.view, Qt::Key_C, Qt::ControlModifier); // nothing selected: clipboard kept
        QCOMPARE(clip->text(), QStringLiteral("kept"));
        QTest::keySequence(&p.view, QKeySequence(Qt::CTRL | Qt::Key_A, Qt::CTRL | Qt::Key_C));
        QCOMPARE(clip->text(), shown);
        p.view.select(0, 0);
        std::unique_ptr<QMenu> menu(p.view.createContextMenu());
        QStringList names;
        QList<QAction *> actions;
        for (QAction *a : menu->actions())
            if (!a->isSeparator())
                names << a->text(), actions << a;
        QCOMPARE(names, (QStringList{"复制", "全选", "保存到文件…", "清屏"}));
        QVERIFY(!actions[0]->isEnabled());
        actions[1]->trigger();
        QCOMPARE(p.view.selectedText(), shown);
        QTemporaryDir dir;
        QString path = dir.filePath("终端.txt");
        p.view.chooseSaveFile = [&](QWidget *) { return path; };
        actions[2]->trigger();
        QCOMPARE(test::readFile(path), text.toUtf8()); // exactly what was received
        test::MessageRecorder boxes;
        path = dir.filePath("no-such-folder/out.txt");
        actions[2]->trigger();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("out.txt")));
        actions[3]->trigger();
        QCOMPARE(p.terminal.text(), QString());
        QCOMPARE(p.view.visibleRows(), QStringList{QString()});
    }
};

QTEST_MAIN(TestTerminalView)
#include "test_terminalview.moc"
