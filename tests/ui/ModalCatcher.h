#pragma once

#include <QMessageBox>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <vector>

// While it lives, closes every modal dialog that opens over another window,
// as a user would: a message box with its OK button, any other dialog with
// its default button. Keeps what each one showed. A modal main dialog, which
// has no window beneath it, is left open.
class ModalCatcher : public QObject {
public:
    struct Seen {
        const QMetaObject* type;  // e.g. &QMessageBox::staticMetaObject
        QString title;
        QString text;  // of a message box; empty for other dialogs
        QMessageBox::Icon icon;
        int buttonCount;
        QWidget* parent;
        bool modal;
        QRect frame;
    };

    ModalCatcher();

    const std::vector<Seen>& All() const { return seen_; }
    // The texts of the message boxes, in the order they opened.
    QStringList Texts() const;

private:
    void CloseOpenDialog();

    QTimer timer_;
    std::vector<Seen> seen_;
};
