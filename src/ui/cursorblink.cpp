#include "ui/cursorblink.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace tarnwell {

CursorBlinkTimeout::CursorBlinkTimeout(int timeoutMs, QObject *parent)
    : QObject(parent), m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(timeoutMs);
    connect(&m_quiet, &QTimer::timeout, this, [] { QGuiApplication::styleHints()->setCursorFlashTime(0); });
    if (m_flashTime > 0) {
        qApp->installEventFilter(this);
        m_quiet.start();
    }
}

CursorBlinkTimeout::~CursorBlinkTimeout()
{
    if (m_flashTime > 0)
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

bool CursorBlinkTimeout::blinking() const
{
    return QGuiApplication::styleHints()->cursorFlashTime() > 0;
}

bool CursorBlinkTimeout::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod: // text from an input method (pinyin) comes without key presses
    case QEvent::FocusIn:
        wake();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CursorBlinkTimeout::wake()
{
    if (!blinking())
        QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
    m_quiet.start();
}

} // namespace tarnwell
