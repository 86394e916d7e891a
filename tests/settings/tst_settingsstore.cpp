#include "support/files.h"
#include "console/error.h"
#include "settings/commsettingsstore.h"
#include "settings/settingsfile.h"
#include "support/pty.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
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

CommSettings defaults()
{
    return {3, 9600, QStringLiteral("n"), 8, QStringLiteral("1"), 0};
}

// The record as one comparable text.
QString fields(const CommSettings &s)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(s.PortNum).arg(s.Speed).arg(s.Check).arg(s.Data).arg(s.Stop).arg(s.HandShake);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Sets or unsets an environment variable for a scope.
struct EnvVar {
    explicit EnvVar(const char *n) : name(n), had(qEnvironmentVariableIsSet(n)), old(qgetenv(n)) {}
    ~EnvVar() { had ? qputenv(name, old) : qunsetenv(name); }
    const char *name;
    bool had;
    QByteArray old;
};

// Limits the size of files this process may write, standing in for a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // EFBIG instead of the signal
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void systemDirectory_data();
    void systemDirectory();
    void firstWriteGivesSevenLines();
    void roundTrip_data();
    void roundTrip();
    void updateKeepsOtherContent();
    void missingFileLoadsNothing();
    void load_data();
    void load();
    void loadErrors_data();
    void loadErrors();
    void valueCuts();
    void unusableFile_data();
    void unusableFile();
    void writeFailure_data();
    void writeFailure();

private:
    QString path() const { return settingsFilePath(); }
    std::unique_ptr<test::ConfigHome> m_home;
};

void TestSettingsStore::init()
{
    m_home = std::make_unique<test::ConfigHome>();
    LoadSystemDirectory();
    QCOMPARE(SystemDirectory, m_home->appDir());
}

void TestSettingsStore::cleanup()
{
    if (m_home)
        QFile::setPermissions(m_home->appDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_home.reset();
    SystemDirectory.clear();
}

void TestSettingsStore::systemDirectory_data()
{
    QTest::addColumn<QString>("xdg"); // "-" leaves it unset; "@" stands for the scratch folder
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_CONFIG_HOME") << "@/cfg" << "@/cfg/tarnwell";
    QTest::newRow("trailing separators") << "@/cfg//" << "@/cfg/tarnwell";
    QTest::newRow("unset") << "-" << "@/home/.config/tarnwell";
    QTest::newRow("empty") << "" << "@/home/.config/tarnwell";
    QTest::newRow("relative is ignored") << "cfg" << "@/home/.config/tarnwell";
}

void TestSettingsStore::systemDirectory()
{
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    EnvVar xdgVar("XDG_CONFIG_HOME");
    EnvVar homeVar("HOME");
    qputenv("HOME", QFile::encodeName(scratch.path() + QStringLiteral("/home")));
    if (xdg == QLatin1String("-"))
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString(xdg).replace(QLatin1Char('@'), scratch.path())));
    expected.replace(QLatin1Char('@'), scratch.path());

    LoadSystemDirectory();
    QCOMPARE(SystemDirectory, expected);
    QVERIFY(QFileInfo(expected).isDir());
    QCOMPARE(settingsFilePath(), expected + QStringLiteral("/h3c_config.ini"));
}

void TestSettingsStore::firstWriteGivesSevenLines()
{
    QVERIFY(!QFile::exists(path()));
    QVERIFY(SaveCommSettings(defaults()));
    QCOMPARE(readFile(path()), kDefaultsFile);
    QCOMPARE(entries(SystemDirectory), QStringList{QStringLiteral("h3c_config.ini")});
}

void TestSettingsStore::roundTrip_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("speed");
    QTest::addColumn<QString>("check");
    QTest::addColumn<int>("data");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("handshake");
    QTest::newRow("defaults") << 3 << 9600 << "n" << 8 << "1" << 0;
    QTest::newRow("COM16 38400 odd 1.5 RTSXon/Xoff") << 16 << 38400 << "o" << 7 << "1.5" << 3;
    QTest::newRow("COM1 1200 even 5 2 RTS") << 1 << 1200 << "e" << 5 << "2" << 2;
    QTest::newRow("field limits") << -32768 << 2147483647 << "o" << 32767 << "" << -1;
}

