#include "session/sessionlog.h"

#include "base/appdirs.h"
#include "terminal/charcells.h"
#include "base/error.h"
#include "base/writeall.h"
#include "tarnwell_version.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tarnwell {

namespace {

// Above this much collected text the buffer goes to the file at once (a flood of output).
constexpr qsizetype kBufferLimit = 256 * 1024;
// The longest line that ends a run of empty lines: time, "=== ", the text and a 19-digit count.
constexpr qsizetype kRunEndBytes = 13 + 4 + 64;

// The line that stands for `count` empty lines after the one written, the last at `stamp`.
QByteArray runEnd(const QByteArray &stamp, qint64 count)
{
    if (count == 1)
        return stamp + '\n'; // as short as the line itself
    return stamp + "=== " + QStringLiteral("又收到 %1 个空行").arg(count).toUtf8() + '\n';
}

// Appends UTF-8 text with every control character in caret notation (ESC as ^[, DEL as ^?).
void appendShown(QByteArray &out, const char *from, const char *to)
{
    const char *start = from;
    for (const char *c = from; c < to; ++c) {
        const auto b = static_cast<unsigned char>(*c);
        if (!charcells::isControl(b))
            continue;
        out.append(start, c - start);
        out += '^';
        out += char(charcells::caretOf(b));
        start = c + 1;
    }
    out.append(start, to - start);
}

// Copies the printable ASCII characters from p on (up to the first other one) as bytes; returns
// the new output position and moves p past them. Most switch output is such text: eight
// characters are checked and narrowed at a time where the processor allows.
char *copyPrintable(char *o, const char16_t *&p, const char16_t *end)
{
#ifdef __SSE2__
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i span = _mm_set1_epi16(0x7e - 0x20);
    while (end - p >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        // c - 0x20 wraps below a space; saturating away 0x5e leaves 0 only for 0x20 to 0x7e.
        const __m128i beyond = _mm_subs_epu16(_mm_sub_epi16(v, space), span);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyond, _mm_setzero_si128())) != 0xffff)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(v, v));
        o += 8;
        p += 8;
    }
#endif
    while (p < end && *p >= 0x20 && *p < 0x7f)
        *o++ = char(*p++);
    return o;
}

// Writes the characters from p up to the next ASCII one (or end) as UTF-8; returns the new
// output position and moves p past them. A surrogate without its partner becomes U+FFFD.
char *encodeUtf8(char *o, const char16_t *&p, const char16_t *end)
{
    while (p < end && *p >= 0x80) {
        char32_t c = *p++;
        if (c >= 0xd800 && c < 0xdc00 && p < end && *p >= 0xdc00 && *p < 0xe000)
            c = 0x10000 + ((c - 0xd800) << 10) + (*p++ - 0xdc00);
        else if (c >= 0xd800 && c < 0xe000)
            c = 0xfffd;
        if (c < 0x800) {
            *o++ = char(0xc0 | (c >> 6));
        } else if (c < 0x10000) {
            *o++ = char(0xe0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3f));
        } else {
            *o++ = char(0xf0 | (c >> 18));
            *o++ = char(0x80 | ((c >> 12) & 0x3f));
            *o++ = char(0x80 | ((c >> 6) & 0x3f));
        }
        *o++ = char(0x80 | (c & 0x3f));
    }
    return o;
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
    const qint64 ms = m_clock();
    const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != m_stampSecond) {
        m_stampSecond = second;
        m_stampPrefix = QDateTime::fromMSecsSinceEpoch(second * 1000).time().toString(QStringLiteral("HH:mm:ss.")).toLatin1();
    }
    const int milli = int(ms - second * 1000);
    QByteArray text = m_stampPrefix;
    text += char('0' + milli / 100);
    text += char('0' + milli / 10 % 10);
    text += char('0' + milli % 10);
    text += ' ';
    return text;
}

void SessionLog::open(int commPort, const QString &about)
{
    close();
    if (!m_enabled)
        return;
    m_commPort = commPort;
    m_header = kHeaderStart.toByteArray() + version::kVersion + ' ' + (m_practice ? "练习 " : "") + about.toUtf8();
    startFile();
    m_buffer.reserve(kBufferLimit + 64 * 1024);
}

