#include "session/consolesession.h"

#include "base/usermessages.h"
#include "serial/portserialcontrol.h"

namespace tarnwell {

ConsoleSession::ConsoleSession(std::unique_ptr<SerialControl> serial, ScriptInputs &inputs, BindInfoView &view,
                               QObject *parent)
    : QObject(parent), m_serial(serial ? std::move(serial) : std::make_unique<PortSerialControl>())
{
    auto *real = qobject_cast<PortSerialControl *>(m_serial.get());
    // Made first, so that a lost port is logged and watched for before anyone shows the loss.
    m_recording = std::make_unique<SessionRecording>(
        *m_serial, m_terminal, m_engine.gate(), [real] { return real ? real->deviceName() : QString(); },
        [real](int n) { return real ? real->resolver().resolve(n).device : QString(); });
    m_scripts = std::make_unique<CommandScripts>(*m_serial, inputs, m_engine);
    m_scripts->watchReplies();
    m_capture = std::make_unique<BindInfoCapture>(*m_serial, m_terminal, view, m_model, m_engine);
    m_paste = std::make_unique<PasteSender>(*m_serial, m_engine);
    m_batch = std::make_unique<BatchBinding>(*m_serial, *m_scripts, *m_capture, m_engine, m_model);
    m_fileSender = std::make_unique<FileSender>(*m_serial, m_engine);
    m_bootAssistant = std::make_unique<BootMenuAssistant>(*m_serial);

    connect(m_batch.get(), &BatchBinding::note, this, [this](const QString &text) { m_recording->log().event(text); });
    // A backup that cannot be written is told; the capture itself has succeeded.
    connect(m_capture.get(), &BindInfoCapture::listingCaptured, this,
            [this](const QString &text) { trapErrors([&] { m_backups.store(text); }); });

    connect(m_serial.get(), &SerialControl::onComm, this, &ConsoleSession::receive);
    connect(&m_terminal, &Terminal::received, this, [this](const QString &text) {
        m_scripts->received(text);
        m_paste->received(text);
        m_bootAssistant->received(text);
    });
    connect(&m_model, &SwitchModelHolder::changed, this, &ConsoleSession::switchModelChanged);
    // A script or paste waiting when the port goes away would fail at its next write with a
    // second report of the loss: it ends quietly. The capture reports what came.
    connect(m_serial.get(), &SerialControl::portLost, this, [this] {
        if (capturing())
            m_capture->stopRunning();
        else
            m_engine.cancel(QStringLiteral("端口已断开"));
    });
}

void ConsoleSession::receive()
{
    if (!m_fileSender->running()) {
        m_terminal.append(m_serial->input());
        return;
    }
    const QByteArray text = m_fileSender->take(m_serial->inputBytes());
    if (!text.isEmpty())
        m_terminal.append(m_transferText.decode(text));
}

ConsoleSession::~ConsoleSession()
{
    // An operation still waiting goes first, while everything it refers to is still here.
    m_engine.cancel();
    m_capture->cancel();
}

} // namespace tarnwell

#include "moc_consolesession.cpp" // compiled with this file (and its library's unit), not on its own
