#include "console/displayfilter.h"

namespace tarnwell {

namespace {

QChar symbolFor(char16_t c)
{
    if (c == 0x7f)
        return QChar(0x2421);
    return QChar(char16_t(0x2400 + c));
}

bool isControl(char16_t c)
{
    return c < 0x20 || c == 0x7f;
}

} // namespace

QString DisplayFilter::filter(const QString &chunk)
{
    QString out;
    out.reserve(chunk.size() + 1);
    qsizetype i = 0;
    if (m_pendingCr) {
        m_pendingCr = false;
        if (!chunk.isEmpty() && chunk.at(0) == u'\n') {
            out += u'\n';
            i = 1;
        } else if (!chunk.isEmpty()) {
            out += symbolFor(u'\r');
        } else {
            m_pendingCr = true;
        }
    }
    const qsizetype n = chunk.size();
    const QChar *data = chunk.constData();
    for (; i < n; ++i) {
        // Copy a run of ordinary characters in one go.
        qsizetype run = i;
        while (run < n && !isControl(data[run].unicode()))
            ++run;
        if (run > i) {
            out.append(data + i, run - i);
            i = run;
            if (i == n)
                break;
        }
        const char16_t c = data[i].unicode();
        if (c == u'\n') {
            out += u'\n';
        } else if (c == u'\r') {
            if (i + 1 < n) {
                if (chunk.at(i + 1) == u'\n') {
                    out += u'\n';
                    ++i;
                } else {
                    out += symbolFor(c);
                }
            } else {
                m_pendingCr = true; // decided by the next chunk
            }
        } else {
            out += symbolFor(c);
        }
    }
    return out;
}

} // namespace tarnwell
