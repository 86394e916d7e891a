// A settings file that cannot be used: replaced by binary junk or by a folder (before the
// program starts, or while it runs), unreadable, or in a folder that cannot be written. The
// program still starts and closes, says what is wrong at most once, and whatever was at the
// path before is there afterwards byte for byte.
#include "faultrig.h"
#include "support/files.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

const QByteArray kGoodFile = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";

// Every file below a folder with its bytes, and every folder, keyed by relative path.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = QDir(root).relativeFilePath(path);
        if (info.isSymLink())
            out[rel] = "-> " + info.symLinkTarget().toUtf8();
        else if (info.isDir())
            out[rel] = "<dir>";
        else {
            QFile f(path);
            out[rel] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
    }
    return out;
}

QByteArray junk()
{
    QByteArray b;
    for (int i = 0; i < 4096; ++i)
        b += char((i * 167 + 13) % 256); // NULs and every other byte value
    return b;
}

// Replaces whatever is at the settings path.
void putJunk(const QString &path)
{
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(junk());
}

void putFolder(const QString &path)
{
    QFile::remove(path);
    QVERIFY(QDir().mkpath(path));
    QFile inside(path + QStringLiteral("/notes.txt"));
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.write("kept\n");
}

// Root reads and writes through any permission bits: such a row cannot show anything there.
bool permissionsBindUs()
{
    return ::geteuid() != 0;
}

} // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT
private slots:
    void unusableFile_data();
    void unusableFile();
    void unreadableFile();
    void unwritableFolder();
    void folderIsAFile();
};

void TestSettingsFaults::unusableFile_data()
{
    QTest::addColumn<QString>("what");       // "junk" or "folder"
    QTest::addColumn<bool>("beforeStart");   // else replaced while the program runs
    QTest::addColumn<int>("dialogs");        // error dialogs the user sees

    QTest::newRow("binary junk before start") << "junk" << true << 1;
    QTest::newRow("a folder before start") << "folder" << true << 1;
    // Found only when saving at the close, which leaves it alone and says the save failed.
    QTest::newRow("binary junk while running") << "junk" << false << 1;
    QTest::newRow("a folder while running") << "folder" << false << 1;
}

void TestSettingsFaults::unusableFile()
{
    QFETCH(QString, what);
    QFETCH(bool, beforeStart);
    QFETCH(int, dialogs);

    FaultRig rig;
    const QString path = rig.home.appDir() + QStringLiteral("/h3c_config.ini");
    writeFile(path, kGoodFile);
    const auto replace = [&] {
        if (what == QLatin1String("junk"))
            putJunk(path);
        else
            putFolder(path);
    };
    if (beforeStart)
        replace();
    const QMap<QString, QByteArray> before = beforeStart ? snapshot(rig.home.appDir()) : QMap<QString, QByteArray>();

    FrmMain &w = rig.start();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.startedUp(), !beforeStart);
    if (!beforeStart) {
        replace();
        // A changed port setting makes the close want to save.
        w.Combo3->setCurrentIndex((w.Combo3->currentIndex() + 1) % w.Combo3->count());
    }
    const QMap<QString, QByteArray> beforeClose = beforeStart ? before : snapshot(rig.home.appDir());
    QVERIFY(w.close());
    QVERIFY(w.isHidden());

    QCOMPARE(rig.boxes.boxes.size(), dialogs);
    for (const auto &box : rig.boxes.boxes) {
        QCOMPARE(box.title, QStringLiteral("出错喽"));
        QVERIFY2(box.text.contains(QStringLiteral("h3c_config.ini")), qPrintable(box.text));
    }
    QCOMPARE(snapshot(rig.home.appDir()), beforeClose);
}

void TestSettingsFaults::unreadableFile()
{
    FaultRig rig;
    const QString path = rig.home.appDir() + QStringLiteral("/h3c_config.ini");
    writeFile(path, kGoodFile);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
    if (!permissionsBindUs() || ::access(QFile::encodeName(path).constData(), R_OK) == 0)
        QSKIP("running as root: a file without read permission is still readable here");

    FrmMain &w = rig.start();
    QVERIFY(!w.startedUp());
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QVERIFY(w.close());
    QCOMPARE(rig.boxes.boxes.size(), 1);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0600) == 0);
    QCOMPARE(readFile(path), kGoodFile);
}

void TestSettingsFaults::unwritableFolder()
{
    FaultRig rig;
    const QString dir = rig.home.appDir();
    const QString path = dir + QStringLiteral("/h3c_config.ini");
    writeFile(path, kGoodFile);
    QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0555) == 0);
    const bool writable = ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
    if (!permissionsBindUs() || writable) {
        ::chmod(QFile::encodeName(dir).constData(), 0755);
        QSKIP("running as root: a folder without write permission is still writable here");
    }
    const QMap<QString, QByteArray> before = snapshot(dir);

    FrmMain &w = rig.start();
    QVERIFY(w.startedUp());
    w.Combo3->setCurrentIndex((w.Combo3->currentIndex() + 1) % w.Combo3->count());
    QVERIFY(w.close());
    QVERIFY(rig.boxes.boxes.isEmpty()); // the file itself is writable: rewritten in place
    QCOMPARE(snapshot(dir).keys(), before.keys());
    QVERIFY(readFile(path) != kGoodFile);
    ::chmod(QFile::encodeName(dir).constData(), 0755);
}

// The settings folder cannot be created because a file holds its name: the folder can be
// neither read nor written, also for root. Start and close work, the close says the settings
// were not saved, the file stays as it was.
void TestSettingsFaults::folderIsAFile()
{
    MemoryGate gate(512);
    ConfigHome home;
    MessageRecorder boxes;
    QDir(home.appDir()).removeRecursively();
    writeFile(home.appDir(), kGoodFile);
    {
        FrmMain w;
        w.show();
        QVERIFY(w.startedUp()); // nothing to load: the defaults
        w.Combo3->setCurrentIndex((w.Combo3->currentIndex() + 1) % w.Combo3->count());
        QVERIFY(w.close());
    }
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(boxes.boxes[0].text.contains(QStringLiteral("h3c_config.ini")), qPrintable(boxes.boxes[0].text));
    QVERIFY(QFileInfo(home.appDir()).isFile());
    QCOMPARE(readFile(home.appDir()), kGoodFile);
}

QTEST_MAIN(TestSettingsFaults)
#include "tst_settingsfaults.moc"
