#pragma once

#include "engine/operationengine.h"
#include "transfer/byteinbox.h"

#include <QObject>

namespace tarnwell {

class SerialControl;
class XmodemSender;

// Sends a file to the switch by XMODEM (see XmodemSender), as an operation on the engine: no
// script, capture or paste runs meanwhile, and no typed text reaches the line (it is held with
// a message). While it runs the session hands every received byte to take(); the receiver's
// text before the start and after the end comes back to be shown. stop() (Esc) sends CAN and
// ends it with a message, as every other end does; the session log records the file, its size,
// the blocks and the outcome through the operation's name and outcome, never the data.
class FileSender : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 64 << 20; // far more than a switch's application image

    FileSender(SerialControl &serial, OperationEngine &engine, QObject *parent = nullptr);
    ~FileSender() override;

    // Reads the file and starts sending it; the sending waits for the receiver to ask. Throws
    // Error when the file cannot be read, is empty or too large, or the port is closed. False,
    // nothing read, while another operation runs.
    bool send(const QString &path);
    void stop();
    bool running() const { return m_running; }
    // Bytes received while running; returns those that are text for the terminal.
    QByteArray take(const QByteArray &bytes);

signals:
    void progress(qsizetype blocks, qsizetype totalBlocks, qsizetype bytes, qsizetype totalBytes);
    void ended();

private:
    Operation run(QString name, QByteArray data);

    SerialControl &m_serial;
    OperationEngine &m_engine;
    ByteInbox m_inbox;
    QByteArray m_shown;
    bool m_running = false;
};

} // namespace tarnwell
