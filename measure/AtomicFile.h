#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// A file that is replaced as a whole or not at all. Write() puts the text in a
// temporary file next to the target (same folder, so the same file system),
// flushes it to disk and renames it over the target. Readers see the old file
// or the new one, never part of either. A replaced file keeps its permission
// bits; a new one gets 0666 less the umask. A symbolic link at the path is
// replaced by the file, not followed.
class AtomicFile {
public:
    // The system calls made once the temporary exists; tests replace them to
    // fail a step. Each returns -1 and sets errno on failure, as POSIX does.
    struct Calls {
        std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
        std::function<int(int fd)> fsync;
        std::function<int(int fd)> close;
        std::function<int(const char* from, const char* to)> rename;
    };
    static Calls SystemCalls();

    explicit AtomicFile(std::string path) : AtomicFile(std::move(path), SystemCalls()) {}
    AtomicFile(std::string path, Calls calls) : path_(std::move(path)), calls_(std::move(calls)) {}

    // Replaces the file with `text`. Returns false when any step fails; then
    // the target is as it was, no temporary is left behind and Error() says
    // why, e.g. `Cannot write "/data/run.csv": No space left on device`.
    bool Write(std::string_view text);

    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

private:
    bool Fail(int errorNumber);

    std::string path_;
    Calls calls_;
    std::string error_;
};
