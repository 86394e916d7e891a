#include "support/controls.h"
#include "simbench.h"

#include <QTest>

#include "serial/portserialcontrol.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>

namespace tarnwell::test {

SimulatedSwitch::~SimulatedSwitch()
{
    stop();
}

bool SimulatedSwitch::start(const QStringList &arguments, QString &error)
{
    m_process.start(QStringLiteral(TARNWELL_SWITCHSIM), arguments);
    if (!m_process.waitForStarted(30000)) {
        error = QStringLiteral("tarnwell-switchsim did not start: ") + m_process.errorString();
        return false;
    }
    // The path is the first line; the process blocks nothing while we wait for it.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(30000)) {
            error = QStringLiteral("no terminal path from tarnwell-switchsim: ")
                    + QString::fromLocal8Bit(m_process.readAllStandardError());
            return false;
        }
    }
    m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (!m_path.startsWith(QStringLiteral("/dev/"))) {
        error = QStringLiteral("unexpected terminal path: ") + m_path;
        return false;
    }
    return true;
}

bool SimulatedSwitch::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return false;
    m_process.terminate();
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
        m_process.waitForFinished(15000);
        return false;
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

SimBench::~SimBench()
{
    // The window (and its port) goes before the simulator, so the far end never vanishes under
    // an open port.
    m_window.reset();
}

bool SimBench::start(const QStringList &simArguments, QString &error)
{
    if (!sim.start(simArguments, error))
        return false;
    home.linkPort(3, sim.terminalPath());
    m_window = std::make_unique<FrmMain>();
    home.confine(*qobject_cast<PortSerialControl *>(&m_window->serial()));
    if (test::control<QComboBox>(*m_window, "Combo2")->currentText() != QStringLiteral("COM3")) {
        error = QStringLiteral("the window did not start on COM3 but on ") + test::control<QComboBox>(*m_window, "Combo2")->currentText();
        return false;
    }
    test::control<QPushButton>(*m_window, "Cmd_Switch")->click();
    if (!m_window->serial().portOpen()) {
        error = QStringLiteral("the port did not open: ") + boxes.texts().join(u'\n');
        return false;
    }
    return true;
}

bool SimBench::waitForText(const QString &marker, qsizetype from, int timeoutMs)
{
    const auto found = [&] { return text().indexOf(marker, from) >= 0; };
    if (found())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Connected after the window's own receive handler, so the text is appended when this runs.
    QObject::connect(&m_window->serial(), &SerialControl::onComm, &loop, [&] {
        if (found())
            loop.quit();
    });
    deadline.start(timeoutMs);
    loop.exec();
    return found();
}

qsizetype SimBench::typeLine(const QString &line)
{
    const qsizetype from = mark();
    test::control<QLineEdit>(*m_window, "Text2")->setText(line);
    test::control<QPushButton>(*m_window, "Cmd_Send_Enter")->click();
    return from;
}

void SimBench::run(QPushButton *button)
{
    button->click();
    if (!QTest::qWaitFor([this] { return !m_window->engine().busy(); }, 120000))
        qFatal("the operation did not end within two minutes");
    QCoreApplication::processEvents(); // the end is shown once it is over
}

QString SimBench::capture()
{
    QSignalSpy reported(&m_window->capture(), &BindInfoCapture::reported);
    test::control<QPushButton>(*m_window, "Cmd_GetBindInfo")->click();
    if (reported.isEmpty() && !reported.wait(kReportTimeoutMs))
        return {};
    return reported.takeFirst().at(0).toString();
}

void SimBench::clearLoginBoxes()
{
    for (QLineEdit *box : {test::control<QLineEdit>(*m_window, "Txt_ManageIP"), test::control<QLineEdit>(*m_window, "Txt_User_Name"), test::control<QLineEdit>(*m_window, "Txt_User_PSD"),
                           test::control<QLineEdit>(*m_window, "Txt_Super_Name"), test::control<QLineEdit>(*m_window, "Txt_Super_PSD")})
        box->clear();
}

QString reportRow(const QString &report, const QString &port)
{
    const QString prefix = port + u'\t';
    for (const QString &line : report.split(QStringLiteral("\r\n")))
        if (line.startsWith(prefix))
            return line;
    return {};
}

QStringList reportPorts(const QString &report)
{
    QStringList lines = report.split(QStringLiteral("\r\n"));
    QStringList ports;
    for (qsizetype i = 1; i < lines.size(); ++i) // line 0 is the header
        if (!lines[i].isEmpty())
            ports << lines[i].section(u'\t', 0, 0);
    return ports;
}

QByteArray runReportTool(const QString &terminalText, const QStringList &arguments, bool &ok)
{
    ok = false;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("terminal.log"));
    QFile file(path);
    QStringEncoder gbk("GBK");
    if (!file.open(QIODevice::WriteOnly) || file.write(gbk(terminalText)) < 0)
        return {};
    file.close();
    QProcess tool;
    tool.start(QStringLiteral(TARNWELL_REPORT_TOOL), QStringList(arguments) << path);
    if (!tool.waitForFinished(60000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    ok = tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    return tool.readAllStandardOutput();
}

} // namespace tarnwell::test
