#pragma once

#include <string>
#include <vector>

// One meter the VISA library finds.
struct FoundMeter {
    std::string resource;
    // Its reply to "*idn?" without the line end; empty when not asked for or
    // when the meter could not be opened or did not answer.
    std::string identity;
};

// The meters the VISA library finds, in its order; with `identify`, each one
// is opened in turn and asked for its identity. Empty when none is found.
std::vector<FoundMeter> ListMeters(bool identify);

// Whether the VISA library finds the meter named `resource` (in any case).
// A network name (TCPIP...) is not looked up: true, and the run's open tells.
bool FindsMeter(const std::string& resource);
