#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <functional>

namespace tarnwell {

// Reads a session log in pieces and hands on the text received during each listing it holds.
// A log line is "HH:MM:SS.mmm " followed by a received line, "+++ " and more of the previous
// received line, ">>> " and a sent line, or "=== " and an event. A sent line that abbreviates
// "display current-configuration" starts a listing; the next sent line other than "<space>", or
// the end of the log, ends it. The received lines in between are joined by CR LF, "+++" parts
// without a break; caret notation (^M, ^[ ...) is turned back into the control characters.
// Only the first bytes of a line are held: the text streams through, however long the line.
class SessionLogReader {
public:
    std::function<void()> listingStarted;
    std::function<void(const QString &)> listingText;
    std::function<void()> listingEnded;

    void add(QByteArrayView bytes);
    void finish(); // the end of the log

    // True when a sent line's text starts a listing.
    static bool isListingCommand(QByteArrayView sent);

private:
    enum class Kind { Unknown, Ignored, Received, More, Sent };
    void classify();
    void body(QByteArrayView bytes);
    void endLine();
    void endListing();

    static constexpr qsizetype kHead = 20; // the time, its blank and a marker
    static constexpr qsizetype kSentKept = 64;

    bool m_firstLine = true; // the header
    Kind m_kind = Kind::Unknown;
    QByteArray m_head;
    QByteArray m_sent;
    bool m_inListing = false;
    bool m_lineSeen = false; // a received line of the listing has begun
    bool m_caret = false;    // a '^' waits for the next character
    QStringDecoder m_utf8{QStringDecoder::Utf8};
};

} // namespace tarnwell
