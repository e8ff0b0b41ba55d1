#include "save/InterruptCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may run in any thread at any moment, so it reads only lock-free
// atomics and fixed buffers.
enum SlotState : int { kFree, kFilling, kListed };
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads slot states");

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr int kSlots = 8;
Slot listedFiles[kSlots];

// Only async-signal-safe calls. SA_RESETHAND has put the default action back
// and the signal stays blocked until the handler returns, so raise() ends
// the process right after.
void RemoveTemporariesAndEnd(int signal) {
    for (Slot& slot : listedFiles) {
        if (slot.state.load(std::memory_order_acquire) == kListed) {
            unlink(slot.path);
        }
    }
    raise(signal);
}

bool HasDefaultAction(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
           current.sa_handler == SIG_DFL;
}

}  // namespace

void InterruptCleanup::Install() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    for (const int signal : kSignals) {
        if (HasDefaultAction(signal)) {
            sigaction(signal, &action, nullptr);
        }
    }
}

InterruptCleanup::InterruptCleanup(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return;
    }
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (listedFiles[i].state.compare_exchange_strong(expected, kFilling,
                                                         std::memory_order_acquire)) {
            std::memcpy(listedFiles[i].path, path.c_str(), path.size() + 1);
            listedFiles[i].state.store(kListed, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

InterruptCleanup::~InterruptCleanup() {
    if (slot_ >= 0) {
        listedFiles[slot_].state.store(kFree, std::memory_order_release);
    }
}
