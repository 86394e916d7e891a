// The port settings in h3c_config.ini: what is written, read back and kept, and that a file the
// program cannot use, or cannot write, is never replaced or damaged.
#include "base/error.h"
#include "settings/commsettingsstore.h"
#include "settings/settingsfile.h"
#include "support/files.h"
#include "support/pty.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tarnwell;
using test::readFile;
using test::writeFile;

namespace {

const QByteArray kDefaultsFile = "[h3c_comm]\nPortNum=3\nSpeed=9600\nCheck=n\nData=8\nStop=1\nHandShake=0\n";
const commSettings kDefaults{3, 9600, QStringLiteral("n"), 8, QStringLiteral("1"), 0};

QString fields(const commSettings &s)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6").arg(s.PortNum).arg(s.Speed).arg(s.Check).arg(s.Data).arg(s.Stop).arg(s.HandShake);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Limits the size of files this process may write, standing in for a full disk.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN); // EFBIG instead of the signal
        rlimit lim = old;
        lim.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
    bool active = false;
};

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<test::ConfigHome>();
        loadSystemDirectory();
        QCOMPARE(SystemDirectory, m_home->appDir());
    }
    void cleanup()
    {
        m_home.reset();
        SystemDirectory.clear();
    }
    void save_data();
    void save();
    void load_data();
    void load();
    void unusableFile_data();
    void unusableFile();
    void writeFailure();

private:
    QString path() const { return settingsFilePath(); }
    std::unique_ptr<test::ConfigHome> m_home;
};

void TestSettingsStore::save_data()
{
    QTest::addColumn<QByteArray>("before"); // empty: no file yet
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("first write: seven lines") << QByteArray() << "3|9600|n|8|1|0" << kDefaultsFile;
    QTest::newRow("COM16 38400 odd 1.5 RTSXon/Xoff")
        << kDefaultsFile << "16|38400|o|7|1.5|3"
        << QByteArray("[h3c_comm]\nPortNum=16\nSpeed=38400\nCheck=o\nData=7\nStop=1.5\nHandShake=3\n");
    QTest::newRow("field limits") << kDefaultsFile << "-32768|2147483647|o|32767||-1"
                                  << QByteArray("[h3c_comm]\nPortNum=-32768\nSpeed=2147483647\nCheck=o\nData=32767\nStop=\nHandShake=-1\n");
    QTest::newRow("other content kept, names matched in any case")
        << QByteArray("; by hand\r\n[other]\r\nPortNum=99\r\n\r\n[H3C_Comm]\r\nportnum =  5\r\nNote=keep\r\nSPEED=19200\r\n\r\n[last]\r\nx=1")
        << "7|4800|n|8|1|0"
        << QByteArray("; by hand\r\n[other]\r\nPortNum=99\r\n\r\n[H3C_Comm]\r\nportnum=7\r\nNote=keep\r\nSPEED=4800\r\n"
                      "Check=n\r\nData=8\r\nStop=1\r\nHandShake=0\r\n\r\n[last]\r\nx=1");
}

// What is saved is what the next start loads, and nothing else in the file changes.
void TestSettingsStore::save()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, saved);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        writeFile(path(), before);
    const QStringList f = saved.split(u'|');
    const commSettings s{qint16(f[0].toInt()), f[1].toInt(), f[2], qint16(f[3].toInt()), f[4], qint16(f[5].toInt())};
    QVERIFY(saveCommSettings(s));
    QCOMPARE(readFile(path()), after);
    QCOMPARE(entries(SystemDirectory), QStringList{"h3c_config.ini"});
    commSettings loaded;
    bool settingsLoaded = false;
    loadCommSettings(loaded, settingsLoaded);
    QVERIFY(settingsLoaded);
    QCOMPARE(fields(loaded), saved);
}

