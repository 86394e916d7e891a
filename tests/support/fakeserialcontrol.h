#pragma once

#include "serial/serialcontrol.h"

#include <QElapsedTimer>
#include <QList>
#include <functional>

namespace tarnwell::test {

// A serial control without a device: records every write with the time it happened, lets the
// test feed received text, and fails like a closed port does.
class FakeSerialControl : public SerialControl {
    Q_OBJECT
public:
    struct Write {
        QString text;
        qint64 atMs; // clock() at the time of the write
    };

    FakeSerialControl();

    void setCommPort(int port) override { m_port = port; }
    int commPort() const override { return m_port; }
    void setSettings(const QString &settings) override;
    QString settings() const override { return m_settings; }
    void setHandshaking(int mode) override { m_handshake = mode; }
    int handshaking() const override { return m_handshake; }
    bool portOpen() const override { return m_open; }
    void setPortOpen(bool open) override;
    void writeText(const QString &text) override;
    QString input() override;
    void writeBytes(const QByteArray &bytes) override;
    QByteArray inputBytes() override;
    void sendBreak(int ms) override;

    // Queues received text (or bytes) and raises onComm from the event loop.
    void receive(const QString &text);
    void receiveBytes(const QByteArray &bytes);
    // Concatenation of every write.
    QString written() const;

    QList<Write> writes;
    QByteArray bytesWritten; // by outputBytes
    QList<int> breaks;       // the length of each break sent
    int openCount = 0;
    // When set, the next setPortOpen(true) throws this description.
    QString failOpenWith;
    // When set, setSettings throws for a string this returns false for.
    std::function<bool(const QString &)> acceptSettings;
    std::function<qint64()> clock;

private:
    int m_port = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    int m_handshake = 0;
    bool m_open = false;
    QString m_pending;
    QByteArray m_pendingBytes;
    QElapsedTimer m_timer;
};

} // namespace tarnwell::test
