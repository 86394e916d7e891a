#pragma once

#include "serial/sendabletext.h"

#include <QObject>
#include <QString>

namespace tarnwell {

// The one serial port of the program, shaped like the classic serial communications control:
// port number, settings string and handshake mode are written while the port is closed and take
// effect at the next open. Text crosses this interface as QString; the implementation converts
// to and from the bytes on the line (GBK). Every failure throws tarnwell::Error.
class SerialControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialControl() override = default;

    virtual void setCommPort(int port) = 0;         // 1 to 16
    virtual int commPort() const = 0;
    virtual void setSettings(const QString &settings) = 0; // e.g. "9600,n,8,1"; throws when unusable
    virtual QString settings() const = 0;
    virtual void setHandshaking(int mode) = 0;      // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    virtual int handshaking() const = 0;

    virtual bool portOpen() const = 0;
    // true opens with the last port number, settings and handshake (throws when it cannot);
    // false closes. Opening an open port or closing a closed one does nothing.
    virtual void setPortOpen(bool open) = 0;

    // Sends the text at once, in order; throws while the port is closed or when the write fails.
    // Once written, sent() reports it.
    void output(const QString &text)
    {
        writeText(text);
        emit sent(text);
    }
    // Sends a password typed into a masked box, then `after` (as a rule the CR), as output()
    // does; sent() reports the password as "******", so nothing that shows or records what was
    // sent ever holds it.
    void outputSecret(const QString &secret, const QString &after = QString())
    {
        writeText(sendableSecret(secret) + after);
        emit sent(QStringLiteral("******") + after);
    }
    // Sends keys typed one at a time at the terminal, as output() does; typed() reports them,
    // with every character but the control ones as "*" when secret (typed at a password prompt).
    void outputTyped(const QString &keys, bool secret = false)
    {
        writeText(secret ? sendableSecret(keys) : keys);
        QString shown = keys;
        if (secret)
            for (QChar &c : shown)
                if (c.unicode() >= 0x20)
                    c = u'*';
        emit typed(shown);
    }
    // All received characters waiting, removed from the receive buffer; empty when none wait.
    virtual QString input() = 0;

signals:
    // Text was written to the line; a password as "******".
    void sent(const QString &shown);
    // Keys typed one at a time were written (see outputTyped).
    void typed(const QString &shown);
    // setPortOpen opened or closed the port (a lost device reports portLost instead).
    void opened();
    void closed();
    // Received characters are waiting (raised from the event loop, never from inside output()).
    void onComm();
    // The device went away while open (adapter pulled, far end closed). The port is already
    // closed when this is emitted; the description names the device.
    void portLost(const QString &description);

protected:
    // The implementation's write: converts the text to the line's bytes and sends them at once.
    virtual void writeText(const QString &text) = 0;
};

} // namespace tarnwell
