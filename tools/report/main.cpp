// tarnwell-report: the binding report of a captured "dis cu" listing, offline.
//
//   tarnwell-report [--model M] [FILE]
//
// Reads FILE (or standard input), decodes it as the terminal decodes serial input (GBK), parses
// it with the model starting as M (default 3100) and writes the report exactly as the report
// box holds it: UTF-8, CR LF line ends. Every LF line end without a CR before it is read as
// CR LF; a lone CR stays. Usage errors and unreadable input exit with status 2.

#include "report/bindinfoparser.h"
#include "tarnwell_version.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <cstdio>

namespace {

constexpr char kName[] = "tarnwell-report";

void printUsage(FILE *to)
{
    std::fputs("用法: tarnwell-report [--model 型号] [文件]\n"
               "读取交换机 \"dis cu\" 的输出记录(GBK 编码; 不给文件时读标准输入),\n"
               "按端口列表的格式把绑定信息写到标准输出(UTF-8, CR LF 换行)。\n"
               "前面没有 CR 的 LF 都当作 CR LF; 单独的 CR 照原样保留。\n"
               "  --model 型号   解析前的交换机型号: 3100(默认)、3600、5500 或 9512\n"
               "  --help         显示本说明\n"
               "  --version      显示版本\n",
               to);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", kName, message.toUtf8().constData());
    return 2;
}

bool readAll(QFile &file, QByteArray &bytes, QString &error)
{
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
}

// The text with a CR put before every LF that has none.
QString withCrBeforeLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.count(u'\n'));
    QChar previous;
    for (const QChar c : text) {
        if (c == u'\n' && previous != u'\r')
            out += u'\r';
        out += c;
        previous = c;
    }
    return out;
}

bool writeUtf8(const QString &text)
{
    const QByteArray out = text.toUtf8();
    return std::fwrite(out.constData(), 1, size_t(out.size()), stdout) == size_t(out.size());
}

} // namespace

int main(int argc, char *argv[])
{
    QString model = QStringLiteral("3100");
    QString path;
    bool havePath = false;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!optionsEnded && arg == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == u"--help" || arg == u"-h")) {
            printUsage(stdout);
            return 0;
        } else if (!optionsEnded && arg == u"--version") {
            std::printf("%s %s\n", kName, tarnwell::version::kVersion);
            return 0;
        } else if (!optionsEnded && (arg == u"--model" || arg.startsWith(u"--model="))) {
            if (arg == u"--model") {
                if (++i >= argc)
                    return fail(QStringLiteral("--model 缺少型号"));
                model = QString::fromLocal8Bit(argv[i]);
            } else {
                model = arg.mid(8);
            }
            static const QStringList models{u"3100"_qs, u"3600"_qs, u"5500"_qs, u"9512"_qs};
            if (!models.contains(model))
                return fail(QStringLiteral("未知型号 \"%1\"(可用 3100、3600、5500、9512)").arg(model));
        } else if (!optionsEnded && arg.startsWith(u'-') && arg != u"-") {
            return fail(QStringLiteral("未知选项 \"%1\"(用 --help 查看用法)").arg(arg));
        } else if (havePath) {
            return fail(QStringLiteral("只能给一个文件"));
        } else {
            path = arg;
            havePath = true;
        }
    }

    QByteArray bytes;
    QString error;
    QFile file;
    if (!havePath || path == u"-") {
        if (!file.open(stdin, QIODevice::ReadOnly) || !readAll(file, bytes, error))
            return fail(QStringLiteral("无法读取标准输入: %1").arg(error));
    } else {
        if (QFileInfo(path).isDir())
            return fail(QStringLiteral("\"%1\" 是目录, 不是文件").arg(path));
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly) || !readAll(file, bytes, error))
            return fail(QStringLiteral("无法读取文件 \"%1\": %2")
                            .arg(path, error.isEmpty() ? file.errorString() : error));
    }

    // GB18030 decodes GBK bytes alike and marks invalid bytes as U+FFFD.
    QStringDecoder decoder("GB18030");
    QString text = decoder(bytes);
    // The switch ends its lines with CR LF. Lines of a log whose line ends were converted on the
    // way, wholly or in part, end in a bare LF; every LF not preceded by CR gets one, so that
    // port names read as in the capture. CR LF and a lone CR stay as received.
    text = withCrBeforeLf(text);
    bytes = QByteArray(); // only the text is needed from here on

    // Each line is written as soon as its port block is parsed: the memory used stays that of
    // the text, however many ports the listing names.
    tarnwell::BindInfoWalk walk(text, model);
    bool written = writeUtf8(tarnwell::FormatBindHeader(walk.switchModel()));
    tarnwell::BindInfoRow row;
    while (written && walk.next(row))
        written = writeUtf8(tarnwell::FormatBindRow(row));
    if (!written || std::fflush(stdout) != 0)
        return fail(QStringLiteral("无法写入标准输出"));
    return 0;
}
