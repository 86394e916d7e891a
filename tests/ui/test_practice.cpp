// tarnwell --practice: the window on the bundled simulated switch, in a throw-away settings
// folder that nothing of the person's own configuration reaches, and nothing left behind.
#include "console/error.h"
#include "console/portserialcontrol.h"
#include "ui/frmmain.h"
#include "ui/practice.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

class TestPractice : public QObject {
    Q_OBJECT
private slots:
    void windowOnTheSimulatedSwitch();
    void simulatorNotStartedIsReported_data();
    void simulatorNotStartedIsReported();
};

void TestPractice::windowOnTheSimulatedSwitch()
{
    QTemporaryDir own;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(own.path()));
    QString home;
    {
        PracticeSession practice(QStringLiteral(TARNWELL_SWITCHSIM), {});
        home = practice.configHome();
        QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), home);
        QCOMPARE(qEnvironmentVariable("XDG_STATE_HOME"), home); // the session logs too
        QCOMPARE(QFileInfo(home + QStringLiteral("/tarnwell/ports/COM3")).symLinkTarget(), practice.terminalPath());
        FrmMain w;
        const QTemporaryDir noLocks; // the machine's lock folder may hold a killed test's lock
        qobject_cast<PortSerialControl *>(&w.serial())->setLockDirectories({noLocks.path()});
        QCOMPARE(w.Combo2->currentText(), QStringLiteral("COM3"));
        w.Cmd_Switch->click();
        QVERIFY(w.serial().portOpen());
        w.Cmd_Send_Enter->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.terminal().text().contains(QStringLiteral("Username:")), 20000);
        w.close();
    }
    QVERIFY(!QFileInfo::exists(home));
    QCOMPARE(qEnvironmentVariable("XDG_CONFIG_HOME"), own.path());
    QVERIFY(QDir(own.path()).isEmpty()); // the person's own folder untouched
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
