// The session log on a fake clock: what each received, sent and event line looks like and the
// time it carries, unfinished lines continued with "+++", the change to a new file at the size
// limit without losing a line, the pruning of old logs, a folder that cannot be written and a
// disk that fills up.
#include "base/error.h"
#include "session/sessionlog.h"
#include "support/files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace tarnwell;

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(9, 5, 3, 7));

// A log in a temporary folder whose clock moves only when told.
struct Rig {
    Rig()
    {
        log.setDirectory(dir.path() + QStringLiteral("/logs"));
        log.setClock([this] { return now.toMSecsSinceEpoch(); });
    }
    // The lines after the header of every file, in the order written.
    QStringList body()
    {
        log.flush();
        QStringList lines;
        for (const QString &name : QDir(log.directory()).entryList({"*.log"}, QDir::Files, QDir::Name)) {
            QStringList file = QString::fromUtf8(test::readFile(log.directory() + u'/' + name)).split(u'\n');
            if (file.value(0).startsWith(u"# Tarnwell "))
                file.removeFirst();
            if (file.value(file.size() - 1).isEmpty())
                file.removeLast();
            lines += file;
        }
        return lines;
    }
    QTemporaryDir dir;
    SessionLog log;
    QDateTime now = kStart;
};

} // namespace

class TestSessionLog : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void header();
    void rotation();
    void pruning_data();
    void pruning();
    void unwritableFolder();
    void diskFull();
    void writtenWithinASecond();
};

void TestSessionLog::lines_data()
{
    // Steps: "r:" received text, "s:" sent text, "k:" keys typed, "e:" an event, "f" a flush,
    // "+N" N ms pass.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    const QString t0 = QStringLiteral("09:05:03.007 ");
    const QString t1 = QStringLiteral("09:05:03.057 ");
    const QString t2 = QStringLiteral("09:05:03.107 ");
    QTest::newRow("time of a line's first character")
        << QStringList{"r:abc\r\nde", "+50", "r:f\r\n", "r:g\r\n"} << QStringList{t0 + "abc", t0 + "def", t1 + "g"};
    QTest::newRow("CR LF split between reads")
        << QStringList{"r:abc\r", "+50", "r:\nxyz\r\n"} << QStringList{t0 + "abc", t1 + "xyz"};
    QTest::newRow("control characters in caret notation")
        << QStringList{"r:a\rb\x1b[42D\b\t\x7f\x01\r\n"} << QStringList{t0 + "a^Mb^[[42D^H^I^?^A"};
    QTest::newRow("LF alone and empty lines")
        << QStringList{"r:a\n\r\n\nb\n"} << QStringList{t0 + "a", t0, t0, t0 + "b"};
    // A flood of empty lines costs a line now and then, not a time each.
    QTest::newRow("a run of empty lines: the first and a count")
        << QStringList{"r:a\n\r\n\n\n", "+50", "r:\r\n\r\nb\n"} << QStringList{t0 + "a", t0, t1 + "=== 又收到 4 个空行", t1 + "b"};
    QTest::newRow("a run counted at each write, ended by a send")
        << QStringList{"r:\n\n\n", "f", "+50", "r:\n\n", "+50", "s:x\r", "r:\n\n"}
        << QStringList{t0, t0 + "=== 又收到 2 个空行", t1 + "=== 又收到 2 个空行", t2 + ">>> x", t2, t2};
    QTest::newRow("Chinese text") << QStringList{"r:错误：端口\r\n"} << QStringList{t0 + "错误：端口"};
    QTest::newRow("two- and four-byte characters, a stray surrogate")
        << QStringList{"r:é😀" + QString(QChar(0xd800)) + "x\r\n"} << QStringList{t0 + "é😀\uFFFDx"};
    // Longer than a slice of the encoder, a four-byte character across the slices' border.
    const QString longLine = QString(8191, u'a') + "😀" + QString(10000, u'b');
    QTest::newRow("long line") << QStringList{"r:" + longLine + "\x1b\r\n"} << QStringList{t0 + longLine + "^["};
    QTest::newRow("prompt before a sent line, echo continues it")
        << QStringList{"r:<H3C>", "+50", "s:dis cu\r", "+50", "r:dis cu\r\n#\r\n"}
        << QStringList{t0 + "<H3C>", t1 + ">>> dis cu", t2 + "+++ dis cu", t2 + "#"};
    QTest::newRow("held-back CR ends the line after a send")
        << QStringList{"r:abc\r", "s:x\r", "r:\n", "r:\rq\r\n"} << QStringList{t0 + "abc", t0 + ">>> x", t0 + "^Mq"};
    QTest::newRow("lone CR after an early write stays")
        << QStringList{"r:abc\r", "f", "+50", "r:def\r\n"} << QStringList{t0 + "abc", t1 + "+++ ^Mdef"};
    QTest::newRow("flush continues a line")
        << QStringList{"r:abc", "f", "+50", "r:def", "f", "r:\r\n", "r:z\n"}
        << QStringList{t0 + "abc", t1 + "+++ def", t1 + "z"};
    QTest::newRow("keys, several lines, empty line sent")
        << QStringList{"s: ", "s:\x0b", "s:int\t", "s:a\rb\r", "s:\r", "s:******\r"}
        << QStringList{t0 + ">>> <space>", t0 + ">>> ^K", t0 + ">>> int^I", t0 + ">>> a", t0 + ">>> b", t0 + ">>> ",
                       t0 + ">>> ******"};
    // Keys typed one at a time make one line, at their CR or before the lines they brought.
    QTest::newRow("typed keys: one line at the CR, echo continues the prompt")
        << QStringList{"r:<H3C>", "k:d", "r:d", "k:i", "r:i", "k:s", "r:s", "+50", "k:\r", "r:\r\nok\r\n"}
        << QStringList{t0 + "<H3C>dis", t1 + ">>> dis", t1 + "ok"};
    QTest::newRow("typed keys: a page's space before the page, ^C, a flush")
        << QStringList{"k: ", "r:a\r\n", "k:\x03", "f", "k:\r"}
        << QStringList{t0 + ">>> <space>", t0 + "a", t0 + ">>> ^C", t0 + ">>> "};
    QTest::newRow("typed keys before a sent line and an event")
        << QStringList{"k:ab", "s:x\r", "k:c", "e:开始：登录"}
        << QStringList{t0 + ">>> ab", t0 + ">>> x", t0 + ">>> c", t0 + "=== 开始：登录"};
    QTest::newRow("event after a prompt")
        << QStringList{"r:[H3C]", "e:开始：登录", "r:\r\n"} << QStringList{t0 + "[H3C]", t0 + "=== 开始：登录"};
}

