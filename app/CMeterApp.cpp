#include "app/CMeterApp.h"

#include "res/AppIcon.h"
#include "res/Version.h"
#include "ui/CMeterDlg.h"

CMeterApp::CMeterApp(int& argc, char** argv) : m_app(argc, argv) {
    QApplication::setApplicationName(QStringLiteral("Zorvane"));
    QApplication::setApplicationVersion(QStringLiteral(ZORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zorvane"));
    QApplication::setWindowIcon(LoadAppIcon());
}

bool CMeterApp::InitInstance(const std::string& resource) {
    CMeterDlg dlg;
    dlg.SetResource(resource);
    dlg.exec();
    return false;
}
