// zorvane: the window. Everything happens inside the main dialog's own loop.
#include "app/CMeterApp.h"
#include "save/InterruptCleanup.h"

int main(int argc, char** argv) {
    InterruptCleanup::Install();
    CMeterApp app(argc, argv);
    app.InitInstance();
    return 0;
}
