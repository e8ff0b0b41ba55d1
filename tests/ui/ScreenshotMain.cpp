// ui_screenshot OUT.png [about | statistics [TAB]]: shows the main dialog, runs
// one measurement (set ZVISA_SIM for the simulated meter) and saves what the X
// server shows of the window, the window manager's frame included; with
// "about", the About box over the dialog instead; with "statistics", the
// statistics window on tab TAB (from 0). For the README, under openbox in Xvfb:
//   ZVISA_SIM=dcv,instant tests/ui/under-window-manager.sh
//   build/tests/ui/ui_screenshot docs/screenshot.png
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/CAboutBox.h"
#include "ui/CMeterDlg.h"
#include "ui/StatisticsWindow.h"

namespace {

// Lets the window be drawn, framed and placed before it is captured.
constexpr int kSettleMs = 300;
constexpr int kFrameTimeoutMs = 5000;

bool ShowFramed(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    // Without a window manager there is no frame to wait for.
    static_cast<void>(QTest::qWaitFor(
        [&window] { return window.frameGeometry() != window.geometry(); }, kFrameTimeoutMs));
    QTest::qWait(kSettleMs);
    return true;
}

bool SaveShot(QWidget& window, const char* path) {
    const QRect area = window.frameGeometry();
    QPixmap shot = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (shot.isNull()) {
        shot = window.grab();
    }
    if (!shot.save(QString::fromLocal8Bit(path))) {
        std::fprintf(stderr, "ui_screenshot: cannot write %s\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshot OUT.png [about | statistics [TAB]]\n");
        return 2;
    }
    const bool about = argc > 2 && std::strcmp(argv[2], "about") == 0;
    const bool statistics = argc > 2 && std::strcmp(argv[2], "statistics") == 0;
    CMeterDlg dlg;
    if (!ShowFramed(dlg)) {
        std::fprintf(stderr, "ui_screenshot: the window was never shown\n");
        return 1;
    }
    if (statistics) {
        dlg.OnOK();
        dlg.OnStatisticsAndPlot();
        auto* window = dlg.findChild<StatisticsWindow*>();
        window->Tabs().setCurrentIndex(argc > 3 ? std::atoi(argv[3]) : 0);
        if (!QTest::qWaitForWindowExposed(window)) {
            std::fprintf(stderr, "ui_screenshot: the statistics window was never shown\n");
            return 1;
        }
        QTest::qWait(kSettleMs);
        return SaveShot(*window, argv[1]) ? 0 : 1;
    }
    if (!about) {
        dlg.OnOK();
        QTest::qWait(kSettleMs);
        return SaveShot(dlg, argv[1]) ? 0 : 1;
    }
    CAboutBox box(&dlg);
    if (!ShowFramed(box)) {
        std::fprintf(stderr, "ui_screenshot: the About box was never shown\n");
        return 1;
    }
    return SaveShot(box, argv[1]) ? 0 : 1;
}
