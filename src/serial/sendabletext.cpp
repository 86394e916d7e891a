#include "serial/sendabletext.h"

#include "base/error.h"

#include <QStringEncoder>

namespace tarnwell {

namespace {

bool inGbk(char32_t u)
{
    QStringEncoder gbk("GBK", QStringConverter::Flag::Stateless);
    const QByteArray bytes = gbk.encode(QString::fromUcs4(&u, 1));
    return !gbk.hasError() && bytes != "?";
}

} // namespace

QString sendableText(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) { // ASCII: always as it is
            ++i;
            continue;
        }
        char32_t u = c;
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            u = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            units = 2;
        }
        if (!inGbk(u)) {
            if (!QChar::isSpace(u))
                throw Error(QStringLiteral("“%1”（U+%2）无法发送：交换机的编码（GBK）里没有这个字符，请删去或改写它")
                                .arg(QStringView(text).mid(i, units).toString(),
                                     QString::number(uint(u), 16).toUpper().rightJustified(4, u'0')));
            if (out.isNull())
                out = text;
            out[i] = u' '; // the blanks are all single units
        }
        i += units;
    }
    return out.isNull() ? text : out;
}

QString sendableSecret(const QString &secret)
{
    try {
        return sendableText(secret);
    } catch (const Error &) {
        throw Error(QStringLiteral("密码里有交换机的编码（GBK）没有的字符，没有发送：请改用交换机能收的字符"));
    }
}

} // namespace tarnwell