void TestSettingsStore::roundTrip()
{
    QFETCH(int, port);
    QFETCH(int, speed);
    QFETCH(QString, check);
    QFETCH(int, data);
    QFETCH(QString, stop);
    QFETCH(int, handshake);
    const CommSettings saved{qint16(port), speed, check, qint16(data), stop, qint16(handshake)};

    // A first run writes the defaults, a later one the changed choice over them.
    QVERIFY(SaveCommSettings(defaults()));
    QVERIFY(SaveCommSettings(saved));
    CommSettings loaded;
    bool settingsLoaded = false;
    LoadCommSettings(loaded, settingsLoaded);
    QVERIFY(settingsLoaded);
    QCOMPARE(fields(loaded), fields(saved));
    QCOMPARE(readFile(path()).count('\n'), 7);
}

void TestSettingsStore::updateKeepsOtherContent()
{
    const QByteArray before =
        "; written by hand\r\n"
        "[other]\r\n"
        "PortNum=99\r\n"
        "\r\n"
        "[H3C_Comm]\r\n"
        "portnum =  5\r\n"
        "Comment=keep me\r\n"
        "SPEED=19200\r\n"
        "\r\n"
        "[last]\r\n"
        "x=1";
    writeFile(path(), before);
    CommSettings s = defaults();
    s.PortNum = 7;
    s.Speed = 4800;
    QVERIFY(SaveCommSettings(s));
    const QByteArray after =
        "; written by hand\r\n"
        "[other]\r\n"
        "PortNum=99\r\n"
        "\r\n"
        "[H3C_Comm]\r\n"
        "portnum=7\r\n"
        "Comment=keep me\r\n"
        "SPEED=4800\r\n"
        "Check=n\r\n"
        "Data=8\r\n"
        "Stop=1\r\n"
        "HandShake=0\r\n"
        "\r\n"
        "[last]\r\n"
        "x=1";
    QCOMPARE(readFile(path()), after);
    QCOMPARE(ReadIni(QStringLiteral("other"), QStringLiteral("PortNum")), QStringLiteral("99"));
}

void TestSettingsStore::missingFileLoadsNothing()
{
    CommSettings s;
    bool loaded = false;
    LoadCommSettings(s, loaded);
    QVERIFY(!loaded);
    QCOMPARE(fields(s), fields(CommSettings{}));
    QVERIFY(!QFile::exists(path())); // loading never creates the file
}

void TestSettingsStore::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("38400") << QByteArray(kDefaultsFile).replace("9600", "38400") << "3|38400|n|8|1|0";
    QTest::newRow("blanks around values")
        << QByteArray("[h3c_comm]\nPortNum=  5\nSpeed =\t9600 \nCheck= o \nData=8\nStop=  1.5\nHandShake=1  \n")
        << "5|9600|o|8|1.5|1";
    QTest::newRow("names in other case")
        << QByteArray("[H3C_COMM]\r\nportnum=2\r\nSPEED=1200\r\ncheck=e\r\ndata=7\r\nstop=2\r\nhandshake=3\r\n")
        << "2|1200|e|7|2|3";
    // Values the lists cannot show still load; the lists then fall back to their defaults.
    QTest::newRow("Stop 3") << QByteArray(kDefaultsFile).replace("Stop=1", "Stop=3") << "3|9600|n|8|3|0";
    QTest::newRow("PortNum 0, Check N") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=0")
                                                .replace("Check=n", "Check=N")
                                        << "0|9600|N|8|1|0";
    QTest::newRow("Check and Stop missing")
        << QByteArray("[h3c_comm]\nPortNum=3\nSpeed=9600\nData=8\nHandShake=0\n") << "3|9600||8||0";
}

void TestSettingsStore::load()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    writeFile(path(), file);
    CommSettings s;
    bool loaded = false;
    LoadCommSettings(s, loaded);
    QVERIFY(loaded);
    QCOMPARE(fields(s), expected);
    QCOMPARE(readFile(path()), file); // reading changes nothing
}

