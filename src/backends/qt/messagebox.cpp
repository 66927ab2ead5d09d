#include "backend.h"
#include "frame.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace qtbackend {

void QtBackend::messageBox(std::string_view prompt, shell::MsgStyle style, std::string_view title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style) {
    case shell::MsgStyle::Stop:
        icon = QMessageBox::Critical;
        break;
    case shell::MsgStyle::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case shell::MsgStyle::Information:
        icon = QMessageBox::Information;
        break;
    }
    QMessageBox box(icon, toQString(title), toQString(prompt), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // The box's owner, for the desktop to frame and keep it as one of its dialogs (frame.cpp).
    frame::prepareMessageBox(box);
    box.exec();
}

void QtBackend::closeAll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
    }
}

}
