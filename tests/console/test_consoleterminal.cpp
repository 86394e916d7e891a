// The console through the main window over a real pseudo-terminal: open and close, the bytes
// each key sends, the space rule and the default button.
#include "console/consoleterminal.h"
#include "console/serialcontrol.h"
#include "console/terminalview.h"
#include "support/window.h"
#include "ui/frmmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace tarnwell;

namespace {

// The real window on COM3 over a pty, not shown (key and mouse events still reach it).
struct Window : test::WindowRig {
    FrmMain *w;
    Window() : w(&start(false)) {}
};

bool closedState(FrmMain &w)
{
    return w.Cmd_Switch->text() == QStringLiteral("点击开启") && !w.serial().portOpen()
           && w.Combo2->isEnabled() && w.Combo7->isEnabled() && !w.Timer2->isActive()
           && !w.Image2->isHidden() && w.Image3->isHidden() && w.portSettings().ApplyEnabled;
}

} // namespace

class TestConsoleTerminal : public QObject {
    Q_OBJECT
private slots:
    void openAndClose();
    void keysSendExactBytes_data();
    void keysSendExactBytes();
    void spaceRule_data();
    void spaceRule();
    void enterStartsTheDefaultButton_data();
    void enterStartsTheDefaultButton();
};

void TestConsoleTerminal::openAndClose()
{
    Window t;
    QVERIFY(closedState(*t.w));
    t.open();
    QCOMPARE(t.w->Cmd_Switch->text(), QStringLiteral("点击关闭"));
    QVERIFY(!t.w->Combo3->isEnabled());
    QVERIFY(t.w->Timer2->isActive());
    QVERIFY(!t.w->portSettings().ApplyEnabled);
    QTest::mouseClick(t.w->Cmd_Switch, Qt::LeftButton);
    QVERIFY(closedState(*t.w));
    // A pick after closing is applied at once.
    t.w->Combo3->setCurrentIndex(t.w->Combo3->findText("19200"));
    QCOMPARE(t.w->serial().settings(), QStringLiteral("19200,n,8,1"));
    QVERIFY(t.boxes.boxes.isEmpty());
}

void TestConsoleTerminal::keysSendExactBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("enter") << "dis cu" << "Cmd_Send_Enter" << QByteArray("dis cu\r");
    QTest::newRow("tab") << "dis" << "Cmd_Tab" << QByteArray("dis\t");
    QTest::newRow("hint") << "dis" << "Cmd_WenHao" << QByteArray("dis ?");
    QTest::newRow("break discards text") << "tel 1.1.1.1" << "Cmd_Break" << QByteArray("\x0b");
    QTest::newRow("space discards text") << "abc" << "CmdSendSpace" << QByteArray(" ");
    QTest::newRow("backspace") << "abc" << "Cmd_Back" << QByteArray("\x08");
}

void TestConsoleTerminal::keysSendExactBytes()
{
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QByteArray, bytes);
    Window t;
    t.open();
    t.w->Text2->setText(typed);
    QTest::mouseClick(t.w->findChild<QPushButton *>(button), Qt::LeftButton);
    QCOMPARE(t.sent(bytes.size()), bytes);
    QCOMPARE(t.w->Text2->text(), QString());
    QVERIFY(t.boxes.boxes.isEmpty());
}

void TestConsoleTerminal::spaceRule_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("after");
    QTest::newRow("empty line pages") << "" << QByteArray(" ") << " ";
    QTest::newRow("blank line pages") << "   " << QByteArray(" ") << " ";
    QTest::newRow("text: ordinary character") << "dis" << QByteArray() << "dis ";
}

void TestConsoleTerminal::spaceRule()
{
    QFETCH(QString, before);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, after);
    Window t;
    t.open();
    t.w->Text2->setText(before);
    t.w->Text2->setFocus();
    QTest::keyClick(t.w->Text2, Qt::Key_Space, Qt::NoModifier);
    QCOMPARE(t.sent(qMax<int>(1, bytes.size())), bytes);
    QCOMPARE(t.w->Text2->text(), after);
    if (!bytes.isEmpty()) {
        // Every further space in such a line pages again.
        QTest::keyClick(t.w->Text2, Qt::Key_Space, Qt::NoModifier);
        QCOMPARE(t.sent(2), QByteArray("  "));
    }
}

void TestConsoleTerminal::enterStartsTheDefaultButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("input line") << "Text2" << int(Qt::Key_Return) << QByteArray("dis\r");
    QTest::newRow("terminal") << "Text1" << int(Qt::Key_Return) << QByteArray("dis\r");
    // Not the focused button: a stray Enter after a click never runs a script such as the reboot again.
    QTest::newRow("another button") << "Cmd_Reboot" << int(Qt::Key_Return) << QByteArray("dis\r");
}

void TestConsoleTerminal::enterStartsTheDefaultButton()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QByteArray, bytes);
    Window t;
    t.open();
    t.w->Text2->setText("dis");
    auto *target = t.w->findChild<QWidget *>(focus);
    QVERIFY(target);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(t.sent(bytes.size()), bytes); // once, and nothing after it
    QCOMPARE(t.w->Text2->text(), QString());
    QVERIFY(t.boxes.boxes.isEmpty());
}

QTEST_MAIN(TestConsoleTerminal)
#include "test_consoleterminal.moc"

