// A GoogleTest program whose network tests run in a network namespace of its own, made before
// any thread starts.
#include <gtest/gtest.h>

#include "support/NetworkNamespace.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    EnterNetworkNamespace();
    return RUN_ALL_TESTS();
}
