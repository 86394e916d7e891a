// The program's command line, run as a person runs it: answers that need no display, refusals
// that name the word, and one line (no abort) when there is no display to open the window on.
#include "tarnwell_version.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
};

void TestCommandLine::answers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("display"); // DISPLAY, or none when empty
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("out");  // each in standard output
    QTest::addColumn<QString>("error");    // in the one line of standard error; none when empty
    const QStringList noOut;
    const QString noError;
    QTest::newRow("help") << QStringList{"--help"} << "" << 0
                          << QStringList{"--practice", "TARNWELL_SIM_OPTIONS", "dialout", "重新打开",
                                         "<state>/tarnwell/logs/", "-practice.log"}
                          << noError;
    QTest::newRow("-h") << QStringList{"-h"} << "" << 0 << QStringList{"用法: tarnwell"} << noError;
    QTest::newRow("version") << QStringList{"--version"} << "" << 0
                             << QStringList{QStringLiteral("tarnwell %1\n").arg(tarnwell::version::kVersion)}
                             << noError;
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "" << 2 << noOut << "\"--bogus\"";
    QTest::newRow("unknown option beside --help") << QStringList{"--help", "--bogus"} << "" << 2 << noOut
                                                  << "\"--bogus\"";
    QTest::newRow("stray argument") << QStringList{"--practice", "COM3"} << "" << 2 << noOut << "\"COM3\"";
    QTest::newRow("Qt option without its value") << QStringList{"-platform"} << "" << 2 << noOut << "\"-platform\"";
    QTest::newRow("no display") << QStringList{} << "" << 1 << noOut << "DISPLAY";
    QTest::newRow("practice, no display") << QStringList{"--practice"} << "" << 1 << noOut << "DISPLAY";
    QTest::newRow("display not there") << QStringList{} << ":4711" << 1 << noOut << "\":4711\"";
}

void TestCommandLine::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, display);
    QFETCH(int, status);
    QFETCH(QStringList, out);
    QFETCH(QString, error);
    const QTemporaryDir state;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TARNWELL_PROGRAM), arguments);
    QVERIFY(p.waitForFinished(30000));
    const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit); // never an abort
    QVERIFY2(p.exitCode() == status, qPrintable(stdErr));
    QCOMPARE(stdOut.isEmpty(), out.isEmpty());
    for (QString s : out)
        QVERIFY2(stdOut.contains(s.replace(QStringLiteral("<state>"), state.path())), qPrintable(s));
    if (error.isEmpty()) {
        QCOMPARE(stdErr, QString());
    } else {
        QVERIFY2(stdErr.startsWith(QStringLiteral("tarnwell: ")) && stdErr.count(u'\n') == 1 && stdErr.endsWith(u'\n')
                     && stdErr.contains(error),
                 qPrintable(stdErr));
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
