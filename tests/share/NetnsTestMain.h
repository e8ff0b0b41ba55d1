#pragma once

// Whether the test process runs in a network namespace of its own with loopback up.
bool InNetworkNamespace();

#define SKIP_WITHOUT_NETWORK_NAMESPACE()                                                   \
    if (!InNetworkNamespace()) {                                                           \
        GTEST_SKIP() << "no network namespace of its own could be made (needs root): the " \
                        "server tests talk over loopback only inside one";                 \
    }
