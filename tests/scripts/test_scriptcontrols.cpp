// The binding frame's glue: the model and port-type option buttons, and the line-edit inputs
// the scripts read (at send time) and clear.
#include "scripts/commandscripts.h"
#include "scripts/scriptinputs.h"
#include "scripts/switchmodel.h"
#include "scriptfixture.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

using namespace tarnwell;

class TestScriptControls : public QObject {
    Q_OBJECT
private slots:
    void modelButtons_data();
    void modelButtons();
    void trunkRefusedEveryTime();
    void modelButtonChoosesBindForm_data();
    void modelButtonChoosesBindForm();
    void lineEditsReadAtSendTime();
    void inputLineClearedAndFocused();
};

void TestScriptControls::modelButtons_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("after");
    QTest::newRow("3600 from start-up") << "3100" << "Opt_Sw3600" << "3600";
    QTest::newRow("3100 from 3600") << "3600" << "Opt_Sw3100" << "3100";
    QTest::newRow("3600 over a parsed 9512") << "9512" << "Opt_Sw3600" << "3600";
}

void TestScriptControls::modelButtons()
{
    QFETCH(QString, before);
    QFETCH(QString, button);
    QFETCH(QString, after);
    test::MessageRecorder boxes;
    QString model = before;
    if (button == QLatin1String("Opt_Sw3100"))
        optSw3100Click(model);
    else
        optSw3600Click(model);
    QCOMPARE(model, after);
    QVERIFY(boxes.boxes.isEmpty());
}

// The Trunk button shows its refusal, and only after the box is closed is Access selected again.
void TestScriptControls::trunkRefusedEveryTime()
{
    test::MessageRecorder boxes;
    int reselected = 0;
    int reselectedWhileBoxOpen = -1;
    boxes.onShown = [&](const test::MessageRecorder::Box &) { reselectedWhileBoxOpen = reselected; };
    for (int click = 1; click <= 2; ++click) {
        option2Click([&] { ++reselected; });
        QCOMPARE(reselected, click);
        QCOMPARE(reselectedWhileBoxOpen, click - 1);
    }
    QCOMPARE(boxes.boxes.size(), 2);
    for (const auto &box : boxes.boxes) {
        QCOMPARE(box.text, QStringLiteral("此版本暂不支持Trunk口的绑定操作！"));
        QCOMPARE(box.title, QStringLiteral("端口类型"));
    }
}

void TestScriptControls::modelButtonChoosesBindForm_data()
{
    QTest::addColumn<QString>("clicked"); // empty: the window just opened
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("just opened") << "" << "mac-addr static m vlan 4\r";
    QTest::newRow("after 3600") << "Opt_Sw3600" << "am user-bind mac-addr m ip-addr 1.1.1.1\r";
    QTest::newRow("3600 then 3100") << "Opt_Sw3100" << "mac-addr static m vlan 4\r";
}

void TestScriptControls::modelButtonChoosesBindForm()
{
    QFETCH(QString, clicked);
    QFETCH(QString, lastLine);
    test::ScriptTrace t;
    t.inputs.fill({"PortNum=1", "Vlan=4", "Mac=m", "IP=1.1.1.1"});
    QString switchModel = initialSwitchModel();
    if (clicked == QLatin1String("Opt_Sw3600")) {
        optSw3600Click(switchModel);
    } else if (clicked == QLatin1String("Opt_Sw3100")) {
        optSw3600Click(switchModel);
        optSw3100Click(switchModel);
    }
    t.inputs.model = switchModel;
    CommandScripts scripts(t.serial, t.inputs);
    scripts.bind();
    QCOMPARE(t.serial.writes.size(), 5);
    QCOMPARE(t.serial.writes.last().text, lastLine);
}

namespace {

struct Frame {
    QWidget window;
    QLineEdit *boxes[kScriptBoxCount];
    QLineEdit *text2;
    QString model = QStringLiteral("3100");
    LineEditInputs inputs;

    Frame()
    {
        auto *layout = new QVBoxLayout(&window);
        for (int i = 0; i < kScriptBoxCount; ++i) {
            boxes[i] = new QLineEdit(&window);
            layout->addWidget(boxes[i]);
            inputs.setBox(ScriptBox(i), boxes[i]);
        }
        text2 = new QLineEdit(&window);
        layout->addWidget(text2);
        inputs.setInputLine(text2);
        inputs.setSwitchModel([this] { return model; });
    }
    QLineEdit *box(ScriptBox b) { return boxes[int(b)]; }
};

} // namespace

// Over real line edits: a box typed into during a pause is read when its line goes out, and a
// masked password box still yields its text.
void TestScriptControls::lineEditsReadAtSendTime()
{
    test::ScriptTrace t;
    Frame frame;
    frame.box(ScriptBox::ManageIP)->setText(QStringLiteral("10.9.8.7"));
    frame.box(ScriptBox::UserPassword)->setEchoMode(QLineEdit::Password);
    frame.box(ScriptBox::UserPassword)->setText(QStringLiteral("secret"));
    frame.box(ScriptBox::PortNum)->setText(QStringLiteral("2"));
    frame.box(ScriptBox::Mac)->setText(QStringLiteral("m"));
    t.clock.at(100, [&] {
        frame.box(ScriptBox::UserName)->setText(QStringLiteral("late"));
        frame.box(ScriptBox::Vlan)->setText(QStringLiteral("12"));
        frame.model = QStringLiteral("3600");
    });
    CommandScripts scripts(t.serial, frame.inputs);
    scripts.bind();
    QCOMPARE(t.serial.written(),
             QStringLiteral("tel 10.9.8.7\rlate\rsecret\rsys\rint eth 1/0/2\rundo shut\r"
                            "port acc vlan 12\ram user-bind mac-addr m ip-addr \r"));
}

void TestScriptControls::inputLineClearedAndFocused()
{
    test::ScriptTrace t;
    Frame frame;
    frame.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame.window));
    frame.window.activateWindow();
    frame.box(ScriptBox::Mac)->setFocus();
    frame.text2->setText(QStringLiteral("show vlan"));
    CommandScripts scripts(t.serial, frame.inputs);
    scripts.reboot();
    QCOMPARE(frame.text2->text(), QString());
    QVERIFY(QTest::qWaitFor([&] { return frame.text2->hasFocus(); }));
    QVERIFY(!t.serial.written().contains(QLatin1String("show vlan")));
}

QTEST_MAIN(TestScriptControls)
#include "test_scriptcontrols.moc"
