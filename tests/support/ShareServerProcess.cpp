#include "support/ShareServerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kPortmapperPort = 111;
constexpr auto kStartLimit = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

bool PortmapperAccepts() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPortmapperPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool accepted =
        fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return accepted;
}

// This process's environment with ZVISA_SIM set to `simulation`, made before the fork: a
// child of a threaded test may only exec.
std::vector<std::string> ServerEnvironment(const std::string& simulation) {
    static constexpr char kSimulation[] = "ZVISA_SIM=";
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind(kSimulation, 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back(kSimulation + simulation);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ShareServerProcess::ShareServerProcess(const std::string& program, const std::string& simulation) {
    std::vector<std::string> args{program, "--listen", "127.0.0.1"};
    std::vector<std::string> environment = ServerEnvironment(simulation);
    const std::vector<char*> argv = Pointers(args);
    const std::vector<char*> envp = Pointers(environment);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    child_ = ::fork();
    if (child_ == 0) {
        // Its log lines would only crowd the test's output.
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (null >= 0) {
        ::close(null);
    }
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (child_ > 0 && !listening_ && std::chrono::steady_clock::now() < limit) {
        listening_ = PortmapperAccepts();
        if (!listening_) {
            std::this_thread::sleep_for(kPollInterval);
        }
    }
}

ShareServerProcess::~ShareServerProcess() {
    if (child_ > 0) {
        ::kill(child_, SIGTERM);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }
}
