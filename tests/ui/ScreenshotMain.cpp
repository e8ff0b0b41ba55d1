// ui_screenshot OUT.png: shows the main dialog, runs one measurement (set
// ZVISA_SIM for the simulated meter) and saves what the X server shows of the
// window. For the README, under xvfb-run:
//   ZVISA_SIM=dcv,instant xvfb-run -s "-screen 0 800x600x24"
//   build/tests/ui/ui_screenshot docs/screenshot.png
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "CMeterDlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshot OUT.png\n");
        return 2;
    }
    CMeterDlg dlg;
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) {
        std::fprintf(stderr, "ui_screenshot: the window was never shown\n");
        return 1;
    }
    dlg.OnOK();
    QTest::qWait(200);
    const QRect area = dlg.frameGeometry();
    QPixmap shot = dlg.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (shot.isNull()) {
        shot = dlg.grab();
    }
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "ui_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
