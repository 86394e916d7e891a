// The terminal pane as its user handles it: wrapping at the pane's width, selecting with the
// mouse and keys, copying, scrolling and the context menu.
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
    Pane()
    {
        view.resize(953, 241); // the main window's pane
        view.attach(&terminal);
        view.show();
    }
    void receive(const QString &text)
    {
        terminal.append(text);
        view.flush();
    }
    QScrollBar *bar() { return view.verticalScrollBar(); }
    // A point in the left part of the cell at column `col` of visible row `row`.
    QPoint cell(int col, int row)
    {
        const qreal w = QFontMetricsF(view.font()).horizontalAdvance(u'M');
        const int h = QFontMetrics(view.font()).lineSpacing();
        return QPoint(2 + int((col + 0.3) * w), row * h + h / 2);
    }
};

QString digits(qsizetype n)
{
    QString s;
    for (qsizetype i = 0; i < n; ++i)
        s += QChar(char16_t(u'0' + i % 10));
    return s;
}

} // namespace

class TestTerminalView : public QObject {
    Q_OBJECT
private slots:
    void wrapsAtPaneWidth_data();
    void wrapsAtPaneWidth();
    void endlessLineScrolledAnywhere_data();
    void endlessLineScrolledAnywhere();
    void mouseSelects_data();
    void mouseSelects();
    void keysScroll_data();
    void keysScroll();
    void selectAllCopy();
    void receiveShowsNewestUnselected();
    void contextMenu();
    void saveFailureShowsError();
};

void TestTerminalView::wrapsAtPaneWidth_data()
{
    // Texts are built from the pane's column count c (text, then the expected rows).
    QTest::addColumn<QString>("kind");
    QTest::newRow("full row stays one row") << "full";
    QTest::newRow("one more wraps") << "plus1";
    QTest::newRow("wide character not split") << "wide";
    QTest::newRow("caret pair not split") << "caret";
    QTest::newRow("lines keep their breaks") << "lines";
}

void TestTerminalView::wrapsAtPaneWidth()
{
    QFETCH(QString, kind);
    for (const int size : {12, 28}) {
        Pane p;
        QFont f = p.view.font();
        f.setPointSize(size);
        p.view.setFont(f);
        const int c = p.view.columns();
        QVERIFY(c > 10);
        const QString a(c - 1, u'a');
        QString text;
        QStringList rows;
        if (kind == "full")
            text = a + u'b', rows = {a + u'b'};
        else if (kind == "plus1")
            text = a + QStringLiteral("bc"), rows = {a + u'b', "c"};
        else if (kind == "wide")
            text = a + QStringLiteral("中x"), rows = {a, QStringLiteral("中x")};
        else if (kind == "caret")
            text = a + QStringLiteral("\x1bx"), rows = {a, "^[x"};
        else
            text = QStringLiteral("one\r\ntwo\n\nfour\r"), rows = {"one", "two", "", "four"};
        p.receive(text);
        QCOMPARE(p.view.visibleRows(), rows);
    }
}

void TestTerminalView::endlessLineScrolledAnywhere_data()
{
    QTest::addColumn<int>("pieces");
    QTest::newRow("one receive") << 1;
    QTest::newRow("many receives") << 97;
}

// One line without line breaks, received whole or piecewise: any row scrolled to shows the
// characters that belong there, also far beyond the first screenful.
void TestTerminalView::endlessLineScrolledAnywhere()
{
    QFETCH(int, pieces);
    Pane p;
    const QString text = digits(500000);
    const qsizetype step = text.size() / pieces + 1;
    for (qsizetype at = 0; at < text.size(); at += step)
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

void TestTerminalView::mouseSelects_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("selected");
    QTest::newRow("drag across a line break") << 1 << QStringLiteral("f-e212-3456 vlan 10\n#\nint");
    QTest::newRow("double click takes a MAC whole") << 2 << QStringLiteral("000f-e212-3456");
    QTest::newRow("triple click takes the line") << 3 << QStringLiteral("mac-address static 000f-e212-3456 vlan 10");
}