void TestSettingsStore::loadErrors_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("after"); // the record, starting from 11|1200|o|7|2|2

    QTest::newRow("Data missing")
        << QByteArray("[h3c_comm]\nPortNum=5\nSpeed=19200\nCheck=e\nStop=1\nHandShake=1\n")
        << "Data" << "" << "5|19200|e|7|2|2";
    QTest::newRow("PortNum not a number") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=COM5")
                                          << "PortNum" << "COM5" << "11|1200|o|7|2|2";
    QTest::newRow("PortNum beyond 16 bits") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=40000")
                                            << "PortNum" << "40000" << "11|1200|o|7|2|2";
    QTest::newRow("Speed beyond 32 bits") << QByteArray(kDefaultsFile).replace("9600", "3000000000")
                                          << "Speed" << "3000000000" << "3|1200|o|7|2|2";
    QTest::newRow("Data fractional") << QByteArray(kDefaultsFile).replace("Data=8", "Data=8.0")
                                     << "Data" << "8.0" << "3|9600|n|7|2|2";
    QTest::newRow("HandShake empty") << QByteArray(kDefaultsFile).replace("HandShake=0", "HandShake=")
                                     << "HandShake" << "" << "3|9600|n|8|1|2";
    QTest::newRow("value with placeholders") << QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=%1%2")
                                             << "PortNum" << "%1%2" << "11|1200|o|7|2|2";
    QTest::newRow("no h3c_comm section") << QByteArray("[other]\nPortNum=3\n") << "PortNum" << "" << "11|1200|o|7|2|2";
    QTest::newRow("empty file") << QByteArray() << "PortNum" << "" << "11|1200|o|7|2|2";
}

void TestSettingsStore::loadErrors()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, after);
    writeFile(path(), file);
    CommSettings s{11, 1200, QStringLiteral("o"), 7, QStringLiteral("2"), 2};
    bool loaded = false;
    try {
        LoadCommSettings(s, loaded);
        QFAIL("no conversion error");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(key), qPrintable(e.description()));
        QVERIFY2(e.description().contains(QLatin1Char('"') + value + QLatin1Char('"')),
                 qPrintable(e.description()));
    }
    QVERIFY(!loaded);
    QCOMPARE(fields(s), after);
    QCOMPARE(readFile(path()), file);
}

void TestSettingsStore::valueCuts()
{
    const QString longValue = QString(100, QLatin1Char('a')) + QString(100, QLatin1Char('b'));
    QVERIFY(WriteIni(QStringLiteral("h3c_comm"), QStringLiteral("Check"), longValue));
    QCOMPARE(readFile(path()), QByteArray("[h3c_comm]\nCheck=" + longValue.left(128).toLatin1() + "\n"));
    QCOMPARE(ReadIni(QStringLiteral("h3c_comm"), QStringLiteral("Check")), longValue.left(127));
    QCOMPARE(ReadIni(QStringLiteral("H3C_COMM"), QStringLiteral("CHECK")), longValue.left(127));

    // A 200-digit number is refused as too large, shown as the 127 digits that were read.
    writeFile(path(), QByteArray(kDefaultsFile).replace("PortNum=3", "PortNum=" + QByteArray(200, '7')));
    CommSettings s;
    bool loaded = false;
    try {
        LoadCommSettings(s, loaded);
        QFAIL("a 200-digit PortNum loaded");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(QLatin1Char('"') + QString(127, QLatin1Char('7')) + QLatin1Char('"')),
                 qPrintable(e.description()));
    }
    QVERIFY(!loaded);
    writeFile(path(), QByteArray(kDefaultsFile).replace("Stop=1", "Stop=" + QByteArray(200, '7')));
    LoadCommSettings(s, loaded);
    QVERIFY(loaded);
    QCOMPARE(s.Stop, QString(127, QLatin1Char('7')));
}

void TestSettingsStore::unusableFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("binary junk") << "junk";
    QTest::newRow("settings followed by binary junk") << "junk after text";
    QTest::newRow("larger than 1 MiB") << "huge";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a fifo") << "fifo";
    QTest::newRow("unreadable") << "unreadable";
}

