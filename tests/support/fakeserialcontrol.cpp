#include "support/fakeserialcontrol.h"

#include "base/error.h"
#include "serial/sendabletext.h"

#include <QTimer>

#include <utility>

namespace tarnwell::test {

FakeSerialControl::FakeSerialControl()
{
    m_timer.start();
    clock = [this] { return m_timer.elapsed(); };
}

void FakeSerialControl::setSettings(const QString &settings)
{
    if (acceptSettings && !acceptSettings(settings))
        throw Error(QStringLiteral("无效的端口设置 \"%1\"").arg(settings));
    m_settings = settings;
}

void FakeSerialControl::setPortOpen(bool open)
{
    if (open && !m_open && !failOpenWith.isEmpty())
        throw Error(failOpenWith);
    if (open == m_open)
        return;
    openCount += open;
    m_open = open;
    if (open)
        emit opened();
    else
        emit closed();
}

void FakeSerialControl::writeText(const QString &text)
{
    if (!m_open)
        throw Error(QStringLiteral("端口未打开"));
    writes.append({sendableText(text), clock()});
}

QString FakeSerialControl::input()
{
    QString out;
    out.swap(m_pending);
    return out + QString::fromLatin1(std::exchange(m_pendingBytes, {}));
}

void FakeSerialControl::writeBytes(const QByteArray &bytes)
{
    if (!m_open)
        throw Error(QStringLiteral("端口未打开"));
    bytesWritten += bytes;
}

QByteArray FakeSerialControl::inputBytes()
{
    return std::exchange(m_pending, {}).toLatin1() + std::exchange(m_pendingBytes, {});
}

void FakeSerialControl::sendBreak(int ms)
{
    if (!m_open)
        throw Error(QStringLiteral("端口未打开"));
    breaks << ms;
}

void FakeSerialControl::receive(const QString &text)
{
    m_pending += text;
    QTimer::singleShot(0, this, [this] {
        if (!m_pending.isEmpty())
            emit onComm();
    });
}

void FakeSerialControl::receiveBytes(const QByteArray &bytes)
{
    m_pendingBytes += bytes;
    QTimer::singleShot(0, this, [this] {
        if (!m_pendingBytes.isEmpty())
            emit onComm();
    });
}

QString FakeSerialControl::written() const
{
    QString all;
    for (const Write &w : writes)
        all += w.text;
    return all;
}

} // namespace tarnwell::test
