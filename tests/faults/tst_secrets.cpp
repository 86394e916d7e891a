// Passwords typed into the two password boxes and into the masked input line go to the switch
// and nowhere else: not into the settings file, not to standard output or error, not into any
// other file under the configuration folder, also after the window has closed and saved.
#include "faultrig.h"

#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// Sends standard output and error (of the process, below Qt and stdio) to a file for its
// lifetime.
class CapturedOutput {
public:
    CapturedOutput()
    {
        m_file.open();
        std::fflush(stdout);
        std::fflush(stderr);
        m_out = ::dup(1);
        m_err = ::dup(2);
        ::dup2(m_file.handle(), 1);
        ::dup2(m_file.handle(), 2);
    }
    QByteArray stop()
    {
        if (m_out >= 0) {
            std::fflush(stdout);
            std::fflush(stderr);
            ::dup2(m_out, 1);
            ::dup2(m_err, 2);
            ::close(m_out);
            ::close(m_err);
            m_out = m_err = -1;
        }
        QFile again(m_file.fileName());
        again.open(QIODevice::ReadOnly);
        return again.readAll();
    }
    ~CapturedOutput() { stop(); }

private:
    QTemporaryFile m_file;
    int m_out = -1, m_err = -1;
};

} // namespace

class TestSecrets : public QObject {
    Q_OBJECT
private slots:
    void passwordsStayOnTheLine();
};

void TestSecrets::passwordsStayOnTheLine()
{
    const QByteArray userPassword = "Uq7-lantern-311";
    const QByteArray superPassword = "Sx4-harbour-902";
    const QByteArray linePassword = "Lm9-pebble-645";

    FaultRig rig;
    QByteArray output;
    {
        CapturedOutput captured;
        std::fputs("stdout is captured\n", stdout);
        qWarning("stderr is captured");
        FrmMain &w = rig.start();
        QTest::keyClicks(w.Txt_ManageIP, QStringLiteral("10.1.1.2"));
        QTest::keyClicks(w.Txt_User_Name, QStringLiteral("admin"));
        QTest::keyClicks(w.Txt_User_PSD, QString::fromLatin1(userPassword));
        QTest::keyClicks(w.Txt_Super_Name, QStringLiteral("super"));
        QTest::keyClicks(w.Txt_Super_PSD, QString::fromLatin1(superPassword));
        w.Cmd_Switch->click();
        w.Cmd_Login->click(); // the whole login, about three seconds of pauses
        w.Cmd_PSD->click();   // the input line masked
        w.Text2->setFocus();
        QTest::keyClicks(w.Text2, QString::fromLatin1(linePassword));
        QTest::keyClick(w.Text2, Qt::Key_Return);
        // Checked below, once output is no longer captured (a failure here would hide its message).
        (void)QTest::qWaitFor([&] { return rig.pty.received().endsWith(linePassword + '\r'); }, 5000);
        // The close saves the settings: the file is written for the first time.
        w.close();
        output = captured.stop();
    }

    // The passwords were typed and sent: this run could have leaked them.
    const QByteArray wire = rig.pty.received();
    QVERIFY2(wire.contains(userPassword + '\r'), wire.constData());
    QVERIFY(wire.contains(superPassword + '\r'));
    QVERIFY2(wire.endsWith(linePassword + '\r'), wire.toPercentEncoding().constData());
    QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("登录完毕，注意此功能需要在>状态下使用！")});

    QVERIFY(output.contains("stdout is captured") && output.contains("stderr is captured"));
    const QList<QByteArray> secrets = {userPassword, superPassword, linePassword};
    for (const QByteArray &s : secrets)
        QVERIFY2(!output.contains(s), output.constData());

    // Every file under the configuration home, the settings file among them.
    int files = 0;
    bool sawSettings = false;
    QDirIterator it(rig.home.path(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = f.readAll();
        ++files;
        sawSettings = sawSettings || path.endsWith(QStringLiteral("/h3c_config.ini"));
        for (const QByteArray &s : secrets) {
            QVERIFY2(!bytes.contains(s), qPrintable(path));
            QVERIFY2(!bytes.contains(QString::fromLatin1(s).toUtf8()), qPrintable(path));
        }
    }
    QVERIFY(sawSettings);
    qInfo("%d file(s) searched, %lld bytes of output", files, qsizetype(output.size()));
}

QTEST_MAIN(TestSecrets)
#include "tst_secrets.moc"
