// zorvane: the window. Everything happens inside the main dialog's modal loop.
#include "CMeterApp.h"

int main(int argc, char** argv) {
    CMeterApp app(argc, argv);
    app.InitInstance();
    return 0;
}