void TestSessionLog::lines()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    Rig rig;
    rig.log.open(3, QStringLiteral("COM3 /dev/pts/9 9600,n,8,1 无流控"));
    for (const QString &step : steps) {
        const QString arg = step.mid(2);
        if (step.startsWith(u"r:"))
            rig.log.received(arg);
        else if (step.startsWith(u"s:"))
            rig.log.sent(arg);
        else if (step.startsWith(u"k:"))
            rig.log.typed(arg);
        else if (step.startsWith(u"e:"))
            rig.log.event(arg);
        else if (step == u"f")
            rig.log.flush();
        else
            rig.now = rig.now.addMSecs(step.toInt());
    }
    QCOMPARE(rig.body(), expected);
}

void TestSessionLog::header()
{
    Rig rig;
    rig.log.open(3, QStringLiteral("COM3 /dev/pts/9 9600,n,8,1 无流控"));
    QCOMPARE(QFileInfo(rig.log.filePath()).fileName(), QStringLiteral("COM3-20261208-090503.log"));
    // What was typed is in there: for the user alone.
    QCOMPARE(QFile::permissions(rig.log.filePath()) & 0xf0ff, SessionLog::kFilePermissions);
    QCOMPARE(QFile::permissions(rig.log.directory()) & 0xf0ff, SessionLog::kFolderPermissions);
    rig.log.close(QStringLiteral("端口已关闭"));
    const QStringList lines = QString::fromUtf8(test::readFile(rig.log.directory() + "/COM3-20261208-090503.log")).split(u'\n');
    QVERIFY2(lines[0].startsWith(u"# Tarnwell ") && lines[0].endsWith(u" COM3 /dev/pts/9 9600,n,8,1 无流控 2026-12-08 09:05:03"),
             qPrintable(lines[0]));
    QCOMPARE(lines.mid(1), (QStringList{"09:05:03.007 === 端口已关闭", ""}));
    // A second opening in the same second gets a name of its own.
    rig.log.open(3, QStringLiteral("COM3"));
    QCOMPARE(QFileInfo(rig.log.filePath()).fileName(), QStringLiteral("COM3-20261208-090503_2.log"));
}