void TestTerminalView::mouseSelects()
{
    QFETCH(int, clicks);
    QFETCH(QString, selected);
    Pane p;
    p.receive(QStringLiteral("mac-address static 000f-e212-3456 vlan 10\r\n#\r\ninterface"));
    QWidget *vp = p.view.viewport();
    const QPoint mac = p.cell(22, 0);
    if (clicks == 1) {
        QTest::mousePress(vp, Qt::LeftButton, {}, mac);
        QTest::mouseMove(vp, p.cell(2, 1));
        QTest::mouseMove(vp, p.cell(3, 2));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, p.cell(3, 2));
    } else {
        QTest::mouseDClick(vp, Qt::LeftButton, {}, mac);
        if (clicks == 3)
            QTest::mouseClick(vp, Qt::LeftButton, {}, mac);
    }
    QCOMPARE(p.view.selectedText(), selected);
}

void TestTerminalView::keysScroll_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("fromEnd"); // rows above the end, afterwards, in pages (-1: at the top)
    QTest::newRow("page up") << int(Qt::Key_PageUp) << int(Qt::NoModifier) << 1;
    QTest::newRow("ctrl+home") << int(Qt::Key_Home) << int(Qt::ControlModifier) << -1;
    QTest::newRow("ctrl+end after ctrl+home") << int(Qt::Key_End) << int(Qt::ControlModifier) << 0;
    QTest::newRow("page down at the end") << int(Qt::Key_PageDown) << int(Qt::NoModifier) << 0;
}

void TestTerminalView::keysScroll()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, fromEnd);
    Pane p;
    p.receive(QStringLiteral("line\r\n").repeated(500));
    QCOMPARE(p.bar()->value(), p.bar()->maximum()); // the newest output is shown
    if (key == Qt::Key_End)
        QTest::keyClick(&p.view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&p.view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(p.bar()->value(), fromEnd < 0 ? 0 : p.bar()->maximum() - fromEnd * p.bar()->pageStep());
    // The wheel scrolls too.
    const int before = p.bar()->value();
    QWheelEvent wheel(QPointF(50, 50), p.view.mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(p.view.viewport(), &wheel);
    QCOMPARE(p.bar()->value(), qMax(0, before - 3));
}

void TestTerminalView::selectAllCopy()
{
    Pane p;
    p.receive(QStringLiteral("dis cu\r\n\x1b[42Dinterface 中\r"));
    QApplication::clipboard()->clear();
    QTest::keyClick(&p.view, Qt::Key_C, Qt::ControlModifier); // nothing selected: nothing copied
    QCOMPARE(QApplication::clipboard()->text(), QString());
    QTest::keyClick(&p.view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&p.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("dis cu\n^[[42Dinterface 中"));
}

void TestTerminalView::receiveShowsNewestUnselected()
{
    Pane p;
    p.receive(QStringLiteral("x\r\n").repeated(300));
    p.view.selectAll();
    p.bar()->setValue(0);
    p.receive(QStringLiteral("<prompt>"));
    QCOMPARE(p.view.selectedText(), QString());
    QCOMPARE(p.bar()->value(), p.bar()->maximum());
    QCOMPARE(p.view.visibleRows().constLast(), QStringLiteral("<prompt>"));
}

void TestTerminalView::contextMenu()
{
    Pane p;
    const QString text = QStringLiteral("<H3C>dis cu\r\n\x08 中文\r\n");
    p.receive(text);
    std::unique_ptr<QMenu> menu(p.view.createContextMenu());
    QStringList names;
    QList<QAction *> actions;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            names << a->text(), actions << a;
    QCOMPARE(names, (QStringList{"复制", "全选", "保存到文件…", "清屏"}));
    QVERIFY(!actions[0]->isEnabled()); // nothing selected yet
    actions[1]->trigger();
    QCOMPARE(p.view.selectedText(), QStringLiteral("<H3C>dis cu\n^H 中文\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath("终端.txt");
    p.view.chooseSaveFile = [&](QWidget *) { return path; };
    actions[2]->trigger();
    QCOMPARE(test::readFile(path), text.toUtf8()); // exactly what was received
    actions[3]->trigger();
    QCOMPARE(p.terminal.text(), QString());
    QCOMPARE(p.view.visibleRows(), QStringList{QString()});
}

void TestTerminalView::saveFailureShowsError()
{
    Pane p;
    p.receive(QStringLiteral("abc"));
    test::MessageRecorder boxes;
    QTemporaryDir dir;
    p.view.chooseSaveFile = [&](QWidget *) { return dir.filePath("no-such-folder/out.txt"); };
    std::unique_ptr<QMenu> menu(p.view.createContextMenu());
    menu->actions().at(3)->trigger(); // 保存到文件… (after the separator)
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("out.txt")));
}

QTEST_MAIN(TestTerminalView)
#include "test_terminalview.moc"
