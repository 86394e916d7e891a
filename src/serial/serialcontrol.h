#pragma once

#include "base/error.h"
#include "serial/sendabletext.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace tarnwell {

// The one serial port of the program, shaped like the classic serial communications control:
// port number and handshake mode are written while the port is closed and take effect at the
// next open; the settings string takes effect at once on an open port (the line's speed changes
// without closing it). Text crosses this interface as QString; the implementation converts
// to and from the bytes on the line (GBK). Every failure throws tarnwell::Error.
class SerialControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialControl() override = default;

    virtual void setCommPort(int port) = 0;         // 1 to 16
    virtual int commPort() const = 0;
    // e.g. "9600,n,8,1"; throws when unusable, or when the open port refuses it (it then keeps
    // the settings it had).
    virtual void setSettings(const QString &settings) = 0;
    virtual QString settings() const = 0;
    // Changes the speed in the settings alone (at once on an open port); speedChanged() tells
    // whoever shows the settings. Throws as setSettings() does.
    void setSpeed(qint32 baud)
    {
        QString line = settings();
        line.replace(0, line.indexOf(u','), QString::number(baud));
        setSettings(line);
        emit speedChanged(baud);
    }
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
        checkNotHeld();
        writeText(text);
        emit sent(text);
    }
    // Sends a password typed into a masked box, then `after` (as a rule the CR), as output()
    // does; sent() reports the password as "******", so nothing that shows or records what was
    // sent ever holds it.
    void outputSecret(const QString &secret, const QString &after = QString())
    {
        checkNotHeld();
        writeText(sendableSecret(secret) + after);
        emit sent(QStringLiteral("******") + after);
    }
    // Sends keys typed one at a time at the terminal, as output() does; typed() reports them,
    // with every character but the control ones as "*" when secret (typed at a password prompt).
    void outputTyped(const QString &keys, bool secret = false)
    {
        checkNotHeld();
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

    // Bytes as they are on the line, for a file transfer: written unconverted and not reported
    // by sent() (a log records the transfer, not its data); throws as output() does.
    void outputBytes(const QByteArray &bytes) { writeBytes(bytes); }
    // All received bytes waiting, undecoded, removed from the receive buffer.
    virtual QByteArray inputBytes() = 0;
    // Holds the line in the break state for about ms milliseconds, without waiting for it;
    // a break asked for while one lasts is part of it. Throws while the port is closed or when
    // the device refuses.
    virtual void sendBreak(int ms = kBreakMs) = 0;
    static constexpr int kBreakMs = 250;
    // While a file transfer owns the line, output() and outputSecret() throw this reason instead
    // of putting text into its data; empty releases the line.
    void holdText(const QString &reason) { m_heldFor = reason; }

signals:
    // setSpeed() changed the line's speed.
    void speedChanged(qint32 baud);
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
    virtual void writeBytes(const QByteArray &bytes) = 0;

private:
    void checkNotHeld() const
    {
        if (!m_heldFor.isEmpty())
            throw Error(m_heldFor);
    }
    QString m_heldFor;
};

} // namespace tarnwell
