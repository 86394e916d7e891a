#include "ui/messageboxes.h"

#include "base/usermessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>

namespace tarnwell {

namespace {

// The window a box belongs to: the active one, else the first one shown.
QWidget *ownerWindow()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<QMessageBox *>(w))
            return w;
    return nullptr;
}

// The one notice: a box without modality, its text replaced while it is up; OK or an empty
// text closes it.
void showNotice(const QString &text, const QString &title)
{
    static QPointer<QMessageBox> box;
    if (text.isEmpty()) {
        if (box)
            box->close();
        return;
    }
    if (!box) {
        box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, ownerWindow());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setAttribute(Qt::WA_QuitOnClose, false); // never what keeps the program running
        box->setWindowModality(Qt::NonModal);
        if (!box->parent()) // with no window to go with, it goes when the program ends
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, box, [] { delete box; });
        box->show();
        return;
    }
    box->setWindowTitle(title);
    box->setText(text);
}

} // namespace

void useMessageBoxes()
{
    setMessageBoxHandler([](const QString &text, const QString &title) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });
    setQuestionHandler([](const QString &text, const QString &title, const QString &yes, const QString &no) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, QApplication::activeWindow());
        QPushButton *yesButton = box.addButton(yes, QMessageBox::AcceptRole);
        QPushButton *noButton = box.addButton(no, QMessageBox::RejectRole);
        box.setDefaultButton(noButton);
        box.setEscapeButton(noButton);
        box.exec();
        return box.clickedButton() == yesButton;
    });
    setNoticeHandler(showNotice);
}

} // namespace tarnwell
