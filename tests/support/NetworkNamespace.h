#pragma once

// Network tests talk over loopback only, inside a network namespace of the test process's own,
// entered before any thread starts; without one (not root, no user namespaces) they skip.

// Enters a new network namespace and brings its loopback up; false where none can be made.
bool EnterNetworkNamespace();
// Whether EnterNetworkNamespace succeeded in this process.
bool InNetworkNamespace();

#define SKIP_WITHOUT_NETWORK_NAMESPACE()                                                   \
    if (!InNetworkNamespace()) {                                                           \
        GTEST_SKIP() << "no network namespace of its own could be made (needs root): the " \
                        "network tests talk over loopback only inside one";                \
    }