void TestSessionLog::rotation()
{
    Rig rig;
    rig.log.setMaxFileBytes(300);
    rig.log.open(3, QStringLiteral("COM3"));
    QStringList expected;
    for (int i = 0; i < 40; ++i) {
        rig.now = rig.now.addSecs(1);
        const QString at = rig.now.toString(QStringLiteral("HH:mm:ss.zzz "));
        const QString line = QStringLiteral("interface Ethernet1/0/%1").arg(i);
        rig.log.received(line + QStringLiteral("\r\n"));
        expected << at + line;
        if (i % 10 == 9)
            rig.log.sent(QStringLiteral(" ")), expected << at + QStringLiteral(">>> <space>");
    }
    QStringList body = rig.body();
    const QStringList files = QDir(rig.log.directory()).entryList({"*.log"}, QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 4, qPrintable(files.join(u' ')));
    for (int i = 0; i < files.size(); ++i) {
        const QByteArray bytes = test::readFile(rig.log.directory() + u'/' + files[i]);
        QVERIFY2(bytes.size() < 300 + 80, qPrintable(files[i])); // over the limit by one line at most
        QVERIFY(bytes.startsWith("# Tarnwell "));
        if (i > 0) {
            const QString mark = QStringLiteral(" === 接上一个文件 ") + files[i - 1];
            QVERIFY(body.removeIf([&](const QString &l) { return l.endsWith(mark); }) == 1);
        }
    }
    QCOMPARE(body, expected);

    // The total is kept while the session runs: the oldest files go, this session's too.
    rig.log.setMaxTotalBytes(1000);
    for (int i = 0; i < 100; ++i) {
        rig.now = rig.now.addMSecs(i % 10 ? 0 : 1000); // files of the same second and millisecond too
        rig.log.received(QStringLiteral("interface Ethernet1/0/%1\r\n").arg(i));
        rig.log.flush();
    }
    qint64 total = 0;
    for (const QFileInfo &f : QDir(rig.log.directory()).entryInfoList({"*.log"}, QDir::Files))
        total += f.size();
    QVERIFY2(total <= 1000 + 80, qPrintable(QString::number(total)));
    const QString newest = rig.body().join(u'\n');
    QVERIFY2(newest.endsWith(u" interface Ethernet1/0/99") && newest.contains(u" interface Ethernet1/0/93\n"), qPrintable(newest));
}

void TestSessionLog::pruning_data()
{
    // Each log: age in days and size in bytes; the total allowed in the test is 1000 bytes.
    QTest::addColumn<QList<int>>("ages");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("kept"); // indexes of the logs that stay
    QTest::newRow("older than 90 days") << QList<int>{200, 91, 89, 0} << QList<int>{20, 20, 20, 20} << QList<int>{2, 3};
    QTest::newRow("over the total, oldest first")
        << QList<int>{5, 3, 4, 1} << QList<int>{400, 400, 400, 300} << QList<int>{1, 3};
    QTest::newRow("both") << QList<int>{100, 2, 1} << QList<int>{20, 600, 600} << QList<int>{2};
    QTest::newRow("nothing to do") << QList<int>{89, 1} << QList<int>{500, 500} << QList<int>{0, 1};
}

