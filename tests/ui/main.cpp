// ui_tests: all window tests in one process. MeterDlgTest runs last: its final
// case lets a quit request through, after which Qt starts no event loop.
#include <QApplication>
#include <QTest>
#include <cstdlib>

#include "AboutBoxTest.h"
#include "FlexGridTest.h"
#include "MeterDlgTest.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    int failures = 0;
    {
        FlexGridTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        AboutBoxTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        MeterDlgTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
