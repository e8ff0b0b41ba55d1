#include "support/ProgramRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

[[noreturn]] void RunChild(const std::string& program, const char* simulation,
                           const std::vector<std::string>& args, const std::string& outPath,
                           const std::string& errPath) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0) {
        _exit(126);
    }
    simulation != nullptr ? setenv("ZVISA_SIM", simulation, 1) : unsetenv("ZVISA_SIM");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

}  // namespace

ProgramRun::Finished ProgramRun::Run(const std::string& program, const char* simulation,
                                     const std::vector<std::string>& args,
                                     const std::string& folder, std::string outPath) {
    const std::string errPath = folder + "/stderr";
    const bool captureOut = outPath.empty();
    if (captureOut) {
        outPath = folder + "/stdout";
    }
    Finished finished;
    const pid_t child = fork();
    if (child == 0) {
        RunChild(program, simulation, args, outPath, errPath);
    }
    int wait = 0;
    if (child < 0 || waitpid(child, &wait, 0) != child) {
        return finished;
    }
    finished.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    finished.out = captureOut ? Contents(outPath) : "";
    finished.err = Contents(errPath);
    return finished;
}

std::string ProgramRun::Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
