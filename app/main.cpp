// zorvane: the window. Everything happens inside the main dialog's own loop.
#include <iostream>
#include <string>
#include <vector>

#include "app/CMeterApp.h"
#include "app/WindowOptions.h"
#include "res/Version.h"
#include "save/InterruptCleanup.h"

namespace {

constexpr int kExitUsage = 2;

// --help and --version: the text on standard output.
int PrintText(const char* text) {
    std::cout << text;
    return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Read before QApplication, which needs a display: --help and a wrong
    // command line answer without one.
    const WindowOptions options =
        WindowOptions::Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::cerr << "zorvane: " << options.error << " (see zorvane --help)\n";
        return kExitUsage;
    }
    if (options.help) {
        return PrintText(kWindowUsage);
    }
    if (options.version) {
        return PrintText("zorvane " ZORVANE_VERSION "\n");
    }
    InterruptCleanup::Install();
    CMeterApp app(argc, argv);
    app.InitInstance(options.resource);
    return 0;
}
