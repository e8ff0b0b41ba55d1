#pragma once

#include <QApplication>

// The application: owns Qt's application object and runs the main dialog.
class CMeterApp {
public:
    CMeterApp(int& argc, char** argv);

    // Runs the main dialog modally; returns false, as there is nothing to do
    // once the dialog has ended.
    bool InitInstance();

private:
    QApplication m_app;
};
