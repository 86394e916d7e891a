#pragma once

#include "console/portserialcontrol.h"
#include "support/pty.h"

#include <QElapsedTimer>
#include <QList>

#include <memory>

namespace tarnwell::test {

// The real serial control, opened as COM3 on a pseudo-terminal through the override link, with
// the time of every output() call and of every chunk arriving at the far end.
class PtyLink : public SerialControl {
public:
    PtyLink()
    {
        home.linkPort(3, pty.slavePath());
        port.setCommPort(3);
        port.setSettings(QStringLiteral("9600,n,8,1"));
        port.setPortOpen(true);
        clock.start();
        QObject::connect(&pty, &Pty::bytesReceived, &pty, [this](const QByteArray &bytes) {
            arrivals.append({qint64(received.size()), clock.nsecsElapsed()});
            received += bytes;
        });
    }

    void setCommPort(int p) override { port.setCommPort(p); }
    int commPort() const override { return port.commPort(); }
    void setSettings(const QString &s) override { port.setSettings(s); }
    QString settings() const override { return port.settings(); }
    void setHandshaking(int mode) override { port.setHandshaking(mode); }
    int handshaking() const override { return port.handshaking(); }
    bool portOpen() const override { return port.portOpen(); }
    void setPortOpen(bool open) override { port.setPortOpen(open); }
    QString input() override { return port.input(); }
    void output(const QString &text) override
    {
        port.output(text);
        sends.append({text, clock.nsecsElapsed()});
    }

    // When the byte at offset arrived at the far end (-1: not yet).
    qint64 arrivalNs(qint64 offset) const
    {
        for (qsizetype i = arrivals.size() - 1; i >= 0; --i)
            if (arrivals[i].offset <= offset)
                return offset < received.size() ? arrivals[i].atNs : -1;
        return -1;
    }
    bool waitForBytes(qint64 n, int timeoutMs = 5000) { return pty.waitForReceived(int(n), timeoutMs); }

    struct Send {
        QString text;
        qint64 atNs;
    };
    struct Arrival {
        qint64 offset;
        qint64 atNs;
    };

    ConfigHome home;
    Pty pty;
    PortSerialControl port;
    QElapsedTimer clock;
    QList<Send> sends;
    QList<Arrival> arrivals;
    QByteArray received;
};

} // namespace tarnwell::test
