#pragma once

#include "console/displayfilter.h"

#include <QObject>
#include <QString>

namespace tarnwell {

// The terminal text: exactly the characters received since it was last emptied, kept whole
// (the capture reads all of it). What the pane draws is derived from it chunk by chunk, so an
// append costs the size of the chunk, never the size of the text.
class Terminal : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void append(const QString &received);
    void clear();
    const QString &text() const { return m_text; }

signals:
    // Characters appended, exactly as received.
    void received(const QString &text);
    // Text to draw after what was drawn so far (control characters already made visible).
    void displayAppended(const QString &displayText);
    void cleared();

private:
    QString m_text;
    DisplayFilter m_filter;
};

} // namespace tarnwell
