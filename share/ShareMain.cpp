// zorvane-share: the VXI-11 instrument server. `zorvane-share --help` says how.
#include <signal.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "InstrumentLink.h"
#include "Version.h"
#include "share/ShareLog.h"
#include "share/ShareOptions.h"
#include "share/ShareServer.h"

namespace {

// Exit statuses, as --help documents them.
constexpr int kExitStopped = 0;
constexpr int kExitUsage = 2;
constexpr int kExitListen = 3;
constexpr int kExitPortmapper = 4;
constexpr int kExitVisa = 5;

int ExitStatusOf(ShareServer::StartResult result) {
    switch (result) {
        case ShareServer::StartResult::kVisaFailed:
            return kExitVisa;
        case ShareServer::StartResult::kListenFailed:
            return kExitListen;
        case ShareServer::StartResult::kPortmapperFailed:
            return kExitPortmapper;
        case ShareServer::StartResult::kStarted:
            break;
    }
    return kExitStopped;
}

// SIGTERM and SIGINT are taken by sigwait in the main thread only; every thread the server
// starts inherits the mask.
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

}  // namespace

int main(int argc, char** argv) {
    ParsedShareOptions parsed = ParseShareOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "zorvane-share: " << parsed.error << "\n";
        return kExitUsage;
    }
    if (parsed.options->action == ShareOptions::Action::kHelp) {
        std::cout << kShareUsage;
        return kExitStopped;
    }
    if (parsed.options->action == ShareOptions::Action::kVersion) {
        std::cout << "zorvane-share " << ZORVANE_VERSION << "\n";
        return kExitStopped;
    }
    sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    InstrumentLink visa;
    ShareServer server(parsed.options->config, visa);
    std::string error;
    ShareServer::StartResult result = server.Start(error);
    if (result != ShareServer::StartResult::kStarted) {
        std::cerr << "zorvane-share: " << error << "\n";
        return ExitStatusOf(result);
    }
    int signal = 0;
    sigwait(&signals, &signal);
    ShareLog(std::string("stopping on ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT"));
    server.Stop();
    return kExitStopped;
}
