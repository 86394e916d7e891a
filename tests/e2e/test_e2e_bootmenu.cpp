// The switch's boot stage end to end, one console session against the simulator: the armed
// Ctrl+B beats the countdown, the download's baud change is taken live, the file goes by XMODEM
// (1K blocks with CRC or 128-byte blocks with the checksum, as the switch asks), the speed goes
// back and the switch starts again.

#include "serial/portserialcontrol.h"
#include "session/consolesession.h"
#include "simbench.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwell;

namespace {

struct NoBoxes : ScriptInputs {
    QString text(ScriptBox) const override { return {}; }
    SwitchModel switchModel() const override { return SwitchModel::S3100; }
};

struct NoView : BindInfoView {
    void setInputLine(const QString &) override {}
    void clearReport() override {}
    void setReport(const QString &) override {}
    void selectModelButton(ModelButton) override {}
};

} // namespace

class TestE2eBootMenu : public QObject {
    Q_OBJECT
private slots:
    void downloadsThroughTheBootMenu_data();
    void downloadsThroughTheBootMenu();
};

void TestE2eBootMenu::downloadsThroughTheBootMenu_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("padded");
    QTest::addColumn<QString>("kind");
    QTest::newRow("C: 1K blocks, CRC") << QStringList{} << 5000 << 5120 << "XMODEM-1K";
    QTest::newRow("NAK: 128-byte blocks, checksum") << QStringList{"--xmodem-checksum"} << 1000 << 1024 << "累加和";
}

void TestE2eBootMenu::downloadsThroughTheBootMenu()
{
    QFETCH(QStringList, simOptions);
    QFETCH(int, size);
    QFETCH(int, padded);
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString image = dir.filePath("got.bin");
    test::SimulatedSwitch sim;
    QString error;
    QVERIFY2(sim.start(simOptions + QStringList{"--boot-wait", "2", "--boot-delay", "0", "--download-to", image}, error),
             qPrintable(error));
    test::ConfigHome home;
    home.linkPort(3, sim.terminalPath());
    NoBoxes boxes;
    NoView view;
    ConsoleSession session(nullptr, boxes, view);
    auto &serial = *qobject_cast<PortSerialControl *>(&session.serial());
    home.confine(serial);
    serial.setCommPort(3);
    serial.setPortOpen(true);
    const auto shows = [&](const char *text) {
        return QTest::qWaitFor([&] { return session.terminal().text().contains(QLatin1String(text)); },
                               test::kPromptTimeoutMs);
    };

    serial.output(QStringLiteral("\r"));
    QVERIFY(shows("<SW3100-A>"));
    BootMenuAssistant &boot = session.bootAssistant();
    boot.setArmed(true);
    QSignalSpy speeds(&boot, &BootMenuAssistant::speedRequested);
    serial.output(QStringLiteral("reboot\ry\r"));
    QVERIFY(shows("BOOT  MENU"));
    QVERIFY(!boot.armed()); // once only: the start after the download boots on
    serial.output(QStringLiteral("1\r5\r"));
    QTRY_COMPARE_WITH_TIMEOUT(speeds.size(), 1, test::kPromptTimeoutMs);
    QCOMPARE(speeds.at(0).at(0).toInt(), 115200);
    boot.acceptSpeed(115200);
    QVERIFY(shows("Loading ..."));
    // The simulator ignores an Enter at the wrong speed: "Loading" shows the port went to 115200.
    QCOMPARE(serial.settings(), QStringLiteral("115200,n,8,1"));

    QFile file(dir.filePath("image.bin"));
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(i * 37 + i / 256);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == size);
    file.close();
    QSignalSpy finished(&session.engine(), &OperationEngine::finished);
    QVERIFY(session.fileSender().send(file.fileName()));
    QVERIFY(finished.wait(test::kReportTimeoutMs));
    const QString message = finished.at(0).at(0).value<OperationEnd>().message;
    QVERIFY2(message.contains(u"已发送完毕"_qs) && message.contains(kind), qPrintable(message));
    QVERIFY(shows("Download completed"));
    QTRY_COMPARE_WITH_TIMEOUT(speeds.size(), 2, test::kPromptTimeoutMs);
    QCOMPARE(speeds.at(1).at(0).toInt(), 9600);
    boot.acceptSpeed(9600);
    QVERIFY(shows("Press ENTER to get started"));
    QFile got(image);
    QVERIFY(got.open(QIODevice::ReadOnly));
    QCOMPARE(got.readAll(), data + QByteArray(padded - size, 0x1A));
    // The transfer's bytes never reached the terminal; the switch's words around it did.
    QVERIFY(!session.terminal().text().contains(QChar(0x1A)));
    QVERIFY(session.terminal().text().contains(u"bytes received"_qs));

    // The log has the send's start and end with the file, its size and blocks, not its data.
    const QString logFile = session.recording().log().filePath();
    serial.setPortOpen(false);
    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    const QString name = QStringLiteral("发送文件 image.bin（%1 字节）").arg(size);
    QVERIFY2(text.contains(u"=== 开始："_qs + name) && text.contains(u"=== 结束："_qs + name + u"(完成（"_qs)
                 && text.contains(QStringLiteral("%1 块").arg(padded / (kind == u"累加和" ? 128 : 1024))),
             qPrintable(text.right(800)));
    QVERIFY(!text.contains(u"^Z"_qs)); // the padding, had the data been logged
}

QTEST_GUILESS_MAIN(TestE2eBootMenu)
#include "test_e2e_bootmenu.moc"
