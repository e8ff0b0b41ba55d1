#pragma once

#include <string>
#include <vector>

// One ordered record of everything the fakes of a run saw, so a test can
// compare the whole sequence of link calls, window calls and seam calls.
using Journal = std::vector<std::string>;

// `text` with line feeds, zero bytes and other control bytes spelled out.
std::string Printable(const std::string& text);
