#include "listingreport.h"

#include "base/error.h"
#include "base/writeall.h"

namespace tarnwell {

namespace {

QDataStream &operator<<(QDataStream &out, const BindInfoPort &port)
{
    return out << port.name << port.state << port.type << port.vlan << port.macs3100 << port.binds3600;
}

QDataStream &operator>>(QDataStream &in, BindInfoPort &port)
{
    return in >> port.name >> port.state >> port.type >> port.vlan >> port.macs3100 >> port.binds3600;
}

void writeUtf8(std::FILE *to, const QString &text)
{
    const QByteArray out = text.toUtf8();
    if (std::fwrite(out.constData(), 1, size_t(out.size()), to) != size_t(out.size()))
        throw Error(QStringLiteral("无法写入标准输出"));
}

} // namespace

ListingReport::ListingReport()
    : m_reader([this](const BindInfoPort &port) { keep(port); })
{
    m_memory.open(QIODevice::ReadWrite);
    m_out.setDevice(&m_memory);
}

ListingReport::~ListingReport() = default;

void ListingReport::add(const QString &text)
{
    m_text += text;
    if (m_text.size() >= kTextBlock) {
        m_reader.add(m_text);
        m_text.clear();
    }
}

SwitchModel ListingReport::finish(SwitchModel switchModel)
{
    if (!m_text.isEmpty())
        m_reader.add(m_text);
    m_text.clear();
    m_reader.finish();
    m_model = m_reader.model(switchModel).switchModel;
    return m_model;
}

void ListingReport::keep(const BindInfoPort &port)
{
    m_out << port;
    if (m_memory.size() >= kSpoolMemory)
        spill();
}

void ListingReport::spill()
{
    if (!m_file) {
        m_file = std::make_unique<QTemporaryFile>();
        if (!m_file->open())
            throw Error(QStringLiteral("无法建立临时文件: %1").arg(m_file->errorString()));
    }
    if (!writeAll(*m_file, m_memory.data()))
        throw Error(QStringLiteral("无法写入临时文件: %1").arg(m_file->errorString()));
    m_memory.buffer().clear();
    m_memory.seek(0);
}

void ListingReport::write(std::FILE *to)
{
    writeUtf8(to, formatBindHeader(m_model));
    const auto rowsOf = [&](QIODevice *device) {
        QDataStream in(device);
        BindInfoPort port;
        while (!in.atEnd()) {
            in >> port;
            if (in.status() != QDataStream::Ok)
                throw Error(QStringLiteral("无法读回临时文件"));
            for (const BindInfoRow &row : BindInfoRows(port, m_model))
                writeUtf8(to, formatBindRow(row));
        }
    };
    if (m_file) {
        if (!m_file->flush() || !m_file->seek(0))
            throw Error(QStringLiteral("无法读回临时文件: %1").arg(m_file->errorString()));
        rowsOf(m_file.get());
    }
    m_memory.seek(0);
    rowsOf(&m_memory);
}

} // namespace tarnwell
