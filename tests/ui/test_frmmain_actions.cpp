// The main window's own actions: masking the input line, the one help window, which goes when
// the main window closes, the cursor that stops blinking while nobody types, and the pane's
// menu entry that shows the session logs' folder.
#include "support/controls.h"
#include "support/window.h"
#include "ui/cursorblink.h"
#include "ui/frmmain.h"
#include "ui/help/frmhelp.h"
#include "ui/memoryinfo.h"
#include "ui/terminalview.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tarnwell;

namespace {

using Window = test::FakeWindow;

QList<FrmHelp *> helpWindows(bool visibleOnly)
{
    QList<FrmHelp *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *help = qobject_cast<FrmHelp *>(w); help && (!visibleOnly || help->isVisible()))
            found.append(help);
    return found;
}

void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Types Chinese and other text one character at a time (keyClicks cannot send Chinese).
void type(QWidget *target, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

class TestFrmMainActions : public QObject {
    Q_OBJECT
public slots:
    void openUrl(const QUrl &url) { opened << url; }

private:
    QList<QUrl> opened;

private slots:
    void cleanup();
    void maskToggle_data();
    void maskToggle();
    void helpWindowClosesWithMainWindow_data();
    void helpWindowClosesWithMainWindow();
    void cursorBlinksAgainOnInput_data();
    void cursorBlinksAgainOnInput();
    void logFolderFromMenu();
    void resizedWindowGrowsTheTerminal_data();
    void resizedWindowGrowsTheTerminal();
    void stoppingAScriptAsksFirst_data();
    void stoppingAScriptAsksFirst();
};

void TestFrmMainActions::cleanup()
{
    for (FrmHelp *help : helpWindows(false))
        delete help;
}

void TestFrmMainActions::maskToggle_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("masked");
    QTest::newRow("once: masked") << 1 << "密文" << true;
    QTest::newRow("twice: plain again") << 2 << "明文" << false;
}

// Text typed before and while masked keeps its characters; Enter sends what was typed.
void TestFrmMainActions::maskToggle()
{
    QFETCH(int, clicks);
    QFETCH(QString, caption);
    QFETCH(bool, masked);
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(test::control<QPushButton>(w, "Cmd_PSD")->text(), QStringLiteral("明文"));
    QCOMPARE(test::control<QLineEdit>(w, "Text2")->echoMode(), QLineEdit::Normal);

    test::control<QLineEdit>(w, "Text2")->setFocus();
    QTest::keyClicks(test::control<QLineEdit>(w, "Text2"), "dis");
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_PSD"), Qt::LeftButton);
    test::control<QLineEdit>(w, "Text2")->setFocus();
    type(test::control<QLineEdit>(w, "Text2"), QStringLiteral(" cu中"));
    QCOMPARE(test::control<QLineEdit>(w, "Text2")->text(), QStringLiteral("dis cu中"));
    QCOMPARE(test::control<QLineEdit>(w, "Text2")->displayText(), QStringLiteral("*******"));
    for (int i = 1; i < clicks; ++i)
        QTest::mouseClick(test::control<QPushButton>(w, "Cmd_PSD"), Qt::LeftButton);

    QCOMPARE(test::control<QPushButton>(w, "Cmd_PSD")->text(), caption);
    QCOMPARE(test::control<QLineEdit>(w, "Text2")->text(), QStringLiteral("dis cu中"));
    QCOMPARE(test::control<QLineEdit>(w, "Text2")->displayText(), masked ? QStringLiteral("*******") : QStringLiteral("dis cu中"));

    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    QVERIFY(w.serial().portOpen());
    t.serial->writes.clear();
    test::control<QLineEdit>(w, "Text2")->setFocus();
    QTest::keyClick(test::control<QLineEdit>(w, "Text2"), Qt::Key_Return);
    QCOMPARE(t.serial->written(), QStringLiteral("dis cu中\r"));
    QVERIFY(t.boxes.boxes.isEmpty());
}

void TestFrmMainActions::helpWindowClosesWithMainWindow_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("minimised") << "minimised";
}

void TestFrmMainActions::helpWindowClosesWithMainWindow()
{
    QFETCH(QString, before);
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // A second click shows the one help window again rather than a new one.
    QTest::mouseClick(test::control<QPushButton>(w, "C买的"), Qt::LeftButton);
    QTest::mouseClick(test::control<QPushButton>(w, "C买的"), Qt::LeftButton);
    QCOMPARE(helpWindows(false).size(), 1);
    QPointer<FrmHelp> help = helpWindows(true).value(0);
    QVERIFY(help);
    if (before == "minimised")
        help->showMinimized();
    QVERIFY(w.close());
    QVERIFY(helpWindows(true).isEmpty());
    deleteClosedWindows();
    QVERIFY(helpWindows(false).isEmpty());
    QVERIFY(help.isNull());
    QVERIFY(t.boxes.boxes.isEmpty());
}

void TestFrmMainActions::cursorBlinksAgainOnInput_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("wakes");
    QTest::newRow("key") << int(QEvent::KeyPress) << true;
    QTest::newRow("click") << int(QEvent::MouseButtonPress) << true;
    QTest::newRow("pinyin") << int(QEvent::InputMethod) << true;
    QTest::newRow("focus") << int(QEvent::FocusIn) << true;
    QTest::newRow("mouse moved") << int(QEvent::MouseMove) << false;
}

