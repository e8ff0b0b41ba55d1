#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box (template 100): icon, name and version, one more line, OK.
class CAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit CAboutBox(QWidget* parent = nullptr);

    QLabel& IconLabel() const { return *m_labelIcon; }
    QLabel& VersionLabel() const { return *m_labelVersion; }
    QLabel& NoteLabel() const { return *m_labelNote; }
    QPushButton& OkButton() const { return *m_buttonOk; }

private:
    QLabel* m_labelIcon = nullptr;
    QLabel* m_labelVersion = nullptr;
    QLabel* m_labelNote = nullptr;
    QPushButton* m_buttonOk = nullptr;
};
