// One console session without a window (a QCoreApplication: no widget could be made) against
// the simulated switch: the port, the terminal it fills, a binding script on the engine, the
// capture that reports it and sets the switch model, and the session log that records it all.

#include "sessionrig.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwell;

class TestE2eSession : public QObject {
    Q_OBJECT
private slots:
    void bindAndReport();
};

void TestE2eSession::bindAndReport()
{
    test::SessionRig rig;
    QString error;
    rig.boxes.values = {{ScriptBox::PortNum, u"5"_qs}, {ScriptBox::Vlan, u"10"_qs}, {ScriptBox::Mac, u"000f-e212-3456"_qs},
                        {ScriptBox::IP, u"10.1.1.5"_qs}};
    QVERIFY2(rig.start({"--model", "3600"}, u"<SW3600-A>"_qs, error), qPrintable(error));
    ConsoleSession &session = *rig.session;
    test::RigView &view = rig.view;
    const QString logFile = session.recording().log().filePath();
    QVERIFY(!logFile.isEmpty());

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
