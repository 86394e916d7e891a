#include "sessionlog.h"

#include <QList>

#include <algorithm>

namespace tarnwell {

bool SessionLogReader::isListingCommand(QByteArrayView sent)
{
    // Each word may be cut to a prefix that stays unique among the switch's commands.
    const QList<QByteArray> words = sent.toByteArray().simplified().toLower().split(' ');
    return words.size() == 2 && words[0].size() >= 3 && QByteArrayView("display").startsWith(words[0])
           && words[1].size() >= 2 && QByteArrayView("current-configuration").startsWith(words[1]);
}

void SessionLogReader::add(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qsizetype lf = bytes.indexOf('\n');
        const QByteArrayView part = lf < 0 ? bytes : bytes.first(lf);
        if (m_kind == Kind::Unknown) {
            const qsizetype take = std::min(part.size(), kHead - m_head.size());
            m_head += part.first(take);
            if (m_head.size() == kHead)
                classify();
            if (m_kind != Kind::Unknown)
                body(part.sliced(take));
        } else {
            body(part);
        }
        if (lf < 0)
            return;
        if (m_kind == Kind::Unknown)
            classify();
        endLine();
        bytes = bytes.sliced(lf + 1);
    }
}

void SessionLogReader::finish()
{
    if (m_kind != Kind::Unknown || !m_head.isEmpty()) {
        if (m_kind == Kind::Unknown)
            classify();
        endLine();
    }
    endListing();
}

// Decides what the line is from its first bytes and passes on the text after its marker.
void SessionLogReader::classify()
{
    const QByteArray head = m_head;
    m_head.clear();
    const qsizetype blank = head.indexOf(' ');
    if (m_firstLine || blank < 0 || blank > 15) {
        m_kind = Kind::Ignored;
        return;
    }
    const QByteArrayView rest = QByteArrayView(head).sliced(blank + 1);
    const auto marked = [&](const char *marker) {
        return rest.startsWith(marker) && (rest.size() == 3 || rest[3] == ' ');
    };
    qsizetype text = blank + 1;
    if (marked("+++")) {
        m_kind = Kind::More;
        text += 4;
    } else if (marked(">>>")) {
        m_kind = Kind::Sent;
        text += 4;
    } else if (marked("===")) {
        m_kind = Kind::Ignored;
    } else {
        m_kind = Kind::Received;
    }
    if (m_inListing && m_kind == Kind::Received && m_lineSeen)
        listingText(QStringLiteral("\r\n"));
    if (m_kind == Kind::Received || m_kind == Kind::More)
        m_lineSeen = true;
    if (text < head.size())
        body(QByteArrayView(head).sliced(text));
}

void SessionLogReader::body(QByteArrayView bytes)
{
    if (m_kind == Kind::Sent) {
        m_sent += bytes.first(std::clamp(kSentKept + 1 - m_sent.size(), qsizetype(0), bytes.size()));
        return;
    }
    if ((m_kind != Kind::Received && m_kind != Kind::More) || !m_inListing || bytes.isEmpty())
        return;
    const QString text = m_utf8(bytes);
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (m_caret) {
            m_caret = false;
            if (c >= u'@' && c <= u'_')
                out += QChar(c.unicode() - 0x40);
            else if (c == u'?')
                out += QChar(0x7f);
            else
                out += u'^' + QString(c);
        } else if (c == u'^') {
            m_caret = true;
        } else {
            out += c;
        }
    }
    if (!out.isEmpty())
        listingText(out);
}

void SessionLogReader::endLine()
{
    if (m_kind == Kind::Sent) {
        if (m_sent.endsWith('\r')) // a log saved with CR LF line ends
            m_sent.chop(1);
        // A space pages on, and so does Enter (one more line): neither ends a listing.
        if (m_sent != "<space>" && !m_sent.isEmpty()) {
            endListing();
            if (m_sent.size() <= kSentKept && isListingCommand(m_sent)) {
                m_inListing = true;
                m_lineSeen = false;
                listingStarted();
            }
        }
        m_sent.clear();
    }
    if (m_caret && m_inListing)
        listingText(QStringLiteral("^"));
    m_caret = false;
    m_utf8.resetState();
    m_firstLine = false;
    m_kind = Kind::Unknown;
}

void SessionLogReader::endListing()
{
    if (m_inListing) {
        m_inListing = false;
        listingEnded();
    }
}

} // namespace tarnwell
