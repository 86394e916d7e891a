#include "console/sessionlog.h"

#include "console/error.h"
#include "tarnwell_version.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace tarnwell {

QString sessionLogDirectory()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/tarnwell/logs");
}

namespace {

// Above this much collected text the buffer goes to the file at once (a flood of output).
constexpr qsizetype kBufferLimit = 1024 * 1024;

// Appends text as UTF-8 with every control character in caret notation (ESC as ^[, DEL as ^?).
void appendShown(QByteArray &out, QStringView text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != 0x7f)
            continue;
        out += text.mid(start, i - start).toUtf8();
        out += '^';
        out += c == 0x7f ? '?' : char(c + 0x40);
        start = i + 1;
    }
    out += text.mid(start).toUtf8();
}

} // namespace

SessionLog::SessionLog(QObject *parent) : QObject(parent)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(1000);
    connect(&m_flushTimer, &QTimer::timeout, this, &SessionLog::flush);
}

SessionLog::~SessionLog()
{
    close();
}

QByteArray SessionLog::stamp()
{
    const QTime t = m_clock().time();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d ", t.hour(), t.minute(), t.second(), t.msec());
    return QByteArray(text);
}

void SessionLog::open(int commPort, const QString &about)
{
    close();
    if (!m_enabled)
        return;
    m_commPort = commPort;
    m_header = QByteArray("# Tarnwell ") + version::kVersion + ' ' + about.toUtf8();
    startFile();
}

// Opens the next file of the session and writes its header; throws when that fails.
void SessionLog::startFile()
{
    const QDateTime now = m_clock();
    const QString failed = QStringLiteral("无法在文件夹 %1 中写会话日志(%2)。端口照常工作,但这次打开不记录日志。"
                                          "请检查这个文件夹的权限和磁盘空间");
    if (!QDir().mkpath(m_dir))
        throw Error(failed.arg(m_dir, QStringLiteral("不能建立这个文件夹")));
    const QString base = QStringLiteral("%1/COM%2-%3").arg(m_dir).arg(m_commPort).arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString name = base + QStringLiteral(".log");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QStringLiteral("_%1.log").arg(n); // sorts after the first of that second
    m_file.setFileName(name);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        throw Error(failed.arg(m_dir, m_file.errorString()));
    const QByteArray header = m_header + ' ' + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + '\n';
    m_fileBytes = m_file.write(header);
    if (m_fileBytes != header.size()) {
        const QString why = m_file.errorString();
        m_file.close();
        throw Error(failed.arg(m_dir, why));
    }
}

void SessionLog::close(const QString &why)
{
    if (!m_file.isOpen())
        return;
    writeUnfinishedLine();
    if (!why.isEmpty())
        addLine("=== ", why);
    flush();
    m_file.close();
    m_flushTimer.stop();
    m_line.clear();
    m_lineStarted = m_lineContinued = m_pendingCr = false;
}

void SessionLog::received(const QString &text)
{
    if (!m_file.isOpen())
        return;
    QByteArray now; // read from the clock once per call, when a line begins in it
    const QStringView all(text);
    qsizetype from = 0;
    while (from < all.size()) {
        const qsizetype lf = all.indexOf(u'\n', from);
        const bool ends = lf >= 0;
        QStringView part = all.mid(from, (ends ? lf : all.size()) - from);
        from = ends ? lf + 1 : all.size();
        if (!part.isEmpty() || (ends && !m_lineStarted && !m_lineContinued)) {
            if (!m_lineStarted) {
                if (now.isEmpty())
                    now = stamp();
                m_lineStamp = now;
                m_lineStarted = true;
            }
            if (m_pendingCr && !part.isEmpty())
                m_line += "^M";
            m_pendingCr = part.endsWith(u'\r');
            if (m_pendingCr)
                part.chop(1);
            appendShown(m_line, part);
        }
        if (ends) {
            // A CR right before the LF belongs to the line end.
            m_pendingCr = false;
            if (m_lineStarted && !(m_lineContinued && m_line.isEmpty())) {
                m_buffer += m_lineStamp;
                if (m_lineContinued)
                    m_buffer += "+++ ";
                m_buffer += m_line;
                m_buffer += '\n';
            }
            m_line.resize(0);
            m_lineStarted = m_lineContinued = false;
        }
    }
    afterAdding();
}