// Only this program's logs go, however old and large the other files that look like them are.
void TestSessionLog::pruning()
{
    QFETCH(QList<int>, ages);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, kept);
    QTemporaryDir dir;
    const QByteArray header = "# Tarnwell 1.0.7 COM1 /dev/ttyUSB0 9600,n,8,1 无流控 2026-01-01 00:00:00\n";
    const auto age = [&](const QString &path, QDateTime when) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    const auto path = [&](int i) { return dir.path() + QStringLiteral("/COM%1-20260101-000000.log").arg(i + 1); };
    for (int i = 0; i < ages.size(); ++i) {
        test::writeFile(path(i), header.left(sizes[i]).leftJustified(sizes[i], 'x'));
        age(path(i), kStart.addDays(-ages[i]).addSecs(-60));
    }
    const QStringList strangers{"notes.txt", "COMMENTS.log", "COMPANY-contacts.log", "com1-20250101-000000.log",
                                "COM1-20250101-000000.LOG", "COM2-20250101-000000.log.bak", "COM3-2025-000000.log",
                                "COM4-20250101-000000_a.log", "COM5-20250101-000000.log" /* no header */};
    for (const QString &name : strangers) {
        test::writeFile(dir.filePath(name), name.startsWith(u"COM5") ? QByteArray(2000, 'x') : header + QByteArray(2000, 'x'));
        age(dir.filePath(name), kStart.addYears(-2));
    }
    // A link with a log's name, to a log of this program elsewhere.
    QTemporaryDir elsewhere;
    test::writeFile(elsewhere.filePath("COM9-20250101-000000.log"), header + QByteArray(2000, 'x'));
    age(elsewhere.filePath("COM9-20250101-000000.log"), kStart.addYears(-2));
    QVERIFY(QFile::link(elsewhere.filePath("COM9-20250101-000000.log"), dir.filePath("COM9-20250101-000000.log")));

    SessionLog::prune(dir.path(), kStart, 90, 1000);
    QList<int> left;
    for (int i = 0; i < ages.size(); ++i)
        if (QFileInfo::exists(path(i))) {
            left << i;
            QCOMPARE(QFile::permissions(path(i)) & 0xf0ff, SessionLog::kFilePermissions); // were 0644
        }
    QCOMPARE(left, kept);
    for (const QString &name : strangers + QStringList{"COM9-20250101-000000.log"})
        QVERIFY2(QFileInfo::exists(dir.filePath(name)), qPrintable(name));
    QVERIFY(QFileInfo(dir.filePath("COM9-20250101-000000.log")).isSymLink());
}

void TestSessionLog::unwritableFolder()
{
    Rig rig;
    test::writeFile(rig.dir.path() + "/file", "a file where the folder should be");
    rig.log.setDirectory(rig.dir.path() + "/file/logs");
    try {
        rig.log.open(3, QStringLiteral("COM3"));
        QFAIL("opened");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(rig.dir.path() + "/file/logs"), qPrintable(e.description()));
    }
    QVERIFY(!rig.log.isOpen());
    rig.log.received(QStringLiteral("still fine\r\n"));
    rig.log.close();
}

// Files may grow to `bytes` while this lives: a write beyond fails as on a full disk, after
// writing what fits (EFBIG instead of ENOSPC).
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, before.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &before); }
    rlimit before{};
};

// The system's reason, both in the middle of a file and at the header of the next one, which
// is not left behind.
void TestSessionLog::diskFull()
{
    Rig rig;
    const QString reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    QSignalSpy failed(&rig.log, &SessionLog::writeFailed);
    {
        FileSizeLimit limit(4096);
        rig.log.open(3, QStringLiteral("COM3"));
        rig.log.received(QString(300 * 1024, u'x'));
    }
    QCOMPARE(failed.size(), 1);
    QVERIFY2(failed[0][0].toString().contains(reason), qPrintable(failed[0][0].toString()));
    QVERIFY(!rig.log.isOpen());
    QString error;
    {
        FileSizeLimit limit(10);
        rig.now = rig.now.addSecs(1);
        try {
            rig.log.open(3, QStringLiteral("COM3"));
        } catch (const Error &e) {
            error = e.description();
        }
    }
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(QDir(rig.log.directory()).entryList(QDir::Files), QStringList{"COM3-20261208-090503.log"});
}

void TestSessionLog::writtenWithinASecond()
{
    Rig rig;
    rig.log.open(3, QStringLiteral("COM3"));
    rig.log.received(QStringLiteral("<H3C>"));
    QTRY_VERIFY_WITH_TIMEOUT(test::readFile(rig.log.filePath()).endsWith("09:05:03.007 <H3C>\n"), 5000);
    rig.log.received(QStringLiteral("\n\n")); // the line's end and an empty line, which starts a run
    QTRY_VERIFY_WITH_TIMEOUT(test::readFile(rig.log.filePath()).endsWith("<H3C>\n09:05:03.007 \n"), 5000);
    rig.log.received(QStringLiteral("\n\n\n")); // the run goes on: only counted, and the count written
    QTRY_VERIFY_WITH_TIMEOUT(test::readFile(rig.log.filePath()).endsWith("09:05:03.007 === 又收到 3 个空行\n"), 5000);
}

QTEST_GUILESS_MAIN(TestSessionLog)
#include "test_sessionlog.moc"
