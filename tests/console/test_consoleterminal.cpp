// The console through the main window over a real pseudo-terminal: open and close, the bytes
// each key sends, what the terminal keeps and shows, and losing the device.
#include "console/consoleterminal.h"
#include "console/serialcontrol.h"
#include "console/terminalview.h"
#include "support/messagerecorder.h"
#include "support/pty.h"
#include "ui/frmmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <memory>

using namespace tarnwell;

namespace {

struct Window {
    test::ConfigHome home;
    test::Pty pty;
    test::MessageRecorder boxes;
    std::unique_ptr<FrmMain> w;

    Window()
    {
        home.linkPort(3, pty.slavePath()); // the default port
        w = std::make_unique<FrmMain>();
    }
    ~Window()
    {
        if (w)
            w->Text2->clear(); // nothing typed should linger into the next test's window
    }
    void open()
    {
        QTest::mouseClick(w->Cmd_Switch, Qt::LeftButton);
        QVERIFY(w->serial().portOpen());
    }
    QByteArray sent(int n)
    {
        if (!pty.waitForReceived(n))
            return pty.received();
        QTest::qWait(30); // nothing more should follow
        return pty.received();
    }
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
    void sendWhileClosedKeepsText();
    void receivedTextKeptAndShown_data();
    void receivedTextKeptAndShown();
    void farEndClosingWhileOpen_data();
    void farEndClosingWhileOpen();
    void openingMissingDeviceChangesNothing();
    void fontSizeAppliesToFourControls();
    void lampBlinksAndEndsUnlit();
    void portToolTipsFollowTheDevices();
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
    QTest::newRow("enter on empty line") << "" << "Cmd_Send_Enter" << QByteArray("\r");
    QTest::newRow("enter") << "dis cu" << "Cmd_Send_Enter" << QByteArray("dis cu\r");
    QTest::newRow("tab") << "dis" << "Cmd_Tab" << QByteArray("dis\t");
    QTest::newRow("hint") << "dis" << "Cmd_WenHao" << QByteArray("dis ?");
    QTest::newRow("break discards text") << "tel 1.1.1.1" << "Cmd_Break" << QByteArray("\x0b");
    QTest::newRow("space discards text") << "abc" << "CmdSendSpace" << QByteArray(" ");
    QTest::newRow("backspace") << "abc" << "Cmd_Back" << QByteArray("\x08");
    QTest::newRow("chinese as GBK") << QStringLiteral("中文") << "Cmd_Send_Enter"
                                    << QByteArray("\xd6\xd0\xce\xc4\r");
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
    QTest::newRow("keypad enter") << "Text2" << int(Qt::Key_Enter) << QByteArray("dis\r");
    QTest::newRow("terminal") << "Text1" << int(Qt::Key_Return) << QByteArray("dis\r");
    QTest::newRow("report box") << "Text3" << int(Qt::Key_Return) << QByteArray("dis\r");
    QTest::newRow("vlan box") << "Txt_Vlan" << int(Qt::Key_Return) << QByteArray("dis\r");
    QTest::newRow("font list") << "Combo1" << int(Qt::Key_Return) << QByteArray("dis\r");
    QTest::newRow("option button") << "Opt_Sw3600" << int(Qt::Key_Return) << QByteArray("dis\r");
    QTest::newRow("enter button") << "Cmd_Send_Enter" << int(Qt::Key_Return) << QByteArray("dis\r");
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

void TestConsoleTerminal::sendWhileClosedKeepsText()
{
    Window t;
    t.w->Text2->setText("dis cu");
    for (const char *name : {"Cmd_Send_Enter", "Cmd_Tab", "Cmd_WenHao", "CmdSendSpace", "Cmd_Break"}) {
        QTest::mouseClick(t.w->findChild<QPushButton *>(name), Qt::LeftButton);
        QCOMPARE(t.w->Text2->text(), QStringLiteral("dis cu"));
    }
    QCOMPARE(t.boxes.boxes.size(), 5);
    for (const auto &b : t.boxes.boxes) {
        QCOMPARE(b.title, QStringLiteral("出错喽"));
        QVERIFY(b.text.endsWith(QStringLiteral(",请联系Dervik!")));
    }
    QTest::qWait(30);
    QCOMPARE(t.pty.received(), QByteArray());
}

void TestConsoleTerminal::receivedTextKeptAndShown_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("crlf lines") << QByteArray("abc\r\ndef") << QByteArray() << "abc\r\ndef" << "abc\ndef";
    QTest::newRow("crlf split") << QByteArray("abc\r") << QByteArray("\ndef") << "abc\r\ndef" << "abc\ndef";
    QTest::newRow("lone lf") << QByteArray("abc\ndef") << QByteArray() << "abc\ndef" << "abc\ndef";
    QTest::newRow("controls visible, not acted on")
        << QByteArray("ab\x08\x1b[42D") << QByteArray() << "ab\x08\x1b[42D" << "ab^H^[[42D";
    QTest::newRow("lone cr visible") << QByteArray("a\rb") << QByteArray() << "a\rb" << "a^Mb";
    QTest::newRow("cr at a read's end, then cr lf") << QByteArray("ab\rab\r") << QByteArray("\r\nz")
                                                   << "ab\rab\r\r\nz" << "ab^Mab^M\nz";
    QTest::newRow("gbk split") << QByteArray("<\xd6") << QByteArray("\xd0>") << QStringLiteral("<中>")
                               << QStringLiteral("<中>");
}

void TestConsoleTerminal::receivedTextKeptAndShown()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    Window t;
    t.open();
    t.pty.write(first);
    if (!second.isEmpty()) {
        QTest::qWait(60);
        t.pty.write(second);
    }
    QVERIFY2(QTest::qWaitFor([&] { return t.w->terminal().text() == text; }, 5000),
             qPrintable(t.w->terminal().text()));
    t.w->Text1->flush();
    QCOMPARE(t.w->Text1->shownText(), shown);
    QCOMPARE(t.w->Text1->verticalScrollBar()->value(), t.w->Text1->verticalScrollBar()->maximum());
}

