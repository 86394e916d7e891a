#include "ui/messageboxes.h"

#include "base/usermessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tarnwell {

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
}

} // namespace tarnwell
