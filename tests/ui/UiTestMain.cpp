// GoogleTest under a QApplication; offscreen unless the caller picks a platform. In a network
// namespace of its own, entered before Qt starts any thread, for the tests on served meters.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/NetworkNamespace.h"

int main(int argc, char** argv) {
    EnterNetworkNamespace();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
