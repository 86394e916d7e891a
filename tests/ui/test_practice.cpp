// tarnwell --practice: the window on the bundled simulated switch at a console's pace, in a
// throw-away settings folder that nothing of the person's own configuration reaches; the
// session logs kept in the person's log folder, marked as practice.
#include "support/controls.h"
#include "base/error.h"
#include "serial/portserialcontrol.h"
#include "support/files.h"
#include "tarnwell_version.h"
#include "ui/frmmain.h"
#include "ui/practice.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

class TestPractice : public QObject {
    Q_OBJECT
private slots:
    void windowOnTheSimulatedSwitch_data();
    void windowOnTheSimulatedSwitch();
    void simulatorNotStartedIsReported_data();
    void simulatorNotStartedIsReported();
};

void TestPractice::windowOnTheSimulatedSwitch_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<int>("baud");
    QTest::newRow("a console's 9600 baud") << QByteArray() << 9600;
    QTest::newRow("TARNWELL_SIM_OPTIONS overrides the pace") << QByteArray("--baud 4800") << 4800;
}

void TestPractice::windowOnTheSimulatedSwitch()
{
    QFETCH(QByteArray, options);
    QFETCH(int, baud);
    QTemporaryDir own, ownState;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(own.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(ownState.path()));
    qputenv("TARNWELL_SIM_OPTIONS", options);
    QString home;
    {
        PracticeSession practice(QStringLiteral(TARNWELL_SWITCHSIM));
        home = practice.configHome();
        QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), home);
        QCOMPARE(QFileInfo(home + QStringLiteral("/tarnwell/ports/COM3")).symLinkTarget(), practice.terminalPath());
        FrmMain w;
        w.setPractice(true);
        QVERIFY2(w.windowTitle().startsWith(QStringLiteral("Tarnwell V")) && w.windowTitle().contains(u"练习"),
                 qPrintable(w.windowTitle()));
        const QTemporaryDir noLocks; // the machine's lock folder may hold a killed test's lock
        qobject_cast<PortSerialControl *>(&w.serial())->setLockDirectories({noLocks.path()});
        QCOMPARE(test::control<QComboBox>(w, "Combo2")->currentText(), QStringLiteral("COM3"));
        test::control<QPushButton>(w, "Cmd_Switch")->click();
        QVERIFY(w.serial().portOpen());
        test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.terminal().text().contains(QStringLiteral("Username:")), 20000);
        const auto type = [&w](const char *line, const char *until) {
            test::control<QLineEdit>(w, "Text2")->setText(QString::fromLatin1(line));
            test::control<QPushButton>(w, "Cmd_Send_Enter")->click();
            QTRY_VERIFY_WITH_TIMEOUT(w.terminal().text().endsWith(QString::fromLatin1(until)), 20000);
        };
        type("admin", "Password:");
        type("admin", "<SW3100-A>");
        // The listing's first screen takes at least its length on the line, less one 20 ms
        // tick's worth (unpaced it comes at once).
        const qsizetype before = w.terminal().text().size();
        QElapsedTimer clock;
        clock.start();
        type("dis cu", "---- More ----");
        const double bytes = double(w.terminal().text().size() - before);
        const double leastMs = (bytes - baud / 500.0) * 10 * 1000 / baud;
        QVERIFY2(clock.elapsed() >= leastMs,
                 qPrintable(QStringLiteral("%1 bytes in %2 ms").arg(bytes).arg(clock.elapsed())));
        w.close();
    }
    QVERIFY(!QFileInfo::exists(home));
    QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), own.path());
    QVERIFY(QDir(own.path()).isEmpty()); // the person's own settings untouched
    const QFileInfoList logs = QDir(ownState.path() + QStringLiteral("/tarnwell/logs")).entryInfoList(QDir::Files);
    QCOMPARE(logs.size(), 1);
    QVERIFY2(logs[0].fileName().startsWith(u"COM3-") && logs[0].fileName().endsWith(u"-practice.log"),
             qPrintable(logs[0].fileName()));
    QVERIFY(test::readFile(logs[0].filePath()).startsWith("# Tarnwell " + QByteArray(version::kVersion) + " 练习 COM3 "));
}

void TestPractice::simulatorNotStartedIsReported_data()
{
    QTest::addColumn<QString>("simulator");
    QTest::addColumn<QStringList>("options"); // as TARNWELL_SIM_OPTIONS gives them
    QTest::addColumn<QString>("named");       // in the message
    QTest::newRow("no simulator") << "/nowhere/tarnwell-switchsim" << QStringList() << "tarnwell-switchsim";
    QTest::newRow("endless configuration") << TARNWELL_SWITCHSIM << QStringList{"--config", "/dev/zero"}
                                           << "/dev/zero: not a regular file";
}

void TestPractice::simulatorNotStartedIsReported()
{
    QFETCH(QString, simulator);
    QFETCH(QStringList, options);
    QFETCH(QString, named);
    qputenv("XDG_CONFIG_HOME", "/nowhere");
    QString error;
    try {
        PracticeSession practice(simulator, options);
    } catch (const Error &e) {
        error = e.description();
    }
    QVERIFY2(error.contains(named), qPrintable(error));
    QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), QStringLiteral("/nowhere"));
}

QTEST_MAIN(TestPractice)
#include "test_practice.moc"
