#pragma once

#include <QApplication>
#include <string>

// The application: owns Qt's application object and runs the main dialog.
class CMeterApp {
public:
    CMeterApp(int& argc, char** argv);

    // Runs the main dialog until it ends (its own loop; the window is modal to
    // nothing), on the meter `resource` names or, when empty, the first one
    // found; returns false, as there is nothing to do once it has ended.
    bool InitInstance(const std::string& resource = std::string());

private:
    QApplication m_app;
};
