#include "ui/messageboxes.h"

#include "console/usermessages.h"

#include <QApplication>
#include <QMessageBox>

namespace tarnwell {

void useMessageBoxes()
{
    setMessageBoxHandler([](const QString &text, const QString &title) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });
}

} // namespace tarnwell
