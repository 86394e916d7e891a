// tarnwell-report: the binding report of a captured "dis cu" listing or of a session log, offline.
//
//   tarnwell-report [--model M] [--all] [FILE]
//   tarnwell-report --diff A B
//
// Reads FILE (or standard input) in blocks. A session log (first line "# Tarnwell ...", UTF-8)
// gives the report of its last listing, or with --all of every listing, separated by an empty
// line. Anything else is a capture: decoded as the terminal decodes serial input (GBK), every
// LF line end without a CR before it read as CR LF (a lone CR stays). The parse starts with the
// model M (default 3100; in a log, each further listing starts with the model the one before
// ended with) and the report is written exactly as the report box holds it: UTF-8, CR LF line
// ends. Memory stays bounded whatever the input: one port block, one block of input and a few
// megabytes of rows, the rest in a temporary file until the listing ends. Usage errors and
// unreadable input exit with status 2, a log without a listing with status 1. --diff prints what
// changed from configuration backup A to B as a unified diff, as the 配置备份 view shows it; exit
// status 0 when they are equal, 1 when they differ, 2 when one cannot be read (as diff does).

#include "backup/unifieddiff.h"
#include "base/error.h"
#include "listingreport.h"
#include "sessionlog.h"
#include "tarnwell_version.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr char kName[] = "tarnwell-report";
constexpr qsizetype kReadBlock = 1 << 16;

void printUsage(FILE *to)
{
    std::fputs("用法: tarnwell-report [--model 型号] [--all] [文件]\n"
               "      tarnwell-report --diff 文件A 文件B\n"
               "读取交换机 \"dis cu\" 的输出记录(GBK 编码; 不给文件时读标准输入),\n"
               "按端口列表的格式把绑定信息写到标准输出(UTF-8, CR LF 换行)。\n"
               "前面没有 CR 的 LF 都当作 CR LF; 单独的 CR 照原样保留。\n"
               "也可以读 Tarnwell 的会话日志(第一行以 \"# Tarnwell \" 开头): 给出日志中\n"
               "最后一次 dis cu 的结果。\n"
               "  --model 型号   解析前的交换机型号: 3100(默认)、3600、5500 或 9512\n"
               "  --all          会话日志中每次 dis cu 的结果都按顺序给出, 相邻两份之间空一行\n"
               "  --diff         以统一差异格式(unified diff)给出配置备份 文件A 到 文件B 的变化;\n"
               "                 相同时退出码为 0, 不同为 1, 出错为 2\n"
               "  --help         显示本说明\n"
               "  --version      显示版本\n",
               to);
}

int fail(const QString &message, int status = 2)
{
    std::fprintf(stderr, "%s: %s\n", kName, message.toUtf8().constData());
    return status;
}

// GBK bytes decoded in pieces exactly as in one piece. A piece ends where the decoder is in its
// starting state whatever came before: after a byte below 0x30 (never part of a multibyte
// character) or after two bytes below 0x80 (the second is always a character of its own). A run
// of kMaxCarry bytes without such a place is decoded as it is.
class GbkPieces {
public:
    QString take(QByteArrayView bytes, bool atEnd)
    {
        const qsizetype old = m_carry.size();
        m_carry += bytes;
        qsizetype cut = atEnd || m_carry.size() >= kMaxCarry ? m_carry.size() : 0;
        for (qsizetype i = m_carry.size(); cut == 0 && i > std::max(old - 1, qsizetype(0)); --i) {
            const uchar c = uchar(m_carry[i - 1]);
            if (c < 0x30 || (c < 0x80 && i >= 2 && uchar(m_carry[i - 2]) < 0x80))
                cut = i;
        }
        QStringDecoder decoder("GB18030"); // invalid bytes become U+FFFD
        const QString text = decoder(QByteArrayView(m_carry).first(cut));
        m_carry.remove(0, cut);
        return withCrBeforeLf(text);
    }

private:
    // The switch ends its lines with CR LF. Lines of a log whose line ends were converted on the
    // way, wholly or in part, end in a bare LF; every LF not preceded by CR gets one, so that
    // port names read as in the capture. CR LF and a lone CR stay as received.
    QString withCrBeforeLf(const QString &text)
    {
        QString out;
        out.reserve(text.size() + text.count(u'\n'));
        for (const QChar c : text) {
            if (c == u'\n' && !m_afterCr)
                out += u'\r';
            out += c;
            m_afterCr = c == u'\r';
        }
        return out;
    }

