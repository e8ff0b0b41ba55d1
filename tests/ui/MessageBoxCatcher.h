#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

// While it lives, closes every message box that opens (with its OK button,
// as a user would) and keeps what each one showed.
class MessageBoxCatcher : public QObject {
    Q_OBJECT

public:
    struct SeenBox {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        int buttonCount;
        QWidget* parent;
        bool modal;
    };

    MessageBoxCatcher();

    const std::vector<SeenBox>& Seen() const { return seen_; }
    QStringList Texts() const;

private:
    void CloseOpenBox();

    QTimer timer_;
    std::vector<SeenBox> seen_;
};
