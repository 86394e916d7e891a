#pragma once

#include "serial/portreconnector.h"
#include "session/sessionlog.h"

#include <QObject>
#include <QString>

#include <functional>

namespace tarnwell {

class OperationGate;
class SerialControl;
class Terminal;

// The record of each port session and the reopening of a lost port: opening the port
// starts a log file, what is received and sent and each operation's beginning and end go into
// it, closing or losing the port ends it. A lost port is watched for and opened again; the pane
// then says so in a line of its own. The loss is told in the one notice, which does not wait for
// the user: a port lost again while it is up updates it (counting the losses), it says when the
// watch waits (the port drops too often) or gives up, and it closes once the port is open again
// or the user opens or closes it or sets up the port otherwise. Old logs are pruned when this is made (at start-up).
class SessionRecording : public QObject {
    Q_OBJECT
public:
    // device: the device the open port uses, for the log's header (empty when unknown).
    SessionRecording(SerialControl &serial, Terminal &terminal, OperationGate &operations,
                     std::function<QString()> device, PortReconnector::Resolve resolve,
                     QObject *parent = nullptr);

    SessionLog &log() { return m_log; }
    PortReconnector &reconnector() { return m_reconnector; }
    // The user opens or closes the port (or sets it up otherwise): the watch for a lost one and
    // its notice end.
    void takeOver();

signals:
    // The lost port is open again; the window shows its Open state.
    void reconnected();

private:
    void portOpened();
    // Ends the log with why; an operation still running ends in it first, as it ends with the port.
    void closeLog(const QString &why);
    QString about() const;

    SerialControl &m_serial;
    Terminal &m_terminal;
    OperationGate &m_operations;
    std::function<QString()> m_device;
    SessionLog m_log;
    PortReconnector m_reconnector;
    QString m_lastFailure; // the last opening's log failure, reported only once in a row
    int m_losses = 0;      // since the user last opened or closed the port
};

} // namespace tarnwell
