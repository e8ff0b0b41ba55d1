#include "ModalCatcher.h"

#include <QApplication>
#include <QPushButton>

ModalCatcher::ModalCatcher() {
    // Fires at every pass of whatever loop runs, the dialog's own included.
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &ModalCatcher::CloseOpenDialog);
    timer_.start();
}

QStringList ModalCatcher::Texts() const {
    QStringList texts;
    for (const Seen& dialog : seen_) {
        if (dialog.type == &QMessageBox::staticMetaObject) {
            texts << dialog.text;
        }
    }
    return texts;
}

void ModalCatcher::CloseOpenDialog() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible() || dialog->parentWidget() == nullptr) {
        return;
    }
    auto* box = qobject_cast<QMessageBox*>(dialog);
    seen_.push_back({dialog->metaObject(), dialog->windowTitle(),
                     box != nullptr ? box->text() : QString(),
                     box != nullptr ? box->icon() : QMessageBox::NoIcon,
                     box != nullptr ? static_cast<int>(box->buttons().size()) : 0,
                     dialog->parentWidget(), dialog->isModal(), dialog->frameGeometry()});
    QAbstractButton* button = box != nullptr ? box->button(QMessageBox::Ok) : nullptr;
    if (button == nullptr) {
        for (QPushButton* candidate : dialog->findChildren<QPushButton*>()) {
            if (candidate->isDefault()) {
                button = candidate;
            }
        }
    }
    if (button != nullptr) {
        button->click();
    } else {
        dialog->reject();
    }
}