    static constexpr qsizetype kMaxCarry = 1 << 20;
    QByteArray m_carry;
    bool m_afterCr = false;
};

// Where the text goes: one capture, or the listings of a session log.
class Sink {
public:
    Sink(tarnwell::SwitchModel model, bool all) : m_model(model), m_all(all) {}

    void add(QByteArrayView bytes, bool atEnd)
    {
        if (!m_decided) {
            m_head += bytes;
            if (m_head.size() < 11 && !atEnd)
                return;
            decide();
            bytes = m_head;
        }
        if (m_log) {
            m_log->add(bytes);
            if (atEnd)
                m_log->finish();
        } else {
            m_current->add(m_gbk.take(bytes, atEnd));
        }
        if (bytes.data() == m_head.constData())
            m_head.clear();
    }

    // Writes the report(s) once the input has ended; false when a log held no listing.
    bool finish()
    {
        if (!m_log) {
            m_current->finish(m_model);
            m_current->write(stdout);
            return true;
        }
        if (m_last && !m_all)
            m_last->write(stdout);
        return m_listings > 0;
    }

private:
    void decide()
    {
        m_decided = true;
        if (!m_head.startsWith("# Tarnwell ")) {
            m_current = std::make_unique<tarnwell::ListingReport>();
            return;
        }
        m_log = std::make_unique<tarnwell::SessionLogReader>();
        m_log->listingStarted = [this] { m_current = std::make_unique<tarnwell::ListingReport>(); };
        m_log->listingText = [this](const QString &text) { m_current->add(text); };
        m_log->listingEnded = [this] {
            m_model = m_current->finish(m_model);
            if (m_all) {
                if (m_listings > 0)
                    std::fputs("\r\n", stdout);
                m_current->write(stdout);
                m_current.reset();
            } else {
                m_last = std::move(m_current);
            }
            ++m_listings;
        };
    }

    tarnwell::SwitchModel m_model;
    bool m_all;
    bool m_decided = false;
    QByteArray m_head;
    GbkPieces m_gbk;
    std::unique_ptr<tarnwell::SessionLogReader> m_log;
    std::unique_ptr<tarnwell::ListingReport> m_current;
    std::unique_ptr<tarnwell::ListingReport> m_last;
    int m_listings = 0;
};

// The first option before "--", as typed, that is none of ours or gives a value to one that
// takes none; empty when all are ours (a failed parse then lacks the value of a last "--model").
QString unknownOption(const QStringList &args)
{
    static const QStringList flags{u"-h"_qs, u"--help"_qs, u"--version"_qs, u"--all"_qs, u"--diff"_qs};
    for (qsizetype i = 1; i < args.size() && args.at(i) != u"--"; ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--model")
            ++i; // its value, whatever it looks like
        else if (arg.startsWith(u'-') && arg != u"-" && !flags.contains(arg) && !arg.startsWith(u"--model="))
            return arg;
    }
    return {};
}

// A backup's text for --diff; empty with `error` set when it cannot be read or is too large.
QString readBackup(const QString &path, QString &error)
{
    constexpr qint64 kMaxDiffBytes = 64 << 20;
    QFile file(path);
    if (QFileInfo(path).isDir())
        error = QStringLiteral("\"%1\" 是目录, 不是文件").arg(path);
    else if (!file.open(QIODevice::ReadOnly))
        error = QStringLiteral("无法读取文件 \"%1\": %2").arg(path, file.errorString());
    else if (file.size() > kMaxDiffBytes)
        error = QStringLiteral("文件 \"%1\" 超过 %2 MiB, 不是配置备份").arg(path).arg(kMaxDiffBytes >> 20);
    else
        return QString::fromUtf8(file.read(kMaxDiffBytes));
    return QString();
}

