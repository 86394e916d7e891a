// One console session without a window (a QCoreApplication: no widget could be made) against
// the simulated switch: the port, the terminal it fills, a binding script on the engine, the
// capture that reports it and sets the switch model, and the session log that records it all.

#include "serial/portserialcontrol.h"
#include "session/consolesession.h"
#include "simbench.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwell;

namespace {

struct Boxes : ScriptInputs {
    QString text(ScriptBox box) const override
    {
        switch (box) {
        case ScriptBox::PortNum: return QStringLiteral("5");
        case ScriptBox::Vlan: return QStringLiteral("10");
        case ScriptBox::Mac: return QStringLiteral("000f-e212-3456");
        case ScriptBox::IP: return QStringLiteral("10.1.1.5");
        default: return QString();
        }
    }
    SwitchModel switchModel() const override { return model ? model() : SwitchModel::S3100; }
    std::function<SwitchModel()> model;
};

struct ReportView : BindInfoView {
    void setInputLine(const QString &text) override { inputLine = text; }
    void clearReport() override { report.clear(); }
    void setReport(const QString &text) override { report = text; }
    void selectModelButton(ModelButton) override {}
    QString inputLine, report;
};

} // namespace

class TestE2eSession : public QObject {
    Q_OBJECT
private slots:
    void bindAndReport();
};

void TestE2eSession::bindAndReport()
{
    test::SimulatedSwitch sim;
    QString error;
    QVERIFY2(sim.start({"--model", "3600"}, error), qPrintable(error));
    test::ConfigHome home;
    home.linkPort(3, sim.terminalPath());
    Boxes boxes;
    ReportView view;
    ConsoleSession session(nullptr, boxes, view);
    boxes.model = [&] { return session.switchModel(); };
    home.confine(*qobject_cast<PortSerialControl *>(&session.serial()));
    session.serial().setCommPort(3);
    session.serial().setPortOpen(true);
    QVERIFY(session.serial().portOpen());
    const QString logFile = session.recording().log().filePath();
    QVERIFY(!logFile.isEmpty());

    session.serial().output(QStringLiteral("\r"));
    QTRY_VERIFY_WITH_TIMEOUT(session.terminal().text().contains(u"<SW3600-A>"_qs), test::kPromptTimeoutMs);

    // The listing sets the model, with one signal, and the binding then takes the 3600 form.
    QSignalSpy modelChanged(&session, &ConsoleSession::switchModelChanged);
    QSignalSpy reported(&session.capture(), &BindInfoCapture::reported);
    session.capture().run();
    QVERIFY(reported.wait(test::kReportTimeoutMs));
    QCOMPARE(session.switchModel(), SwitchModel::S3600);
    QCOMPARE(modelChanged.size(), 1);

    QSignalSpy finished(&session.engine(), &OperationEngine::finished);
    session.scripts().bind();
    QVERIFY(finished.wait(test::kPromptTimeoutMs));
    QCOMPARE(finished.at(0).at(0).value<OperationEnd>().message, u"操作完毕！"_qs);
    QVERIFY2(session.terminal().text().contains(u"am user-bind mac-addr 000f-e212-3456 ip-addr 10.1.1.5\r\n"_qs),
             qPrintable(session.terminal().text().right(300)));

    reported.clear();
    session.capture().run();
    QVERIFY(reported.wait(test::kReportTimeoutMs));
    QCOMPARE(test::reportRow(view.report, u"1/0/5"_qs),
             u"1/0/5\t开启状态\tAccess类型\t10\t000f-e212-3456\t10.1.1.5\t"_qs);

    session.serial().setPortOpen(false);
    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(u"=== 结束：绑定(完成)"_qs) && text.contains(u">>> sys"_qs), qPrintable(text.right(500)));
}

QTEST_GUILESS_MAIN(TestE2eSession)
#include "test_e2e_session.moc"