// Opens the next file of the session and writes its header; throws when that fails.
void SessionLog::startFile()
{
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(m_clock());
    const QString failed = QStringLiteral("无法在文件夹 %1 中写会话日志(%2)。端口照常工作,但这次打开不记录日志。"
                                          "请检查这个文件夹的权限和磁盘空间");
    // The logs hold what was typed: the folder and the files are the user's alone.
    if (!QDir().mkpath(m_dir) || !QFile::setPermissions(m_dir, kFolderPermissions))
        throw Error(failed.arg(m_dir, QStringLiteral("不能建立这个文件夹")));
    // Room for this file within the total, whatever the earlier files of this session took.
    prune(m_dir, now, kMaxAgeDays, qMax<qint64>(0, m_maxTotalBytes - m_maxFileBytes));
    const QString base = QStringLiteral("%1/COM%2-%3").arg(m_dir).arg(m_commPort).arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString end = m_practice ? QStringLiteral("-practice.log") : QStringLiteral(".log");
    QString name = base + end;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QStringLiteral("_%1").arg(n) + end; // sorts after the first of that second
    m_file.setFileName(name);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered, kFilePermissions))
        throw Error(failed.arg(m_dir, m_file.errorString()));
    const QByteArray header = m_header + ' ' + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8() + '\n';
    if (!writeAll(m_file, header)) {
        const QString why = m_file.errorString();
        m_file.close();
        QFile::remove(name); // no empty or headless file is left at each reopening of a full disk
        throw Error(failed.arg(m_dir, why));
    }
    m_fileBytes = header.size();
}

void SessionLog::close(const QString &why)
{
    if (!m_file.isOpen())
        return;
    writeTyped();
    writeUnfinishedLine();
    if (!why.isEmpty())
        addLine("=== ", why);
    flush();
    m_file.close();
    m_flushTimer.stop();
    m_lineOpen = m_lineContinued = m_pendingCr = false;
    m_blankRun = false;
}

void SessionLog::received(const QString &text)
{
    if (!m_file.isOpen() || text.isEmpty())
        return;
    if (!m_typed.isEmpty() && text.contains(u'\n'))
        writeTyped(); // what was typed comes before the lines it brought
    const QByteArray now = stamp(); // the time of every line that begins in this text
    // Encoded straight into the buffer, in slices for which room is made beforehand: at most 3
    // bytes per character, and a line's start (time, "+++ ", a held-back ^M) and the end of a
    // run of empty lines at most once per character.
    constexpr qsizetype kSlice = 8192;
    constexpr qsizetype kPerChar = 3 + 13 + 4 + 2 + kRunEndBytes;
    const char16_t *p = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *const end = p + text.size();
    while (p < end) {
        const char16_t *sliceEnd = p + qMin(kSlice, end - p);
        if (sliceEnd < end && QChar::isHighSurrogate(sliceEnd[-1]))
            ++sliceEnd; // a character outside the BMP stays whole
        const qsizetype used = m_buffer.size();
        m_buffer.resize(used + (sliceEnd - p) * kPerChar);
        char *const first = m_buffer.data();
        char *o = first + used;
        // Starts the log line of the received line in progress, if not yet started.
        const auto open = [&] {
            if (!m_lineOpen) {
                if (m_blankRun) {
                    if (m_blankCount > 0) {
                        const QByteArray line = runEnd(m_blankStamp, m_blankCount);
                        std::memcpy(o, line.constData(), size_t(line.size()));
                        o += line.size();
                    }
                    m_blankRun = false;
                    m_blankCount = 0;
                }
                std::memcpy(o, now.constData(), size_t(now.size()));
                o += now.size();
                if (m_lineContinued) {
                    std::memcpy(o, "+++ ", 4);
                    o += 4;
                }
                m_lineOpen = true;
            }
            if (m_pendingCr) {
                *o++ = '^';
                *o++ = 'M';
                m_pendingCr = false;
            }
        };
        while (p < sliceEnd) {
            const char16_t c = *p;
            if (c >= 0x20 && c < 0x7f) {
                open();
                o = copyPrintable(o, p, sliceEnd);
            } else if (c == u'\n') {
                ++p;
                m_pendingCr = false; // CR LF: the CR belongs to the line end
                if (!m_lineOpen && !m_lineContinued) { // an empty line
                    if (m_blankRun) { // after another one: counted, not written
                        ++m_blankCount;
                        if (m_blankStamp.constData() != now.constData())
                            m_blankStamp = now;
                        continue;
                    }
                    open();
                    *o++ = '\n';
                    m_lineOpen = false;
                    m_blankRun = true;
                    continue;
                }
                if (m_lineOpen)
                    *o++ = '\n';
                m_lineOpen = m_lineContinued = false;
            } else if (c == u'\r') {
                ++p;
                if (m_pendingCr)
                    open(); // the one before was a lone CR
                m_pendingCr = true;
            } else if (charcells::isControl(c)) {
                ++p;
                open();
                *o++ = '^';
                *o++ = char(charcells::caretOf(c));
            } else {
                open();
                o = encodeUtf8(o, p, sliceEnd);
            }
        }
        m_buffer.resize(o - first);
    }
    afterAdding();
}

