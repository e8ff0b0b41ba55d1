#pragma once

#include <QApplication>

// The application: owns Qt's application object and runs the main dialog.
class CMeterApp {
public:
    CMeterApp(int& argc, char** argv);

    // Runs the main dialog until it ends (its own loop; the window is modal to
    // nothing); returns false, as there is nothing to do once it has ended.
    bool InitInstance();

private:
    QApplication m_app;
};
