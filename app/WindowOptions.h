#pragma once

#include <string>
#include <vector>

// The window's command line: --resource NAME, --help, --version, and Qt's own
// options, which are left for QApplication.
struct WindowOptions {
    bool help = false;
    bool version = false;
    std::string resource;  // empty: the first meter found, as without options
    std::string error;     // one line; empty when the command line is usable

    // Reads the arguments after the program's name.
    static WindowOptions Parse(const std::vector<std::string>& args);
};

extern const char* const kWindowUsage;