void TestFrmMainActions::cursorBlinksAgainOnInput()
{
    QFETCH(int, type);
    QFETCH(bool, wakes);
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    QVERIFY(flashTime > 0);
    std::unique_ptr<QEvent> input;
    if (type == QEvent::KeyPress)
        input = std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    else if (type == QEvent::InputMethod)
        input = std::make_unique<QInputMethodEvent>();
    else if (type == QEvent::FocusIn)
        input = std::make_unique<QFocusEvent>(QEvent::FocusIn);
    else
        input = std::make_unique<QMouseEvent>(QEvent::Type(type), QPointF(), QPointF(), Qt::LeftButton,
                                              Qt::LeftButton, Qt::NoModifier);
    {
        CursorBlinkTimeout blink(50);
        QVERIFY(blink.blinking());
        QTRY_VERIFY(!blink.blinking());
        QObject receiver;
        QCoreApplication::sendEvent(&receiver, input.get());
        QCOMPARE(blink.blinking(), wakes);
        QTRY_VERIFY(!blink.blinking()); // and stops again after the next quiet spell
    }
    QCOMPARE(QGuiApplication::styleHints()->cursorFlashTime(), flashTime);
}

void TestFrmMainActions::logFolderFromMenu()
{
    Window win;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    std::unique_ptr<QMenu> menu(test::control<TerminalView>(*win.w, "Text1")->createContextMenu());
    QAction *entry = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("打开日志文件夹"))
            entry = a;
    QVERIFY(entry);
    entry->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    const QString folder = win.home.stateDir() + QStringLiteral("/tarnwell/logs");
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
    QVERIFY(QFileInfo(folder).isDir()); // made when missing, so the file manager has something to show
    QVERIFY(win.boxes.boxes.isEmpty());
}

// The designed size is the least; what the window grows goes to the terminal pane (the report
// pane takes a fifth of the height, at most 160 pixels), the rest keeps its place, moved along.
void TestFrmMainActions::resizedWindowGrowsTheTerminal_data()
{
    QTest::addColumn<QSize>("grown");
    QTest::addColumn<QSize>("terminalGrows");
    QTest::addColumn<int>("reportGrows");
    QTest::newRow("designed size") << QSize(0, 0) << QSize(0, 0) << 0;
    QTest::newRow("wider and taller") << QSize(200, 300) << QSize(200, 240) << 60;
    QTest::newRow("much taller: the report grows a little") << QSize(0, 1000) << QSize(0, 840) << 160;
    QTest::newRow("smaller than designed") << QSize(-100, -100) << QSize(0, 0) << 0;
}

void TestFrmMainActions::resizedWindowGrowsTheTerminal()
{
    QFETCH(QSize, grown);
    QFETCH(QSize, terminalGrows);
    QFETCH(int, reportGrows);
    Window win;
    FrmMain &w = *win.w;
    const QSize designed(981, 649);
    QCOMPARE(w.size(), designed);
    const auto place = [&](const char *name) { return test::control<QWidget>(w, name)->geometry(); };
    const QRect terminal = place("Text1"), report = place("Text3"), input = place("Text2"),
                binding = place("Frame1"), settings = place("FrameSettings"), picture = place("Image4");
    w.show(); // a hidden window is laid out when shown
    w.resize(designed + grown);
    QCOMPARE(w.size(), designed.expandedTo(designed + grown));
    const int dy = qMax(0, grown.height());
    QCOMPARE(place("Text1"), QRect(terminal.topLeft(), terminal.size() + terminalGrows));
    QCOMPARE(place("Text2"), input.translated(0, terminalGrows.height()));
    QCOMPARE(place("Text3"), QRect(report.topLeft() + QPoint(0, terminalGrows.height()),
                                   report.size() + QSize(terminalGrows.width(), reportGrows)));
    QCOMPARE(place("Image4"), picture.translated(terminalGrows.width(), terminalGrows.height()));
    QCOMPARE(place("Frame1"), binding.translated(0, dy));
    QCOMPARE(place("FrameSettings"), settings.translated(terminalGrows.width(), dy));
}

void TestFrmMainActions::stoppingAScriptAsksFirst_data()
{
    QTest::addColumn<QString>("action"); // what is closed during the save's second pause
    QTest::addColumn<bool>("answer");
    QTest::newRow("window, kept open") << "window" << false;
    QTest::newRow("window, closed") << "window" << true;
    QTest::newRow("port, kept open") << "port" << false;
    QTest::newRow("port, closed") << "port" << true;
}

// Closing the window or the port while a script runs asks first, naming what it has sent; kept
// open, the script goes on to its end.
void TestFrmMainActions::stoppingAScriptAsksFirst()
{
    QFETCH(QString, action);
    QFETCH(bool, answer);
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
    QVERIFY(w.serial().portOpen());
    t.boxes.answer = answer;
    QTimer::singleShot(700, &w, [&] {
        if (action == "window")
            w.close();
        else
            test::control<QPushButton>(w, "Cmd_Switch")->click();
    });
    test::control<QPushButton>(w, "Cmd_Save")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.engine().busy(), 10000);
    QCoreApplication::processEvents(); // the end is shown once it is over
    QCOMPARE(t.boxes.questions.size(), 1);
    QVERIFY2(t.boxes.questions[0].startsWith(u"正在保存，"_qs) && t.boxes.questions[0].contains(u"已发送：\nsave\ny "_qs),
             qPrintable(t.boxes.questions[0]));
    QCOMPARE(w.isVisible(), !(answer && action == "window"));
    QCOMPARE(w.serial().portOpen(), !answer);
    QCOMPARE(t.serial->written(), answer ? u"save\ry \r"_qs : u"save\ry \r\r"_qs);
    // Nothing runs any more: closing asks nothing.
    w.close();
    QCOMPARE(t.boxes.questions.size(), 1);
}

QTEST_MAIN(TestFrmMainActions)
#include "test_frmmain_actions.moc"