void TestSettingsStore::unusableFile()
{
    QFETCH(QString, kind);
    QByteArray bytes;
    if (kind == QLatin1String("junk")) {
        QRandomGenerator rng(7);
        bytes.resize(4096);
        rng.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        bytes[10] = '\0';
        writeFile(path(), bytes);
    } else if (kind == QLatin1String("junk after text")) {
        bytes = kDefaultsFile + QByteArray("\x01\x02\x00\x7f", 4);
        writeFile(path(), bytes);
    } else if (kind == QLatin1String("huge")) {
        bytes = kDefaultsFile + QByteArray(kMaxSettingsFileSize, ';');
        writeFile(path(), bytes);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path() + QStringLiteral("/inside")));
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0);
    } else if (kind == QLatin1String("unreadable")) {
        bytes = kDefaultsFile;
        writeFile(path(), bytes);
        QVERIFY(QFile::setPermissions(path(), QFileDevice::Permissions()));
        QFile probe(path());
        if (probe.open(QIODevice::ReadOnly)) {
            QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
            QSKIP("this user reads files without read permission (root): cannot make one unreadable");
        }
    }

    CommSettings s;
    bool loaded = false;
    try {
        LoadCommSettings(s, loaded);
        QFAIL("an unusable settings file loaded without an error");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(QDir::toNativeSeparators(path())), qPrintable(e.description()));
    }
    QVERIFY(!loaded);
    QCOMPARE(fields(s), fields(CommSettings{}));

    QCOMPARE(ReadIni(QStringLiteral("h3c_comm"), QStringLiteral("PortNum")), QString());
    QVERIFY(!SaveCommSettings(defaults()));
    QVERIFY(!WriteIni(QStringLiteral("h3c_comm"), QStringLiteral("PortNum"), QStringLiteral("1")));

    // Left exactly as it was.
    if (kind == QLatin1String("folder")) {
        QVERIFY(QFileInfo(path() + QStringLiteral("/inside")).isDir());
    } else if (kind == QLatin1String("fifo")) {
        struct stat st {};
        QVERIFY(::lstat(QFile::encodeName(path()).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    } else {
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(readFile(path()), bytes);
    }
    QCOMPARE(entries(SystemDirectory), QStringList{QStringLiteral("h3c_config.ini")});
}

void TestSettingsStore::writeFailure_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("disk full (file size limit)") << "full";
    QTest::newRow("folder cannot exist") << "below a file";
    QTest::newRow("system directory not set") << "unset";
}

void TestSettingsStore::writeFailure()
{
    QFETCH(QString, kind);
    const QByteArray old = QByteArray("; mine\n") + kDefaultsFile;
    writeFile(path(), old);
    const QString dir = SystemDirectory;
    CommSettings changed = defaults();
    changed.PortNum = 12;
    changed.Speed = 38400;

    std::unique_ptr<FileSizeLimit> limit;
    if (kind == QLatin1String("full")) {
        limit = std::make_unique<FileSizeLimit>(16);
        QVERIFY(limit->active());
    } else if (kind == QLatin1String("below a file")) {
        writeFile(m_home->path() + QStringLiteral("/plain"), "x");
        SystemDirectory = m_home->path() + QStringLiteral("/plain/tarnwell");
    } else if (kind == QLatin1String("unset")) {
        SystemDirectory.clear();
    }
    const bool rootFileExisted = QFile::exists(QStringLiteral("/h3c_config.ini"));

    QVERIFY(!WriteIni(QStringLiteral("h3c_comm"), QStringLiteral("PortNum"), QStringLiteral("12")));
    QVERIFY(!SaveCommSettings(changed));

    limit.reset();
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(readFile(dir + QStringLiteral("/h3c_config.ini")), old);
    QCOMPARE(entries(dir), QStringList{QStringLiteral("h3c_config.ini")});
    if (!rootFileExisted)
        QVERIFY(!QFile::exists(QStringLiteral("/h3c_config.ini")));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