void SessionLog::sent(const QString &shown)
{
    if (!m_file.isOpen() || shown.isEmpty())
        return;
    writeTyped();
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

void SessionLog::typed(const QString &shown)
{
    if (!m_file.isOpen())
        return;
    constexpr qsizetype kLongest = 4096; // a key held down writes a line now and then
    for (QChar c : shown) {
        if (c == u'\r') {
            writeTyped(true); // Enter alone is a line too
        } else {
            m_typed += c;
            if (m_typed.size() >= kLongest)
                writeTyped();
        }
    }
    afterAdding();
    if (!m_typed.isEmpty() && !m_flushTimer.isActive())
        m_flushTimer.start();
}

void SessionLog::writeTyped(bool evenEmpty)
{
    if (m_typed.isEmpty() && !evenEmpty)
        return;
    writeUnfinishedLine();
    addLine(">>> ", m_typed == u" " ? QStringView(u"<space>") : QStringView(m_typed));
    m_typed.clear();
}

void SessionLog::event(const QString &text)
{
    if (!m_file.isOpen())
        return;
    writeTyped();
    writeUnfinishedLine();
    addLine("=== ", text);
    afterAdding();
}

void SessionLog::addLine(const char *marker, QStringView text)
{
    endBlankRun();
    m_buffer += stamp();
    m_buffer += marker;
    const QByteArray bytes = text.toUtf8();
    appendShown(m_buffer, bytes.constData(), bytes.constData() + bytes.size());
    m_buffer += '\n';
}

// Writes how many empty lines followed the one written; with `over`, what comes next ends the run.
void SessionLog::writeBlankCount(bool over)
{
    if (m_blankCount > 0)
        m_buffer += runEnd(m_blankStamp, m_blankCount);
    m_blankCount = 0;
    m_blankRun = m_blankRun && !over;
}

// Puts the received line in progress into the log as it stands; what follows it on the same
// line comes as a "+++" line.
void SessionLog::writeUnfinishedLine()
{
    if (!m_lineOpen)
        return;
    m_buffer += '\n';
    m_lineOpen = false;
    m_lineContinued = true;
}

void SessionLog::afterAdding()
{
    if (!m_file.isOpen())
        return;
    if (m_fileBytes + m_buffer.size() >= m_maxFileBytes) {
        writeUnfinishedLine();
        const QString previous = QFileInfo(m_file.fileName()).fileName();
        const QByteArray rest = std::exchange(m_buffer, {});
        if (!writeAll(m_file, rest))
            return failWriting();
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
        if (!writeAll(m_file, m_buffer))
            return failWriting();
        m_fileBytes += m_buffer.size();
        m_buffer.resize(0);
    }
    if (!m_flushTimer.isActive() && (!m_buffer.isEmpty() || m_blankCount > 0))
        m_flushTimer.start();
}

void SessionLog::flush()
{
    if (!m_file.isOpen())
        return;
    writeTyped();
    writeUnfinishedLine();
    writeBlankCount(false); // a run going on is counted on from here
    if (!m_buffer.isEmpty()) {
        if (!writeAll(m_file, m_buffer))
            return failWriting();
        m_fileBytes += m_buffer.size();
        m_buffer.resize(0);
    }
}

void SessionLog::failWriting()
{
    fail(QStringLiteral("写会话日志 %1 失败(%2),日志已停止。端口照常工作").arg(m_file.fileName(), m_file.errorString()));
}

void SessionLog::fail(const QString &description)
{
    m_file.close();
    m_buffer.clear();
    m_lineOpen = m_lineContinued = m_pendingCr = false;
    m_blankRun = false;
    m_blankCount = 0;
    m_flushTimer.stop();
    emit writeFailed(description);
}

bool SessionLog::isOwnLog(const QFileInfo &file)
{
    static const QRegularExpression name(QStringLiteral("^COM[1-9][0-9]*-[0-9]{8}-[0-9]{6}(_[1-9][0-9]*)?\\.log$"));
    if (file.isSymLink() || !file.isFile() || !name.match(file.fileName()).hasMatch())
        return false;
    QFile f(file.filePath());
    return f.open(QIODevice::ReadOnly) && f.read(kHeaderStart.size()) == kHeaderStart;
}

QStringList SessionLog::prune(const QString &dir, const QDateTime &now, int maxAgeDays, qint64 maxBytes)
{
    QFileInfoList logs = QDir(dir).entryInfoList({QStringLiteral("COM*.log")}, QDir::Files);
    logs.removeIf([](const QFileInfo &f) { return !isOwnLog(f); });
    std::sort(logs.begin(), logs.end(),
              [](const QFileInfo &a, const QFileInfo &b) { return a.lastModified() < b.lastModified(); });
    qint64 total = 0;
    for (const QFileInfo &log : logs) {
        total += log.size();
        if ((log.permissions() & 0xf0ff) != kFilePermissions) // owner, group, others; written by an earlier version, readable by all
            QFile::setPermissions(log.filePath(), kFilePermissions);
    }
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

#include "moc_sessionlog.cpp" // compiled with this file (and its library's unit), not on its own