void SessionLog::sent(const QString &shown)
{
    if (!m_file.isOpen() || shown.isEmpty())
        return;
    writeUnfinishedLine();
    // One log line per CR-ended line; a last part without CR (a key such as ^K) is a line too.
    const QStringView all(shown);
    qsizetype from = 0;
    while (from < all.size()) {
        qsizetype cr = all.indexOf(u'\r', from);
        if (cr < 0)
            cr = all.size();
        const QStringView line = all.mid(from, cr - from);
        addLine(">>> ", line == u" " ? QStringView(u"<space>") : line);
        from = cr + 1;
    }
    afterAdding();
}

void SessionLog::event(const QString &text)
{
    if (!m_file.isOpen())
        return;
    writeUnfinishedLine();
    addLine("=== ", text);
    afterAdding();
}

void SessionLog::addLine(const char *marker, QStringView text)
{
    m_buffer += stamp();
    m_buffer += marker;
    appendShown(m_buffer, text);
    m_buffer += '\n';
}

// Puts the received line in progress into the log as it stands; what follows it on the same
// line comes as a "+++" line.
void SessionLog::writeUnfinishedLine()
{
    if (!m_lineStarted)
        return;
    m_lineStarted = false;
    if (m_lineContinued && m_line.isEmpty())
        return; // only a held-back CR so far
    m_buffer += m_lineStamp;
    if (m_lineContinued)
        m_buffer += "+++ ";
    m_buffer += m_line;
    m_buffer += '\n';
    m_line.resize(0);
    m_lineContinued = true;
}

void SessionLog::afterAdding()
{
    if (!m_file.isOpen())
        return;
    if (m_fileBytes + m_buffer.size() >= m_maxFileBytes) {
        const QString previous = QFileInfo(m_file.fileName()).fileName();
        const QByteArray rest = std::exchange(m_buffer, {});
        m_fileBytes += m_file.write(rest);
        m_file.close();
        try {
            startFile();
        } catch (const Error &e) {
            fail(e.description());
            return;
        }
        addLine("=== ", QStringLiteral("接上一个文件 %1").arg(previous));
    }
    if (m_buffer.size() >= kBufferLimit) {
        const qint64 n = m_file.write(m_buffer);
        if (n != m_buffer.size())
            return fail(QStringLiteral("写会话日志 %1 失败(%2),日志已停止。端口照常工作")
                            .arg(m_file.fileName(), m_file.errorString()));
        m_fileBytes += n;
        m_buffer.resize(0);
    }
    if (!m_flushTimer.isActive() && (!m_buffer.isEmpty() || m_lineStarted))
        m_flushTimer.start();
}

void SessionLog::flush()
{
    if (!m_file.isOpen())
        return;
    writeUnfinishedLine();
    if (!m_buffer.isEmpty()) {
        const qint64 n = m_file.write(m_buffer);
        m_fileBytes += qMax<qint64>(n, 0);
        if (n != m_buffer.size())
            return fail(QStringLiteral("写会话日志 %1 失败(%2),日志已停止。端口照常工作")
                            .arg(m_file.fileName(), m_file.errorString()));
        m_buffer.resize(0);
    }
}

void SessionLog::fail(const QString &description)
{
    m_file.close();
    m_buffer.clear();
    m_line.clear();
    m_lineStarted = m_lineContinued = m_pendingCr = false;
    m_flushTimer.stop();
    emit writeFailed(description);
}

QStringList SessionLog::prune(const QString &dir, const QDateTime &now, int maxAgeDays, qint64 maxBytes)
{
    QFileInfoList logs = QDir(dir).entryInfoList({QStringLiteral("COM*.log")}, QDir::Files);
    std::sort(logs.begin(), logs.end(),
              [](const QFileInfo &a, const QFileInfo &b) { return a.lastModified() < b.lastModified(); });
    qint64 total = 0;
    for (const QFileInfo &log : logs)
        total += log.size();
    const QDateTime cutoff = now.addDays(-maxAgeDays);
    QStringList removed;
    for (const QFileInfo &log : logs) {
        if (log.lastModified() >= cutoff && total <= maxBytes)
            break;
        if (QFile::remove(log.filePath())) {
            total -= log.size();
            removed << log.filePath();
        }
    }
    return removed;
}

} // namespace tarnwell
