// zorvane-burst: one measurement on the first meter found, printed to stdout.
// Exits with 0 only when every announced reading arrived.
#include <iostream>

#include "ConsoleWindow.h"
#include "InstrumentLink.h"
#include "MeasurementRun.h"

int main() {
    InstrumentLink link;
    ConsoleWindow window;
    RunMeasurement(window, link);
    window.PrintSummary(std::cout);
    return window.IsCompleteRun() ? 0 : 1;
}
