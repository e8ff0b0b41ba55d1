#pragma once

#include "visa.h"

namespace zvisa {

// The text viStatusDesc gives for `status`, or null when the library never
// returns that status.
const char* StatusDescription(ViStatus status);

}  // namespace zvisa
