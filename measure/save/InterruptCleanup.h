#pragma once

#include <string>

// Removes the temporary files of saves in progress when SIGINT, SIGTERM or
// SIGHUP ends the process, so an interrupted save leaves the folder as it
// was. A program calls Install() once at start; a save registers its
// temporary file by holding an InterruptCleanup for as long as the file may
// exist under that name.
class InterruptCleanup {
public:
    // Handles each of the signals whose action is still the default one; a
    // signal the process ignores (nohup, a background job) stays ignored. The
    // handler removes the registered files, then the signal ends the process
    // with its default action, so the exit status still names it.
    static void Install();

    // Registers `path` for removal. Saves running at once each take one of a
    // few slots; with none free, or a path too long for one, the file is not
    // registered.
    explicit InterruptCleanup(const std::string& path);
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

private:
    int slot_ = -1;
};
