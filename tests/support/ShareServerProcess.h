#pragma once

#include <sys/types.h>

#include <string>

// A zorvane-share program serving the simulated meters `simulation` describes (ZVISA_SIM in
// its environment only) on 127.0.0.1, answering the portmapper itself: run it inside the
// test's own network namespace. Stopped with SIGTERM when it goes.
class ShareServerProcess {
public:
    ShareServerProcess(const std::string& program, const std::string& simulation);
    ~ShareServerProcess();
    ShareServerProcess(const ShareServerProcess&) = delete;
    ShareServerProcess& operator=(const ShareServerProcess&) = delete;

    // Whether the portmapper answered within a few seconds of the start.
    bool IsListening() const { return listening_; }

private:
    pid_t child_ = -1;
    bool listening_ = false;
};
