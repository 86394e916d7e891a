#include "ui/help/frmhelp.h"

#include "tarnwell_version.h"
#include "ui/art/pictures.h"
#include "ui/art/windowfont.h"
#include "ui/help/helptext.h"

#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

namespace tarnwell {

FrmHelp::FrmHelp()
    : QWidget(nullptr, Qt::Window)
    , TxtHelp(new QPlainTextEdit(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(version::kAppTitle) + QStringLiteral("  -  帮助"));
    setWindowIcon(programIcon());
    resize(kClientSize);

    TxtHelp->setObjectName(QStringLiteral("TxtHelp"));
    TxtHelp->setFont(windowFont(12));
    QPalette colours = TxtHelp->palette();
    colours.setColor(QPalette::Base, QColor(0xFF, 0xE0, 0xC0));
    colours.setColor(QPalette::Text, QColor(0x00, 0x40, 0x00));
    TxtHelp->setPalette(colours);
    TxtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TxtHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TxtHelp->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The text box keeps one block per line: CR LF is a single line break, never two.
    TxtHelp->setPlainText(helpText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    TxtHelp->setReadOnly(true);
    TxtHelp->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    TxtHelp->setGeometry(rect());
    setFocusProxy(TxtHelp);
}

void FrmHelp::showEvent(QShowEvent *event)
{
    if (!m_placed) {
        m_placed = true;
        centreOnScreen();
    }
    QWidget::showEvent(event);
}

void FrmHelp::resizeEvent(QResizeEvent *event)
{
    // The text box covers the client area. Qt never reports a negative client size,
    // and a minimised or tiny window just gives an empty box.
    const QSize client = event->size();
    TxtHelp->setGeometry(0, 0, qMax(0, client.width()), qMax(0, client.height()));
    QWidget::resizeEvent(event);
}

void FrmHelp::centreOnScreen()
{
    const QScreen *where = screen();
    if (!where)
        return;
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    where->availableGeometry()));
}

} // namespace tarnwell

#include "moc_frmhelp.cpp" // compiled with this file (and its library's unit), not on its own