void TestConsoleTerminal::farEndClosingWhileOpen_data()
{
    QTest::addColumn<bool>("typeEnter");
    QTest::newRow("idle") << false;
    QTest::newRow("enter pressed before it is noticed") << true;
}

void TestConsoleTerminal::farEndClosingWhileOpen()
{
    QFETCH(bool, typeEnter);
    test::ConfigHome home;
    auto pty = std::make_unique<test::Pty>();
    home.linkPort(3, pty->slavePath());
    const QString device = pty->slavePath();
    test::MessageRecorder boxes;
    FrmMain w;
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QVERIFY(w.serial().portOpen());
    w.Text2->setText("dis cu");
    pty.reset();
    if (typeEnter)
        QTest::keyClick(w.Text2, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !boxes.boxes.isEmpty(); }, 5000));
    QTest::qWait(300);
    QCOMPARE(boxes.boxes.size(), 1); // once
    QVERIFY(boxes.boxes[0].text.contains(device));
    QVERIFY(closedState(w));
    QCOMPARE(w.Text2->text(), QStringLiteral("dis cu")); // nothing was sent: the line is kept
}

void TestConsoleTerminal::openingMissingDeviceChangesNothing()
{
    test::ConfigHome home;
    home.linkPort(3, home.path() + QStringLiteral("/no-such-device"));
    test::MessageRecorder boxes;
    FrmMain w;
    const QString label = w.Lbl_ComSettings->text();
    QTest::mouseClick(w.Cmd_Switch, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("no-such-device")));
    QVERIFY(closedState(w));
    QCOMPARE(w.Lbl_ComSettings->text(), label);
}

void TestConsoleTerminal::fontSizeAppliesToFourControls()
{
    test::ConfigHome home;
    FrmMain w;
    QCOMPARE(w.Combo1->currentText(), QStringLiteral("12"));
    w.Combo1->setCurrentIndex(w.Combo1->findText("28"));
    for (QWidget *c : std::initializer_list<QWidget *>{w.Lbl_FontSize, w.Text1, w.Text2, w.Text3})
        QCOMPARE(c->font().pointSizeF(), 28.0);
    // The label grows with its font, so its caption is never cut off.
    QCOMPARE(w.Lbl_FontSize->size(), w.Lbl_FontSize->sizeHint());
}

void TestConsoleTerminal::lampBlinksAndEndsUnlit()
{
    Window t;
    t.open();
    t.w->Timer2->setInterval(20);
    QVERIFY(QTest::qWaitFor([&] { return !t.w->Image3->isHidden(); }, 3000));
    QVERIFY(t.w->Image2->isHidden()); // exactly one lamp at a time
    QTest::mouseClick(t.w->Cmd_Switch, Qt::LeftButton);
    QVERIFY(closedState(*t.w));
}

void TestConsoleTerminal::portToolTipsFollowTheDevices()
{
    Window t;
    auto *ports = t.w->Combo2;
    ports->showPopup();
    QVERIFY(ports->itemData(2, Qt::ToolTipRole).toString().contains(t.pty.slavePath()));
    ports->hidePopup();
    t.home.linkPort(3, QStringLiteral("/nonexistent/ttyUSB7")); // re-pointed while running
    ports->showPopup();
    QVERIFY(ports->itemData(2, Qt::ToolTipRole).toString().contains(QStringLiteral("/nonexistent/ttyUSB7")));
    ports->hidePopup();
}

QTEST_MAIN(TestConsoleTerminal)
#include "test_consoleterminal.moc"