int diffFiles(const QStringList &files)
{
    if (files.size() != 2)
        return fail(QStringLiteral("--diff 需要两个文件"));
    QString error;
    const QString a = readBackup(files[0], error);
    if (!error.isEmpty())
        return fail(error);
    const QString b = readBackup(files[1], error);
    if (!error.isEmpty())
        return fail(error);
    const QString diff = tarnwell::unifiedDiff(tarnwell::diffLines(a), tarnwell::diffLines(b), files[0], files[1]);
    std::fputs(diff.toUtf8().constData(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(QStringLiteral("无法写入标准输出"));
    return diff.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    // Help and version are plain options: the usage text is our own, not the generated one.
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{u"h"_qs, u"help"_qs});
    const QCommandLineOption version(u"version"_qs);
    const QCommandLineOption all(u"all"_qs);
    const QCommandLineOption modelOption(u"model"_qs, QString(), u"型号"_qs);
    const QCommandLineOption diff(u"diff"_qs);
    parser.addOptions({help, version, all, modelOption, diff});
    // Refused before anything else: a line the parser cannot take, and joined short options
    // ("-hh"), which it splits but which were never ours.
    const bool parsed = parser.parse(args);
    if (const QString bad = unknownOption(args); !parsed || !bad.isEmpty()) {
        return bad.isEmpty() ? fail(QStringLiteral("--model 缺少型号"))
                             : fail(QStringLiteral("未知选项 \"%1\"(用 --help 查看用法)").arg(bad));
    }

    // Once the whole line is ours, options act in the order given: "--help --model x" shows the
    // usage, "--model x --help" refuses the model.
    tarnwell::SwitchModel model = tarnwell::initialSwitchModel();
    const QStringList models = parser.values(modelOption);
    qsizetype nextModel = 0;
    for (const QString &name : parser.optionNames()) {
        if (name == u"h" || name == u"help") {
            printUsage(stdout);
            return 0;
        }
        if (name == u"version") {
            std::printf("%s %s\n", kName, tarnwell::version::kVersion);
            return 0;
        }
        if (name == u"model") {
            const QString text = models.value(nextModel++);
            model = tarnwell::switchModelFromText(text);
            if (model == tarnwell::SwitchModel::Unknown)
                return fail(QStringLiteral("未知型号 \"%1\"(可用 3100、3600、5500、9512)").arg(text));
        }
    }
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(diff))
        return diffFiles(files);
    if (files.size() > 1)
        return fail(QStringLiteral("只能给一个文件"));
    const QString path = files.value(0, u"-"_qs);

    const bool fromStdin = path == u"-";
    FILE *in = stdin;
    if (!fromStdin) {
        if (QFileInfo(path).isDir())
            return fail(QStringLiteral("\"%1\" 是目录, 不是文件").arg(path));
        in = std::fopen(QFile::encodeName(path).constData(), "rb");
        if (!in)
            return fail(QStringLiteral("无法读取文件 \"%1\": %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    const auto readError = [&] {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        return fromStdin ? fail(QStringLiteral("无法读取标准输入: %1").arg(reason))
                         : fail(QStringLiteral("无法读取文件 \"%1\": %2").arg(path, reason));
    };

    try {
        Sink sink(model, parser.isSet(all));
        QByteArray block(kReadBlock, Qt::Uninitialized);
        for (;;) {
            const size_t got = std::fread(block.data(), 1, size_t(block.size()), in);
            if (got < size_t(block.size()) && std::ferror(in))
                return readError();
            const bool atEnd = got < size_t(block.size());
            sink.add(QByteArrayView(block).first(qsizetype(got)), atEnd);
            if (atEnd)
                break;
        }
        if (!sink.finish())
            return fail(QStringLiteral("会话日志中没有 dis cu 的输出"), 1);
    } catch (const tarnwell::Error &e) {
        return fail(e.description());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(QStringLiteral("无法写入标准输出"));
    return 0;
}
