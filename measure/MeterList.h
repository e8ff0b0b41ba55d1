#pragma once

#include <string>
#include <vector>

class InstrumentLink;

// One meter the VISA library finds.
struct FoundMeter {
    std::string resource;
    // Its reply to "*idn?" without the line end; empty when not asked for or
    // when the meter could not be opened or did not answer.
    std::string identity;
};

// The meters `link` finds, in the library's order; with `identify`, each one
// is opened in turn and asked for its identity. Empty when none is found.
std::vector<FoundMeter> ListMeters(InstrumentLink& link, bool identify);

// Whether `link` finds a meter to run on: the first one, or the one the link
// was made for.
bool FindsMeter(InstrumentLink& link);