void TestSettingsStore::load_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<QString>("expected"); // the record, starting from 11|1200|o|7|2|2
    QTest::addColumn<QString>("error");    // words of the error; empty: loads

    QTest::newRow("no file: nothing loaded") << QByteArray() << "11|1200|o|7|2|2" << "";
    QTest::newRow("names in other case")
        << QByteArray("[H3C_COMM]\r\nportnum=2\r\nSPEED=1200\r\ncheck=e\r\ndata=7\r\nstop=2\r\nhandshake=3\r\n")
        << "2|1200|e|7|2|3" << "";
    // Values the lists cannot show still load; the lists then fall back to their defaults.
    QTest::newRow("PortNum 0, Check N") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=0").replace("Check=n", "Check=N")
                                        << "0|9600|N|8|1|0" << "";
    // A value that is no number stops the load where it is, naming key and value.
    QTest::newRow("Data missing") << QByteArray("[h3c_comm]\nPortNum=5\nSpeed=19200\nCheck=e\nStop=1\nHandShake=1\n")
                                  << "5|19200|e|7|2|2" << "Data \"\"";
    QTest::newRow("PortNum not a number") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=COM5")
                                          << "11|1200|o|7|2|2" << "PortNum \"COM5\"";
    QTest::newRow("no h3c_comm section") << QByteArray("[other]\nPortNum=3\n") << "11|1200|o|7|2|2" << "PortNum \"\"";
}

void TestSettingsStore::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    QFETCH(QString, error);
    if (!file.isEmpty())
        writeFile(path(), file);
    commSettings s{11, 1200, QStringLiteral("o"), 7, QStringLiteral("2"), 2};
    bool loaded = false;
    try {
        loadCommSettings(s, loaded);
        QVERIFY2(error.isEmpty(), "no conversion error");
    } catch (const Error &e) {
        for (const QString &word : error.split(u' '))
            QVERIFY2(e.description().contains(word), qPrintable(e.description()));
    }
    QCOMPARE(loaded, error.isEmpty() && !file.isEmpty());
    QCOMPARE(fields(s), expected);
    QCOMPARE(readFile(path()), file.isEmpty() ? QByteArray("<unreadable>") : file); // reading changes nothing
}

void TestSettingsStore::unusableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("binary junk") << "junk";
    QTest::newRow("larger than 1 MiB") << "huge";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a fifo") << "fifo";
}

// Said at load, and never written over: not by a save, not by a single write.
void TestSettingsStore::unusableFile()
{
    QFETCH(QString, kind);
    QByteArray bytes;
    if (kind == u"junk")
        bytes = kDefaultsFile + QByteArray("\x01\x02\x00\x7f", 4);
    else if (kind == u"huge")
        bytes = kDefaultsFile + QByteArray(kMaxSettingsFileSize, ';');
    if (!bytes.isEmpty())
        writeFile(path(), bytes);
    else if (kind == u"folder")
        QVERIFY(QDir().mkpath(path() + QStringLiteral("/inside")));
    else
        QVERIFY(::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0);

    commSettings s;
    bool loaded = false;
    QVERIFY_THROWS_EXCEPTION(Error, loadCommSettings(s, loaded));
    QVERIFY(!loaded);
    QCOMPARE(readIni(QStringLiteral("h3c_comm"), QStringLiteral("PortNum")), QString());
    QVERIFY(!saveCommSettings(kDefaults));
    QVERIFY(!writeIni(QStringLiteral("h3c_comm"), QStringLiteral("PortNum"), QStringLiteral("1")));
    struct stat st {};
    QVERIFY(::lstat(QFile::encodeName(path()).constData(), &st) == 0);
    if (kind == u"folder")
        QVERIFY(S_ISDIR(st.st_mode) && QFileInfo(path() + QStringLiteral("/inside")).isDir());
    else if (kind == u"fifo")
        QVERIFY(S_ISFIFO(st.st_mode));
    else
        QCOMPARE(readFile(path()), bytes);
    QCOMPARE(entries(SystemDirectory), QStringList{"h3c_config.ini"});
}

// A write that fails (the disk full) leaves the old file whole and no temporary file behind.
void TestSettingsStore::writeFailure()
{
    const QByteArray old = QByteArray("; mine\n") + kDefaultsFile;
    writeFile(path(), old);
    const QString dir = SystemDirectory;
    auto limit = std::make_unique<FileSizeLimit>(16);
    QVERIFY(limit->active);
    QVERIFY(!writeIni(QStringLiteral("h3c_comm"), QStringLiteral("PortNum"), QStringLiteral("12")));
    QVERIFY(!saveCommSettings({12, 38400, QStringLiteral("n"), 8, QStringLiteral("1"), 0}));
    limit.reset();
    QCOMPARE(readFile(dir + QStringLiteral("/h3c_config.ini")), old);
    QCOMPARE(entries(dir), QStringList{"h3c_config.ini"});
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
