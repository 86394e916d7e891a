// Saving into a settings folder in which no new file can be made: the file is rewritten in
// place when it is writable itself; otherwise the save fails, says why, and leaves it whole.
// Saving through a symbolic link: the file it names is written in its own folder, keeping its
// group and mode, and the link stays.
#include "settings/commsettingsstore.h"
#include "settings/settingsfile.h"
#include "support/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwell;

namespace {

void setMode(const QString &path, mode_t mode)
{
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

} // namespace

class TestSettingsSave : public QObject {
    Q_OBJECT
private slots:
    void folderWithoutWritePermission_data();
    void folderWithoutWritePermission();
    void throughLink_data();
    void throughLink();
};

void TestSettingsSave::folderWithoutWritePermission_data()
{
    QTest::addColumn<bool>("fileWritable");
    QTest::newRow("file writable: rewritten in place") << true;
    QTest::newRow("file read-only too: not saved, says why") << false;
}

void TestSettingsSave::folderWithoutWritePermission()
{
    QFETCH(bool, fileWritable);
    QTemporaryDir home;
    setMode(home.path(), 0755);
    SystemDirectory = home.path() + QStringLiteral("/tarnwell");
    const QString path = settingsFilePath();
    const QByteArray before = "; mine\r\n[h3c_comm]\r\nPortNum=3\r\nSpeed=38400\r\nCheck=n\r\nData=8\r\nStop=1\r\nHandShake=0\r\n[tail]\r\nx=1\r\n";
    test::writeFile(path, before);
    setMode(path, fileWritable ? 0666 : 0444);
    setMode(SystemDirectory, 0555);

    const commSettings changed{1, 1200, QStringLiteral("e"), 7, QStringLiteral("2"), 1};
    // Root writes through any permission bits: the save runs as an ordinary user.
    const bool asNobody = ::geteuid() == 0 && ::seteuid(65534) == 0;
    QString why;
    const bool saved = saveCommSettings(changed, &why);
    if (asNobody)
        QVERIFY(::seteuid(0) == 0);
    setMode(SystemDirectory, 0755);
    QCOMPARE(QDir(SystemDirectory).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("h3c_config.ini")});
    if (fileWritable) {
        QVERIFY2(saved, qPrintable(why));
        QByteArray expected = before; // one byte shorter: the old last byte must go
        expected.replace("PortNum=3", "PortNum=1").replace("Speed=38400", "Speed=1200").replace("Check=n", "Check=e")
            .replace("Data=8", "Data=7").replace("Stop=1", "Stop=2").replace("HandShake=0", "HandShake=1");
        QCOMPARE(test::readFile(path), expected);
    } else {
        QVERIFY(!saved);
        QVERIFY2(why.contains(QStringLiteral("没有保存")) && why.contains(QStringLiteral("h3c_config.ini"))
                     && why.contains(QStringLiteral("没有写入权限")), qPrintable(why));
        QCOMPARE(test::readFile(path), before);
    }
}

void TestSettingsSave::throughLink_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("link to a file with its own group and mode") << true;
    QTest::newRow("dangling link: the file is made where it points") << false;
}

void TestSettingsSave::throughLink()
{
    QFETCH(bool, targetExists);
    QTemporaryDir home, elsewhere;
    SystemDirectory = home.path();
    const QString link = settingsFilePath();
    const QString target = elsewhere.filePath(QStringLiteral("shared.ini"));
    QVERIFY(QFile::link(target, link));
    // A group of ours other than the one new files get: root may take any.
    gid_t group = ::getegid();
    if (targetExists) {
        test::writeFile(target, "[h3c_comm]\nPortNum=3\n");
        setMode(target, 0640);
        gid_t groups[64];
        const int n = ::getgroups(64, groups);
        group = ::geteuid() == 0 ? 4321 : group;
        for (int i = 0; i < n && ::geteuid() != 0; ++i)
            if (groups[i] != ::getegid())
                group = groups[i];
        QCOMPARE(::chown(QFile::encodeName(target).constData(), uid_t(-1), group), 0);
    }

    QString why;
    QVERIFY2(saveCommSettings(commSettings{1, 1200, QStringLiteral("e"), 7, QStringLiteral("2"), 1}, &why), qPrintable(why));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QVERIFY(test::readFile(target).contains("PortNum=1"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    if (targetExists) {
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(st.st_gid, group);
    }
    // Nothing left beside either of them.
    QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QStringLiteral("h3c_config.ini")});
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("shared.ini")});
}

QTEST_GUILESS_MAIN(TestSettingsSave)
#include "test_settingssave.moc"
