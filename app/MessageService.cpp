#include "app/MessageService.h"

#include <QApplication>
#include <QMessageBox>

MessageAnswer ModalMessagePresenter::present(QWidget* parent, MessageKind kind,
                                             MessageButtons buttons, const QString& text) {
    QMessageBox box(parent);
    switch (kind) {
    case MessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QObject::tr("Warning"));
        break;
    case MessageKind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QObject::tr("Error"));
        break;
    case MessageKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QObject::tr("Information"));
        break;
    case MessageKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QObject::tr("Confirm"));
        break;
    }
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    if (buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}
