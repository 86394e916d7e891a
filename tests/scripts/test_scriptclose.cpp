// Closing the window while a script waits in a pause, run as the program runs: inside
// QApplication::exec(), the window deleting itself on close and its closing ending the
// application. The interrupted script sends nothing more and shows no message (the port is
// closed by then, so a further line would end in the error dialog), nothing touches the
// destroyed window (checked by the address sanitizer build), the wait does not spin while the
// application quits, and exec() returns.
#include "console/messagebox.h"
#include "scripts/commandscripts.h"
#include "scripts/delay.h"
#include "ptylink.h"
#include "scriptfixture.h"
#include "support/watchdog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <map>
#include <memory>

using namespace tarnwell;
using tarnwell::test::CountingRealClock;

namespace {

// Stands in for the main window: owns the serial control, the inputs and the scripts, closes
// the port and cancels the scripts when it closes, and deletes itself afterwards.
class StandInWindow : public QWidget {
public:
    StandInWindow() : link(std::make_unique<test::PtyLink>()), scripts(*link, inputs)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(this);
        const std::map<QString, void (CommandScripts::*)()> actions = {
            {QStringLiteral("login"), &CommandScripts::login},
            {QStringLiteral("bind"), &CommandScripts::bind},
            {QStringLiteral("unbind"), &CommandScripts::unbind},
            {QStringLiteral("save"), &CommandScripts::save},
            {QStringLiteral("reboot"), &CommandScripts::reboot},
        };
        for (const auto &[name, action] : actions) {
            auto *button = new QPushButton(name, this);
            layout->addWidget(button);
            buttons[name] = button;
            connect(button, &QPushButton::clicked, this,
                    [this, action = action] { trapErrors([this, action] { (scripts.*action)(); }); });
        }
    }

    std::unique_ptr<test::PtyLink> link;
    test::FakeInputs inputs;
    CommandScripts scripts;
    std::map<QString, QPushButton *> buttons;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        scripts.cancel();
        link->setPortOpen(false);
        event->accept();
    }
};

} // namespace

class TestScriptClose : public QObject {
    Q_OBJECT
private slots:
    void closeDuringPause_data();
    void closeDuringPause();
};

void TestScriptClose::closeDuringPause_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("clicks");  // "ms:button"
    QTest::addColumn<int>("closeAt");         // ms; -1: while the first message box is open
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("bind, closed in the second pause")
        << QStringList{"PortNum=7", "Vlan=2", "Mac=m"} << QStringList{"0:bind"} << 700
        << QByteArray("sys\rint eth 1/0/7\r") << QStringList();
    QTest::newRow("login, closed in the password pause")
        << QStringList{"ManageIP=1.1.1.1", "UserName=u", "UserPSD=p", "SuperName=s", "SuperPSD=q"}
        << QStringList{"0:login"} << 1300 << QByteArray("tel 1.1.1.1\ru\rp\r") << QStringList();
    QTest::newRow("save, closed while its message is open")
        << QStringList() << QStringList{"0:save"} << -1 << QByteArray("save\ry \r\r")
        << QStringList{QStringLiteral("保存大概需要5-10秒，为保险起见，请完毕后列举绑定信息检查！")};
    QTest::newRow("reboot inside save, closed in the inner pause")
        << QStringList() << QStringList{"0:save", "200:reboot"} << 450 << QByteArray("save\rsys\r")
        << QStringList();
}

void TestScriptClose::closeDuringPause()
{
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, clicks);
    QFETCH(int, closeAt);
    QFETCH(QByteArray, wire);
    QFETCH(QStringList, messages);

    QVERIFY(QApplication::quitOnLastWindowClosed());
    test::MessageRecorder recorder;
    QPointer<StandInWindow> window = new StandInWindow;
    window->inputs.fill(boxes);
    QByteArray received;
    connect(&window->link->pty, &test::Pty::bytesReceived, this,
            [&](const QByteArray &bytes) { received += bytes; });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));

    for (const QString &click : clicks) {
        const int at = click.section(QLatin1Char(':'), 0, 0).toInt();
        const QString name = click.section(QLatin1Char(':'), 1);
        QTimer::singleShot(at, this, [&window, name] {
            if (window)
                QTest::mouseClick(window->buttons.at(name), Qt::LeftButton);
        });
    }
    if (closeAt >= 0)
        QTimer::singleShot(closeAt, this, [&window] { window->close(); });
    else
        recorder.onShown = [&window](const test::MessageRecorder::Box &) { window->close(); };
    // Stops a hung run; never fires when the close ends the application as it should.
    const test::Watchdog watchdog(20000);

    CountingRealClock clock;
    QElapsedTimer wall;
    wall.start();
    const int rc = QApplication::exec();
    const qint64 ms = wall.elapsed();

    qInfo("exec took %lld ms, %d rounds", ms, clock.rounds);
    QVERIFY(!watchdog.fired());
    QCOMPARE(rc, 0);
    QVERIFY2(!window, "the window deleted itself");
    QCOMPARE(received, wire);
    QCOMPARE(recorder.texts(), messages);
    // About one round per event; a wait spinning while the application quits goes round
    // thousands of times.
    QVERIFY2(clock.rounds < 200, qPrintable(QStringLiteral("%1 rounds in %2 ms").arg(clock.rounds).arg(ms)));
}

QTEST_MAIN(TestScriptClose)
#include "test_scriptclose.moc"
