// A batch of bindings against the simulated switch, through a console session: a 48-port 3600
// and a 3100, a header row, a VLAN the switch lacks (stop, or skip and go on), Esc and a pulled
// cable mid-batch, unbinding what a batch bound, the listing that verifies each row afterwards,
// the backup it leaves and the session log's record of every row.
#include "sessionrig.h"

#include "batch/batchtable.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

using namespace tarnwell;

class TestE2eBatch : public QObject {
    Q_OBJECT
private slots:
    void batch_data();
    void batch();
    void unbindWhatWasBound();
};

void TestE2eBatch::batch_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("skipRefused");
    QTest::addColumn<QString>("event"); // "stop N" / "pull N": Esc / the cable pulled while row N is sent
    // Per row: what its outcome and its verification start with ("" for none).
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QStringList>("verified");

    const QStringList strict{"--strict-vlans"};
    // VLAN 1 is the only one a switch has from the start.
    const QString missingVlan = u"5\t1\t000f-e2aa-0005\n6\t99\t000f-e2aa-0006\n7\t1\t00:0f:e2:aa:00:07\n"_qs;
    const QString refused = u"被拒绝：port acc vlan 99：Error: VLAN 99 does not exist."_qs;
    QTest::newRow("48-port 3600, header row, first and last port")
        << QStringList{"--model", "3600", "--ports", "48"}
        << u"端口\tVLAN\tMAC\tIP\r\n1\t10\t000f-e2aa-0001\t10.1.1.1\r\n48\t10\t000F.E2AA.0048\t10.1.1.48\r\n"_qs << false << ""
        << QStringList{"完成", "完成"} << QStringList{"已核实", "已核实"};
    QTest::newRow("3100, VLAN missing: stops at the refused row")
        << strict << missingVlan << false << "" << QStringList{"完成", refused, "没有发送：第2行被拒绝后停止"}
        << QStringList{"已核实", "VLAN是无VLAN，不是99", ""};
    QTest::newRow("3100, VLAN missing: refused row skipped")
        << strict << missingVlan << true << "" << QStringList{"完成", refused, "完成"}
        << QStringList{"已核实", "VLAN是无VLAN，不是99", "已核实"};
    QTest::newRow("Esc while row 2 is sent: row 2 ends, row 3 is not sent")
        << QStringList() << missingVlan << false << "stop 1" << QStringList{"完成", "完成", "没有发送：已停止"}
        << QStringList{"已核实", "已核实", ""};
    QTest::newRow("cable pulled while row 2 is sent")
        << QStringList() << missingVlan << false << "pull 1"
        << QStringList{"完成", "没有完成：中途停止", "没有发送：端口已断开"} << QStringList{"", "", ""};
}

void TestE2eBatch::batch()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QString, table);
    QFETCH(bool, skipRefused);
    QFETCH(QString, event);
    QFETCH(QStringList, outcomes);
    QFETCH(QStringList, verified);

    test::SessionRig rig;
    QString error;
    const bool is3600 = simArguments.contains(u"3600"_qs);
    QVERIFY2(rig.start(simArguments, is3600 ? u"<SW3600-A>"_qs : u"<SW3100-A>"_qs, error), qPrintable(error));
    ConsoleSession &session = *rig.session;
    session.setSwitchModel(is3600 ? SwitchModel::S3600 : SwitchModel::S3100);
    BatchBinding &batch = session.batch();
    const QString logFile = session.recording().log().filePath();

    // A marked row: nothing starts.
    QVERIFY(!batch.start(BatchTable::parse(table + u"5\t10\tnot-a-mac\n"_qs, is3600).rows, true, skipRefused));
    QVERIFY(!session.engine().busy());

    const int eventRow = event.section(u' ', 1).toInt();
    QObject::connect(&batch, &BatchBinding::rowChanged, &batch, [&](int row) {
        if (event.isEmpty() || row != eventRow || batch.outcomes()[row].state != BatchOutcome::State::Running)
            return;
        if (event.startsWith(u"stop"))
            batch.stop();
        else
            QTimer::singleShot(0, &batch, [&] { rig.sim.stop(); });
    });
    QSignalSpy ended(&batch, &BatchBinding::ended);
    const BatchTable rows = BatchTable::parse(table, is3600);
    QVERIFY(rows.sendable());
    QVERIFY(batch.start(rows.rows, true, skipRefused));
    QVERIFY(ended.wait(180000));

    QCOMPARE(batch.outcomes().size(), outcomes.size());
    for (int i = 0; i < outcomes.size(); ++i) {
        const BatchOutcome &o = batch.outcomes()[i];
        QVERIFY2(o.text().startsWith(outcomes[i]), qPrintable(QStringLiteral("row %1: %2").arg(i + 1).arg(o.text())));
        QVERIFY2(verified[i].isEmpty() ? o.verified.isEmpty() : o.verified.startsWith(verified[i]),
                 qPrintable(QStringLiteral("row %1: %2").arg(i + 1).arg(o.verified)));
    }
    QVERIFY(batch.resultText().startsWith(u"端口\tVLAN\tMAC\tIP\t结果\t核实\r\n"_qs));

    // The verifying listing is kept as a backup, as the switch printed it without pager and erasures.
    const QStringList backups = session.backups().backups(is3600 ? u"SW3600-A"_qs : u"SW3100-A"_qs);
    QCOMPARE(backups.size(), verified.first().isEmpty() ? 0 : 1);
    if (!backups.isEmpty()) {
        const QString kept = ConfigBackups::read(backups.first());
        QVERIFY(kept.startsWith(u"#\r\n"_qs) && kept.endsWith(u"return\r\n"_qs));
        QVERIFY(!kept.contains(u"More"_qs) && !kept.contains(u'\x1b'));
        QVERIFY(kept.contains(is3600 ? u"interface Ethernet1/0/48\r\n"_qs : u"interface Ethernet1/0/7\r\n"_qs));
    }

    if (session.serial().portOpen())
        session.serial().setPortOpen(false);
    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(u"=== 批量绑定 第1行 端口"_qs + rows.rows[0].port + u"：完成"_qs), qPrintable(text.right(800)));
}

// The rows bound by one batch, unbound by another: the undo lines, and the listing afterwards
// shows the ports shut down and without their bindings.
void TestE2eBatch::unbindWhatWasBound()
{
    test::SessionRig rig;
    QString error;
    QVERIFY2(rig.start({"--model", "3600"}, u"<SW3600-A>"_qs, error), qPrintable(error));
    rig.session->setSwitchModel(SwitchModel::S3600);
    BatchBinding &batch = rig.session->batch();
    const BatchTable rows = BatchTable::parse(u"3\t10\t000f-e2aa-0003\t10.1.1.3\n4\t10\t000f-e2aa-0004\t10.1.1.4\n"_qs, true);
    for (const bool bind : {true, false}) {
        QSignalSpy ended(&batch, &BatchBinding::ended);
        QVERIFY(batch.start(rows.rows, bind, false));
        QVERIFY(ended.wait(180000));
        for (const BatchOutcome &o : batch.outcomes())
            QVERIFY2(o.text() == u"完成"_qs && o.verified == u"已核实"_qs, qPrintable(o.text() + u' ' + o.verified));
    }
    QVERIFY(rig.session->terminal().text().contains(u"undo am user-bind mac-addr 000f-e2aa-0004 ip-addr 10.1.1.4\r\n"_qs));
}

QTEST_GUILESS_MAIN(TestE2eBatch)
#include "test_e2e_batch.moc"
