// The unified diff between two listings, and the backups of listings: what is kept of a capture
// (no pager prompts, erasures or log lines), the folder a sysname gets (hostile ones too), the
// file names by time, and a listing equal to the last one not kept again.
#include "backup/configbackups.h"
#include "backup/unifieddiff.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

class TestConfigBackups : public QObject {
    Q_OBJECT
private slots:
    void diff_data();
    void diff();
    void diffIsMinimal_data();
    void diffIsMinimal();
    void content_data();
    void content();
    void folderName_data();
    void folderName();
    void storing();
};

void TestConfigBackups::diff_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("hunks"); // the diff without its two name lines

    const QString ten = u"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n"_qs;
    QTest::newRow("equal") << ten << ten << "";
    QTest::newRow("equal but for line ends") << ten << QString(ten).replace(u"\n"_qs, u"\r\n"_qs) << "";
    QTest::newRow("one line changed in the middle")
        << ten << u"1\n2\n3\n4\n5x\n6\n7\n8\n9\n10\n"_qs << "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+5x\n 6\n 7\n 8\n";
    QTest::newRow("added at the end") << u"a\nb\n"_qs << u"a\nb\nc\n"_qs << "@@ -1,2 +1,3 @@\n a\n b\n+c\n";
    QTest::newRow("removed at the start") << u"a\nb\nc\n"_qs << u"b\nc\n"_qs << "@@ -1,3 +1,2 @@\n-a\n b\n c\n";
    QTest::newRow("from empty") << "" << u"x\ny\n"_qs << "@@ -0,0 +1,2 @@\n+x\n+y\n";
    QTest::newRow("to empty") << u"x\n"_qs << "" << "@@ -1 +0,0 @@\n-x\n";
    QTest::newRow("two changes far apart: two hunks")
        << ten << u"1x\n2\n3\n4\n5\n6\n7\n8\n9\n10x\n"_qs
        << "@@ -1,4 +1,4 @@\n-1\n+1x\n 2\n 3\n 4\n@@ -7,4 +7,4 @@\n 7\n 8\n 9\n-10\n+10x\n";
    QTest::newRow("two changes six apart: one hunk")
        << ten << u"1\n2x\n3\n4\n5\n6\n7\n8\n9x\n10\n"_qs
        << "@@ -1,10 +1,10 @@\n 1\n-2\n+2x\n 3\n 4\n 5\n 6\n 7\n 8\n-9\n+9x\n 10\n";
    QTest::newRow("a binding moved between ports")
        << u"interface Ethernet1/0/5\n mac-address static 000f-e2aa-0001 vlan 10\n#\ninterface Ethernet1/0/6\n#\n"_qs
        << u"interface Ethernet1/0/5\n#\ninterface Ethernet1/0/6\n mac-address static 000f-e2aa-0001 vlan 10\n#\n"_qs
        << "@@ -1,5 +1,5 @@\n interface Ethernet1/0/5\n- mac-address static 000f-e2aa-0001 vlan 10\n #\n interface Ethernet1/0/6\n+ mac-address static 000f-e2aa-0001 vlan 10\n #\n";
}

void TestConfigBackups::diff()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, hunks);
    const QString d = unifiedDiff(diffLines(a), diffLines(b), u"A"_qs, u"B"_qs);
    QCOMPARE(d, hunks.isEmpty() ? QString() : u"--- A\n+++ B\n"_qs + hunks);
}

namespace {

// b rebuilt from a and the diff: what a patch program does.
QStringList patched(const QStringList &a, const QString &diff)
{
    QStringList out;
    qsizetype at = 0;
    for (const QString &line : diff.split(u'\n', Qt::SkipEmptyParts).mid(2)) {
        if (line.startsWith(u"@@")) {
            const QString from = line.section(u' ', 1, 1).mid(1);
            const qsizetype start = from.section(u',', 0, 0).toLongLong();
            const bool none = from.contains(u',') && from.section(u',', 1).toLongLong() == 0;
            const qsizetype first = none ? start : start - 1;
            while (at < first)
                out << a[at++];
        } else if (line.startsWith(u' ')) {
            out << a[at++];
        } else if (line.startsWith(u'-')) {
            ++at;
        } else {
            out << line.mid(1);
        }
    }
    while (at < a.size())
        out << a[at++];
    return out;
}

} // namespace

// The diff turns a into b and, within the bound, removes no more lines than were changed;
// past the bound of changes the whole middle is replaced, still a correct diff.
void TestConfigBackups::diffIsMinimal_data()
{
    QTest::addColumn<int>("every"); // every n-th line of 3000 changed
    QTest::addColumn<bool>("minimal");
    QTest::newRow("3 changes") << 1000 << true;
    QTest::newRow("300 changes") << 10 << true;
    QTest::newRow("1500 changes, past the bound") << 2 << false;
}

