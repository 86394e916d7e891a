// The window closed at awkward moments, the way the program runs it: inside
// QApplication::exec(), the last window's close ending the application. During a capture
// (inside one of its paging pauses, with and without the closing fade) and during the closing
// fade itself (closed again, and the application told to quit meanwhile). Afterwards nothing
// more went out on the line, no dialog appeared, no report was made, the settings were saved,
// the fade ran to its end once, and exec() returned.
#include "faultrig.h"
#include "support/watchdog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace tarnwell;
using namespace tarnwell::test;

class TestCloseFaults : public QObject {
    Q_OBJECT
private slots:
    void closeAtAwkwardMoments_data();
    void closeAtAwkwardMoments();
    void closeDuringScriptPause_data();
    void closeDuringScriptPause();
};

void TestCloseFaults::closeAtAwkwardMoments_data()
{
    QTest::addColumn<bool>("capture");      // a capture runs when the window is closed
    QTest::addColumn<int>("closeAtMs");     // after the start of exec()
    QTest::addColumn<int>("memoryMiB");     // 1020 or more: the close fades the window out
    QTest::addColumn<QStringList>("during"); // "close" / "quit" at ms after the close began

    QTest::newRow("during a capture, no fade") << true << 1500 << 512 << QStringList();
    QTest::newRow("during a capture, with the fade") << true << 1500 << 4096 << QStringList();
    QTest::newRow("during a capture, closed again in the fade")
        << true << 1500 << 4096 << QStringList{"close@100", "close@200"};
    QTest::newRow("during the fade: closed again") << false << 100 << 4096 << QStringList{"close@150"};
    QTest::newRow("during the fade: quit") << false << 100 << 4096 << QStringList{"quit@150"};
    QTest::newRow("during the fade: quit and close") << false << 100 << 4096
                                                     << QStringList{"quit@120", "close@200"};
}

void TestCloseFaults::closeAtAwkwardMoments()
{
    QFETCH(bool, capture);
    QFETCH(int, closeAtMs);
    QFETCH(int, memoryMiB);
    QFETCH(QStringList, during);

    QVERIFY(QApplication::quitOnLastWindowClosed());
    FaultRig rig{quint64(memoryMiB)};
    FrmMain &w = rig.start();
    w.Cmd_Switch->click();
    QVERIFY(w.serial().portOpen());
    const QString settings = rig.home.appDir() + QStringLiteral("/h3c_config.ini");
    QVERIFY(!QFile::exists(settings));

    QElapsedTimer clock;
    qint64 closedAt = -1;
    bool openAtClose = false;
    QList<double> opacities; // sampled from the close on: the fade goes through them
    QTimer sampler;
    sampler.setInterval(5);
    connect(&sampler, &QTimer::timeout, this, [&] { opacities << w.windowOpacity(); });

    const auto closeWindow = [&] {
        closedAt = clock.elapsed();
        sampler.start();
        for (const QString &step : during) {
            const QString action = step.section(u'@', 0, 0);
            QTimer::singleShot(step.section(u'@', 1).toInt(), this, [&w, action] {
                if (action == QLatin1String("quit"))
                    QCoreApplication::quit();
                else
                    w.close();
            });
        }
        openAtClose = w.serial().portOpen();
        w.close();
    };
    // The close is timed from the start of the capture, which runs inside its click.
    QTimer::singleShot(0, this, [&] {
        QTimer::singleShot(closeAtMs, this, closeWindow);
        if (capture)
            w.Cmd_GetBindInfo->click();
    });

    const test::Watchdog watchdog(30000);
    clock.start();
    const int rc = QApplication::exec();
    const qint64 ms = clock.elapsed();
    sampler.stop();
    // Pauses still pending up the stack (the capture's) come back after exec() returned.
    QTest::qWait(1200);
    qInfo("exec returned after %lld ms, close at %lld ms", ms, closedAt);

    QVERIFY(!watchdog.fired());
    QCOMPARE(rc, 0);
    QVERIFY(w.isHidden());
    QVERIFY(openAtClose);
    QVERIFY(!w.serial().portOpen());
    QVERIFY(rig.boxes.boxes.isEmpty());
    // The capture stopped at the close: "dis cu" and the spaces sent before it, one at the
    // start and one a second later; the third would have gone out at two seconds.
    const QByteArray wire = rig.pty.received();
    if (capture) {
        QVERIFY2(wire.startsWith("dis cu\r"), wire.constData());
        const int spaces = wire.count(' ') - 1; // the blank inside "dis cu"
        QVERIFY2(spaces >= 1 && spaces <= 2, qPrintable(QString::number(spaces)));
    } else {
        QVERIFY(wire.isEmpty());
    }
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(w.reportText().isEmpty());
    // The settings were saved once the port was closed.
    QFile f(settings);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("[h3c_comm]\n"));
    // The fade, when there is one, ran down to fully transparent.
    const bool gradual = std::any_of(opacities.begin(), opacities.end(), [](double o) { return o > 0 && o < 1; });
    if (memoryMiB >= 1020) {
        QCOMPARE(w.windowOpacity(), 0.0);
        QVERIFY(gradual);
    } else {
        QCOMPARE(w.windowOpacity(), 1.0);
        QVERIFY(!gradual);
    }
}

void TestCloseFaults::closeDuringScriptPause_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("closeAtMs");
    QTest::addColumn<QByteArray>("sentBeforeClose");
    // Login: the user name at 0 ms, the password at 500 ms, then a 1000 ms pause.
    QTest::newRow("login, in the password pause") << "Cmd_Login" << 900 << QByteArray("admin\rpw\r");
    // Save: "save" at 0 ms, "y " at 500 ms, the empty line at 1000 ms.
    QTest::newRow("save, in the second pause") << "Cmd_Save" << 700 << QByteArray("save\ry \r");
    // Binding: login lines, then the port lines; closed in the pause after "sys".
    QTest::newRow("bind, after sys") << "Cmd_Try_Bind" << 1700 << QByteArray("admin\rpw\rsys\r");
}

// The real window closed while a script waits in one of its pauses, inside exec(): the script
// sends nothing more and shows no message, and the program ends.
void TestCloseFaults::closeDuringScriptPause()
{
    QFETCH(QString, button);
    QFETCH(int, closeAtMs);
    QFETCH(QByteArray, sentBeforeClose);
    FaultRig rig;
    FrmMain &w = rig.start();
    w.Cmd_Switch->click();
    QVERIFY(w.serial().portOpen());
    w.Txt_User_Name->setText(QStringLiteral("admin"));
    w.Txt_User_PSD->setText(QStringLiteral("pw"));
    w.Txt_Vlan->setText(QStringLiteral("10"));
    auto *target = w.findChild<QPushButton *>(button);
    QVERIFY(target);
    QTimer::singleShot(0, this, [&] {
        QTimer::singleShot(closeAtMs, &w, &QWidget::close);
        target->click();
    });
    const test::Watchdog watchdog(20000);
    QCOMPARE(QApplication::exec(), 0);
    QTest::qWait(1200); // pauses still pending up the stack come back after exec() returned
    QCOMPARE(rig.pty.received(), sentBeforeClose);
    QVERIFY(rig.boxes.boxes.isEmpty());
    QVERIFY(!w.serial().portOpen());
}

QTEST_MAIN(TestCloseFaults)
#include "tst_closefaults.moc"
