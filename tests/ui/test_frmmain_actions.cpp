// The main window's own actions: masking the input line and the one help window, which goes
// when the main window closes.
#include "support/fakeserialcontrol.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "console/terminalview.h"
#include "ui/frmmain.h"
#include "ui/help/frmhelp.h"
#include "ui/memoryinfo.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace tarnwell;

namespace {

struct Window {
    test::ConfigHome home;
    test::MessageRecorder boxes;
    test::FakeSerialControl *serial = nullptr;
    std::unique_ptr<FrmMain> w;

    Window()
    {
        setMemoryStatusSource([] { return std::optional<MemoryStatus>(); }); // no closing fade
        auto fake = std::make_unique<test::FakeSerialControl>();
        serial = fake.get();
        w = std::make_unique<FrmMain>(std::move(fake));
    }
    ~Window()
    {
        w.reset();
        setMemoryStatusSource(nullptr);
    }
};

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
private slots:
    void cleanup();
    void maskToggle_data();
    void maskToggle();
    void twoClicksOneHelpWindow();
    void helpWindowClosesWithMainWindow_data();
    void helpWindowClosesWithMainWindow();
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
    QTest::newRow("three times: masked") << 3 << "密文" << true;
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
    QCOMPARE(w.Cmd_PSD->text(), QStringLiteral("明文"));
    QCOMPARE(w.Text2->echoMode(), QLineEdit::Normal);

    w.Text2->setFocus();
    QTest::keyClicks(w.Text2, "dis");
    QTest::mouseClick(w.Cmd_PSD, Qt::LeftButton);
    w.Text2->setFocus();
    type(w.Text2, QStringLiteral(" cu中"));
    QCOMPARE(w.Text2->text(), QStringLiteral("dis cu中"));
    QCOMPARE(w.Text2->displayText(), QStringLiteral("*******"));
    for (int i = 1; i < clicks; ++i)
        QTest::mouseClick(w.Cmd_PSD, Qt::LeftButton);

    QCOMPARE(w.Cmd_PSD->text(), caption);
    QCOMPARE(w.Text2->text(), QStringLiteral("dis cu中"));
    QCOMPARE(w.Text2->displayText(), masked ? QStringLiteral("*******") : QStringLiteral("dis cu中"));

    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(w.serial().portOpen());
    t.serial->writes.clear();
    w.Text2->setFocus();
    QTest::keyClick(w.Text2, Qt::Key_Return);
    QCOMPARE(t.serial->written(), QStringLiteral("dis cu中\r"));
    QVERIFY(t.boxes.boxes.isEmpty());
}

void TestFrmMainActions::twoClicksOneHelpWindow()
{
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *help = w.findChild<QPushButton *>(QString::fromUtf8("C买的"));
    QVERIFY(help);
    QCOMPARE(help->text(), QStringLiteral("帮助"));
    QTest::mouseClick(help, Qt::LeftButton);
    const QList<FrmHelp *> first = helpWindows(true);
    QCOMPARE(first.size(), 1);
    QTest::mouseClick(help, Qt::LeftButton);
    const QList<FrmHelp *> second = helpWindows(false);
    QCOMPARE(second.size(), 1);
    QCOMPARE(second.first(), first.first());
    QVERIFY(second.first()->isVisible());
    // Modeless and without owner: an independent window beside a still usable main window.
    QCOMPARE(second.first()->parentWidget(), nullptr);
    QVERIFY(!second.first()->isModal());
    QVERIFY(w.isEnabled());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestFrmMainActions::helpWindowClosesWithMainWindow_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("left open") << "open";
    QTest::newRow("minimised") << "minimised";
    QTest::newRow("closed by the user first") << "closed";
    QTest::newRow("never opened") << "none";
}

void TestFrmMainActions::helpWindowClosesWithMainWindow()
{
    QFETCH(QString, before);
    Window t;
    FrmMain &w = *t.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QPointer<FrmHelp> help;
    if (before != "none") {
        QTest::mouseClick(w.C买的, Qt::LeftButton);
        QCOMPARE(helpWindows(true).size(), 1);
        help = helpWindows(true).first();
        if (before == "minimised")
            help->showMinimized();
        if (before == "closed") {
            QVERIFY(help->close());
            deleteClosedWindows();
        }
    }
    QVERIFY(w.close());
    QVERIFY(helpWindows(true).isEmpty());
    deleteClosedWindows();
    QVERIFY(helpWindows(false).isEmpty());
    QVERIFY(help.isNull());
    QVERIFY(t.boxes.boxes.isEmpty());
}

QTEST_MAIN(TestFrmMainActions)
#include "test_frmmain_actions.moc"
