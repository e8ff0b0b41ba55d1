#pragma once

#include <string>
#include <vector>

// One of the programs run as a script would run it, with its output kept.
class ProgramRun {
public:
    struct Finished {
        int status = -1;  // exit status, or -1 when the program did not exit normally
        std::string out;
        std::string err;
    };

    // Runs `program` with `args` and ZVISA_SIM set to `simulation` (unset when null). Standard
    // error goes to a file in `folder`; standard output to `outPath`, or, when that is empty,
    // to a file in `folder` whose text comes back in `out`.
    static Finished Run(const std::string& program, const char* simulation,
                        const std::vector<std::string>& args, const std::string& folder,
                        std::string outPath = "");

    // The whole text of the file at `path`; empty when it cannot be read.
    static std::string Contents(const std::string& path);
};
