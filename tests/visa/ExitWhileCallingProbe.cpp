// A program that ends while other threads are inside VISA calls, as a script
// returning from main or a daemon stopped with SIGTERM does. Each way runs
// in fresh child processes; a crash or sanitizer report there fails this
// program. Plain C API only, as a client of the library sees it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "visa.h"

namespace {

constexpr int kRunsPerWay = 5;
constexpr const char* kMeters =
    "USB0::0x7A5E::0x0C46::BUSY::INSTR=dcv,instant;USB0::0x7A5E::0x0C46::MUTE::INSTR=mute";

std::atomic<int> queries{0};

ViSession Open(ViSession rm, const char* resource) {
    ViSession vi = VI_NULL;
    viOpen(rm, resource, VI_NO_LOCK, 0, &vi);
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE);
    return vi;
}

void QueryForEver(ViSession vi) {
    for (;;) {
        ViUInt32 count = 0;
        viWrite(vi, reinterpret_cast<const ViByte*>("*IDN?\n"), 6, &count);
        ViByte reply[100];
        viRead(vi, reply, sizeof reply, &count);
        ++queries;
    }
}

void WaitForEver(ViSession vi) {
    ViUInt32 count = 0;
    viWrite(vi, reinterpret_cast<const ViByte*>("FUNC?\n"), 6, &count);
    ViByte reply[10];
    viRead(vi, reply, sizeof reply, &count);
}

// Threads in a query loop, in a read that never ends and in a lock wait that
// never ends; returns once the loop has gone round.
void StartCalls() {
    setenv("ZVISA_SIM", kMeters, 1);
    ViSession rm = VI_NULL;
    viOpenDefaultRM(&rm);
    const ViSession busy = Open(rm, "USB0::0x7A5E::0x0C46::BUSY::INSTR");
    const ViSession mute = Open(rm, "USB0::0x7A5E::0x0C46::MUTE::INSTR");
    const ViSession locker = Open(rm, "USB0::0x7A5E::0x0C46::MUTE::INSTR");
    viLock(mute, VI_EXCLUSIVE_LOCK, 0, VI_NULL, VI_NULL);
    std::thread(QueryForEver, busy).detach();
    std::thread(WaitForEver, mute).detach();
    std::thread([locker] {
        viLock(locker, VI_EXCLUSIVE_LOCK, VI_TMO_INFINITE, VI_NULL, VI_NULL);
    }).detach();
    while (queries < 3) {
        std::this_thread::yield();
    }
}

int ReturnFromMain() {
    StartCalls();
    return 0;
}

// SIGTERM is taken by sigwait, as a daemon's main loop does, then main returns.
int StopOnSigterm(int ready) {
    sigset_t terminate;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &terminate, nullptr);
    StartCalls();
    const char byte = 1;
    if (write(ready, &byte, 1) != 1) {
        return 3;
    }
    int signal = 0;
    sigwait(&terminate, &signal);
    return 0;
}

// The child's exit status, or -1 when it did not exit normally.
int RunChild(bool sigterm) {
    int ready[2];
    if (pipe(ready) != 0) {
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        std::exit(sigterm ? StopOnSigterm(ready[1]) : ReturnFromMain());
    }
    close(ready[1]);
    if (sigterm) {
        char byte = 0;
        if (read(ready[0], &byte, 1) == 1) {
            kill(child, SIGTERM);
        }
    }
    close(ready[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main() {
    int failures = 0;
    for (const bool sigterm : {false, true}) {
        for (int run = 0; run < kRunsPerWay; ++run) {
            const int status = RunChild(sigterm);
            if (status != 0) {
                std::fprintf(stderr, "%s, run %d: exit status %d\n",
                             sigterm ? "SIGTERM" : "return from main", run, status);
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