void TestConfigBackups::diffIsMinimal()
{
    QFETCH(int, every);
    QFETCH(bool, minimal);
    QStringList a, b;
    for (int i = 0; i < 3000; ++i) {
        a << QString::number(i);
        b << (i % every == 1 ? QStringLiteral("x%1").arg(i) : QString::number(i));
    }
    const QString diff = unifiedDiff(a, b, u"A"_qs, u"B"_qs);
    QCOMPARE(patched(a, diff), b);
    const qsizetype removed = diff.count(u"\n-"_qs); // "--- A" starts the text
    QCOMPARE(removed == 3000 / every, minimal);
}

void TestConfigBackups::content_data()
{
    QTest::addColumn<QString>("captured");
    QTest::addColumn<QString>("kept");

    const QString log = u"%Apr  5 07:02:03:671 2000 SW IFNET/5/UPDOWN:- 1 - up"_qs;
    QTest::newRow("pager wiped in both forms, log lines, echo and prompt left out")
        << u"<SW>dis cu\r\n#\r\n sysname SW\r\n  ---- More ----\x1b[42D                                          \x1b[42Dinterface Ethernet1/0/1\r\n"_qs
           u" port access vlan 10\r\n"_qs + log + u"\r\n#\r\n  ---- More ----\x1b[16D                \x1b[16Dreturn\r\n<SW>"_qs
        << u"#\r\n sysname SW\r\ninterface Ethernet1/0/1\r\n port access vlan 10\r\n#\r\nreturn\r\n"_qs;
    QTest::newRow("no return: not a whole listing") << u"<SW>dis cu\r\n#\r\n sysname SW\r\n  ---- More ----"_qs << "";
    QTest::newRow("nothing") << "" << "";
}

void TestConfigBackups::content()
{
    QFETCH(QString, captured);
    QFETCH(QString, kept);
    QCOMPARE(listingForBackup(captured), kept);
}

void TestConfigBackups::folderName_data()
{
    QTest::addColumn<QString>("sysname");
    QTest::addColumn<QString>("folder"); // before the hash, when one is added
    QTest::addColumn<bool>("hashed");
    QTest::newRow("plain") << "SW3600-B" << "SW3600-B" << false;
    QTest::newRow("Chinese") << "三楼交换机" << "三楼交换机" << false;
    QTest::newRow("path") << "../../etc/passwd" << "_._.._etc_passwd" << true;
    QTest::newRow("dot") << ".." << "_." << true;
    QTest::newRow("control characters and blanks") << "a\x1b[2Jb c" << "a__2Jb_c" << true;
    QTest::newRow("long") << QString(200, u'x') << QString(64, u'x') << true;
    QTest::newRow("none") << "" << "未知交换机" << false;
}

void TestConfigBackups::folderName()
{
    QFETCH(QString, sysname);
    QFETCH(QString, folder);
    QFETCH(bool, hashed);
    const QString name = backupFolderName(sysname);
    QCOMPARE(hashed ? name.section(u'-', 0, -2) : name, folder);
    QCOMPARE(name.size(), folder.size() + (hashed ? 9 : 0));
    // Two hostile names that sanitise alike still get folders of their own.
    if (hashed)
        QVERIFY(backupFolderName(sysname + u'/') != name);
}

void TestConfigBackups::storing()
{
    QTemporaryDir home;
    const ConfigBackups backups(home.path() + u"/configs"_qs);
    const QString listing = u"<SW>dis cu\r\n#\r\n sysname ../SW\r\n#\r\nreturn\r\n<SW>"_qs;
    const QDateTime at(QDate(2026, 12, 8), QTime(21, 30, 5));
    const QString first = backups.store(listing, at);
    QCOMPARE(QFileInfo(first).fileName(), u"20261208-213005.cfg"_qs);
    QCOMPARE(QFileInfo(first).dir().dirName(), backupFolderName(u"../SW"_qs));
    QCOMPARE(QFileInfo(first).dir().path(), home.path() + u"/configs/"_qs + backupFolderName(u"../SW"_qs));
    QCOMPARE(QFile::permissions(first) & ~(QFile::ReadUser | QFile::WriteUser), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(ConfigBackups::read(first), u"#\r\n sysname ../SW\r\n#\r\nreturn\r\n"_qs);
    // The same listing again, even with log lines in between: not stored.
    QCOMPARE(backups.store(u"%Apr  5 07:02:03:671 2000 SW X\r\n"_qs + listing, at.addSecs(60)), QString());
    // A change in the same second gets a name of its own.
    const QString second = backups.store(QString(listing).replace(u" sysname ../SW\r\n"_qs, u" sysname ../SW\r\n vlan 10\r\n"_qs), at);
    QCOMPARE(QFileInfo(second).fileName(), u"20261208-213005_2.cfg"_qs);
    QCOMPARE(backups.switches(), QStringList{backupFolderName(u"../SW"_qs)});
    QCOMPARE(backups.backups(backups.switches().first()), (QStringList{first, second}));
    QCOMPARE(unifiedDiff(diffLines(ConfigBackups::read(first)), diffLines(ConfigBackups::read(second)), first, second)
                 .section(u'\n', 2),
             u"@@ -1,4 +1,5 @@\n #\n  sysname ../SW\n+ vlan 10\n #\n return\n"_qs);
}

QTEST_APPLESS_MAIN(TestConfigBackups)
#include "test_configbackups.moc"
