// The console through the main window over a real pseudo-terminal: open and close, the bytes
// each key and button sends, the space rule and the default button.
#include "support/controls.h"
#include "serial/serialcontrol.h"
#include "support/window.h"
#include "ui/frmmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tarnwell;

namespace {

bool closedState(FrmMain &w)
{
    return test::control<QPushButton>(w, "Cmd_Switch")->text() == QStringLiteral("点击开启") && !w.serial().portOpen()
           && test::control<QComboBox>(w, "Combo2")->isEnabled() && test::control<QComboBox>(w, "Combo7")->isEnabled() && !test::control<QTimer>(w, "Timer2")->isActive()
           && !test::control<QLabel>(w, "Image2")->isHidden() && test::control<QLabel>(w, "Image3")->isHidden() && w.portSettings().applyEnabled;
}

} // namespace

class TestConsoleTerminal : public QObject {
    Q_OBJECT
private slots:
    void openAndClose()
    {
        test::WindowRig t;
        FrmMain &w = t.start(false); // not shown: key and mouse events still reach it
        QVERIFY(closedState(w));
        t.open();
        QCOMPARE(test::control<QPushButton>(w, "Cmd_Switch")->text(), QStringLiteral("点击关闭"));
        QVERIFY(!test::control<QComboBox>(w, "Combo2")->isEnabled() && test::control<QTimer>(w, "Timer2")->isActive() && !w.portSettings().applyEnabled);
        QTest::mouseClick(test::control<QPushButton>(w, "Cmd_Switch"), Qt::LeftButton);
        QVERIFY(closedState(w));
        test::control<QComboBox>(w, "Combo3")->setCurrentIndex(test::control<QComboBox>(w, "Combo3")->findText("19200")); // applied at once when closed
        QCOMPARE(w.serial().settings(), QStringLiteral("19200,n,8,1"));
        QVERIFY(t.boxes.boxes.isEmpty());
    }

    void sendsExactBytes_data()
    {
        // A button is clicked; in a control a key is pressed.
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("after");
        QTest::newRow("enter") << "dis cu" << "Cmd_Send_Enter" << 0 << QByteArray("dis cu\r") << "";
        QTest::newRow("tab") << "dis" << "Cmd_Tab" << 0 << QByteArray("dis\t") << "";
        QTest::newRow("hint") << "dis" << "Cmd_WenHao" << 0 << QByteArray("dis ?") << "";
        QTest::newRow("break discards text") << "tel 1.1.1.1" << "Cmd_Break" << 0 << QByteArray("\x0b") << "";
        QTest::newRow("space discards text") << "abc" << "CmdSendSpace" << 0 << QByteArray(" ") << "";
        QTest::newRow("backspace") << "abc" << "Cmd_Back" << 0 << QByteArray("\x08") << "";
        QTest::newRow("space key, empty line: pages") << "" << "Text2" << int(Qt::Key_Space) << QByteArray(" ") << " ";
        QTest::newRow("space key, blank line: pages") << "   " << "Text2" << int(Qt::Key_Space) << QByteArray(" ") << " ";
        QTest::newRow("space key after text: typed") << "dis" << "Text2" << int(Qt::Key_Space) << QByteArray() << "dis ";
        QTest::newRow("tab key completes") << "dis" << "Text2" << int(Qt::Key_Tab) << QByteArray("dis\t") << "";
        QTest::newRow("ctrl+z, empty line") << "" << "Text2" << (Qt::CTRL | Qt::Key_Z).toCombined() << QByteArray("\x1a") << "";
        QTest::newRow("ctrl+z after text: nothing") << "dis" << "Text2" << (Qt::CTRL | Qt::Key_Z).toCombined() << QByteArray() << "dis";
        QTest::newRow("no-break space sent as a blank") << "int\u00a0eth 1/0/5 中" << "Cmd_Send_Enter" << 0
                                                        << QByteArray("int eth 1/0/5 \xd6\xd0\r") << "";
        QTest::newRow("return in input line") << "dis" << "Text2" << int(Qt::Key_Return) << QByteArray("dis\r") << "";
        QTest::newRow("ctrl+c, empty line") << "" << "Text2" << (Qt::CTRL | Qt::Key_C).toCombined() << QByteArray("\x03") << "";
        QTest::newRow("ctrl+b, empty line") << "" << "Text2" << (Qt::CTRL | Qt::Key_B).toCombined() << QByteArray("\x02") << "";
        QTest::newRow("ctrl+a, empty line: the window's") << "" << "Text2" << (Qt::CTRL | Qt::Key_A).toCombined() << QByteArray() << "";
        // Keys typed in the terminal pane go as typed; the input line keeps its text.
        QTest::newRow("return in terminal") << "dis" << "Text1" << int(Qt::Key_Return) << QByteArray("\r") << "dis";
        QTest::newRow("letter in terminal") << "dis" << "Text1" << int(Qt::Key_Q) << QByteArray("q") << "dis";
        QTest::newRow("tab in terminal") << "" << "Text1" << int(Qt::Key_Tab) << QByteArray("\t") << "";
        QTest::newRow("up in terminal") << "" << "Text1" << int(Qt::Key_Up) << QByteArray("\x1b[A") << "";
        QTest::newRow("backspace in terminal") << "" << "Text1" << int(Qt::Key_Backspace) << QByteArray("\b") << "";
        QTest::newRow("ctrl+c in terminal") << "" << "Text1" << (Qt::CTRL | Qt::Key_C).toCombined() << QByteArray("\x03") << "";
        QTest::newRow("ctrl+a in terminal: selects") << "" << "Text1" << (Qt::CTRL | Qt::Key_A).toCombined() << QByteArray() << "";
        // Not the focused button: a stray Enter after a click never runs a script such as the reboot again.
        QTest::newRow("return on a button") << "dis" << "Cmd_Reboot" << int(Qt::Key_Return) << QByteArray("dis\r") << "";
    }
    void sendsExactBytes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, target);
        QFETCH(int, key);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, after);
        test::WindowRig t;
        FrmMain &w = t.start(false);
        t.open();
        test::control<QLineEdit>(w, "Text2")->setText(typed);
        auto *control = w.findChild<QWidget *>(target);
        QVERIFY(control);
        control->setFocus();
        if (key)
            QTest::keyClick(control, Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        else
            QTest::mouseClick(control, Qt::LeftButton);
        QCOMPARE(t.sent(qMax<int>(1, bytes.size()), bytes.isEmpty() ? 500 : 5000), bytes); // once, and nothing after it
        QCOMPARE(test::control<QLineEdit>(w, "Text2")->text(), after);
        QVERIFY(t.boxes.boxes.isEmpty());
    }

    // A password the switch cannot take is not sent, and the message names none of its characters.
    void maskedLineNotSendable()
    {
        test::WindowRig t;
        FrmMain &w = t.start(false);
        t.open();
        test::control<QPushButton>(w, "Cmd_PSD")->click(); // 密文
        test::control<QLineEdit>(w, "Text2")->setText(QStringLiteral("pa☃ss"));
        test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
        QCOMPARE(t.boxes.boxes.size(), 1);
        QVERIFY2(t.boxes.boxes[0].text.contains(QStringLiteral("密码")) && !t.boxes.boxes[0].text.contains(u'☃'),
                 qPrintable(t.boxes.boxes[0].text));
        QCOMPARE(t.sent(1, 500), QByteArray());
    }
};

QTEST_MAIN(TestConsoleTerminal)
#include "test_consoleterminal.moc"
