#include "MessageBoxCatcher.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxCatcher::MessageBoxCatcher() {
    // Fires at every pass of whatever loop runs, the box's own included.
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &MessageBoxCatcher::CloseOpenBox);
    timer_.start();
}

QStringList MessageBoxCatcher::Texts() const {
    QStringList texts;
    for (const SeenBox& box : seen_) {
        texts << box.text;
    }
    return texts;
}

void MessageBoxCatcher::CloseOpenBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) {
        return;
    }
    seen_.push_back({box->windowTitle(), box->text(), box->icon(),
                     static_cast<int>(box->buttons().size()), box->parentWidget(), box->isModal()});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        ok->click();
    } else {
        box->reject();
    }
}
