#include "transfer/filesender.h"

#include "base/error.h"
#include "serial/serialcontrol.h"
#include "transfer/xmodemsender.h"

#include <QFile>
#include <QFileInfo>

namespace tarnwell {

namespace {

QString kindOf(const XmodemSender &x)
{
    return x.crc() ? QStringLiteral("XMODEM-1K，CRC校验") : QStringLiteral("XMODEM，128字节块，累加和校验");
}

QString blocksOf(const XmodemSender &x)
{
    return QStringLiteral("%1/%2 块，%3/%4 字节")
        .arg(x.blocksAcked())
        .arg(x.totalBlocks())
        .arg(x.bytesAcked())
        .arg(x.totalBytes());
}

// The message and the log's outcome for each way a transfer ends.
OperationEnd endOf(const XmodemSender &x, const QString &file)
{
    switch (x.state()) {
    case XmodemSender::State::Sent:
        return {QStringLiteral("文件 %1 已发送完毕：%2 字节，%3 块（%4）。")
                    .arg(file).arg(x.totalBytes()).arg(x.totalBlocks()).arg(kindOf(x)),
                {}, QStringLiteral("完成（%1 块，%2 字节，%3）").arg(x.totalBlocks()).arg(x.totalBytes()).arg(kindOf(x))};
    case XmodemSender::State::Cancelled:
        return {QStringLiteral("已停止发送文件 %1（已发送 %2），并通知了接收方取消。交换机没有收到完整的文件。")
                    .arg(file, blocksOf(x)),
                {}, QStringLiteral("已停止（%1）").arg(blocksOf(x))};
    case XmodemSender::State::ReceiverCancelled:
        return {QStringLiteral("接收方取消了文件 %1 的接收（已发送 %2）。交换机没有收到完整的文件。")
                    .arg(file, blocksOf(x)),
                {}, QStringLiteral("接收方取消（%1）").arg(blocksOf(x))};
    default:
        break;
    }
    if (x.blocksAcked() == 0 && x.retries() == 0)
        return {QStringLiteral("接收方在 %1 秒内没有开始接收（没有收到 C 或 NAK），文件 %2 没有发送。\n"
                               "请先在交换机的 Boot 菜单中选择 XMODEM 下载并改好波特率，再点“发送文件”。")
                    .arg(XmodemSender::kStartWaitMs / 1000).arg(file),
                {}, QStringLiteral("接收方无回应")};
    return {QStringLiteral("接收方连续 %1 次没有确认，已放弃发送文件 %2（已发送 %3），并通知了接收方取消。")
                .arg(XmodemSender::kMaxRetries + 1).arg(file, blocksOf(x)),
            {}, QStringLiteral("接收方无回应（%1）").arg(blocksOf(x))};
}

} // namespace

FileSender::FileSender(SerialControl &serial, OperationEngine &engine, QObject *parent)
    : QObject(parent), m_serial(serial), m_engine(engine)
{
}

FileSender::~FileSender()
{
    if (m_running)
        m_engine.cancel();
}

bool FileSender::send(const QString &path)
{
    if (m_engine.busy())
        return false;
    if (!m_serial.portOpen())
        throw Error(QStringLiteral("端口未打开，不能发送文件。请先点击“点击开启”"));
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile())
        throw Error(QStringLiteral("%1 不是普通文件，不能发送").arg(path));
    if (info.size() > kMaxBytes)
        throw Error(QStringLiteral("文件 %1 有 %2 字节，太大了（最多 %3 MiB），没有发送").arg(path).arg(info.size()).arg(kMaxBytes >> 20));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("不能读取文件 %1：%2").arg(path, file.errorString()));
    const QByteArray data = file.read(kMaxBytes + 1);
    if (data.isEmpty())
        throw Error(QStringLiteral("文件 %1 是空的，没有发送").arg(path));
    const QString name = QStringLiteral("发送文件 %1（%2 字节）").arg(info.fileName()).arg(data.size());
    m_inbox.clear();
    m_running = true;
    return m_engine.start(name, run(info.fileName(), data));
}

void FileSender::stop()
{
    if (m_running)
        m_inbox.stop();
}

QByteArray FileSender::take(const QByteArray &bytes)
{
    m_inbox.push(bytes); // the operation runs its step inside
    return std::exchange(m_shown, {});
}

Operation FileSender::run(QString file, QByteArray data)
{
    // However it ends (also cancelled where it waits), the line is free again and ended() says so.
    struct Running {
        FileSender *sender;
        ~Running()
        {
            sender->m_running = false;
            sender->m_serial.holdText(QString());
            emit sender->ended();
        }
    } running{this};
    m_serial.holdText(QStringLiteral("正在用 XMODEM 发送文件 %1，不能同时发送文字。请等它结束，或按 Esc 停止").arg(file));
    XmodemSender x(std::move(data));
    m_engine.setOutcome(QStringLiteral("已停止（%1）").arg(blocksOf(x)));
    emit progress(0, x.totalBlocks(), 0, x.totalBytes());
    while (!x.finished()) {
        const ByteInbox::Next next = co_await m_inbox.next(x.waitMs());
        QByteArray out;
        if (next.stopped) {
            out = x.cancel();
        } else if (next.timedOut) {
            out = x.timedOut();
        } else {
            const XmodemSender::Reply reply = x.received(next.bytes);
            out = reply.write;
            m_shown += reply.shown;
        }
        if (!out.isEmpty())
            m_serial.outputBytes(out);
        m_engine.setOutcome(QStringLiteral("已停止（%1）").arg(blocksOf(x)));
        emit progress(x.blocksAcked(), x.totalBlocks(), x.bytesAcked(), x.totalBytes());
    }
    co_return endOf(x, file);
}

} // namespace tarnwell

#include "moc_filesender.cpp" // compiled with this file (and its library's unit), not on its own
