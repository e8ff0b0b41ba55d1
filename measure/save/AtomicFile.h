#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class SaveTarget;

// Saves a text to a path the way a shell redirect would reach it, but never
// leaves a file half written.
//  - A regular file is replaced as a whole: the text goes to a hidden
//    temporary file in the same folder, is flushed to disk and renamed over
//    the file. Readers see the old file or the new one. The new file keeps
//    the old one's mode, and its owner and group as far as the saver may set
//    them (an owner who is not the saver becomes the saver; the group is kept
//    when the saver is a member of it). A missing file is created with 0666
//    less the umask.
//  - A symbolic link is followed, through chains and relative links, and the
//    file it leads to is replaced in that file's folder; the link stays. A
//    dangling link gets its file created, as a redirect would.
//  - A file with several hard links is replaced under the given name only;
//    its other names keep the previous content. Writing in place would
//    update every name but could leave all of them half written after a
//    full disk or a kill.
//  - A device, FIFO or terminal is written straight through, with no
//    temporary and no rename. A FIFO nobody reads from is refused at once
//    rather than waited on; a socket is refused.
//  - A file the saver may not write is refused with the error a redirect
//    gives ("Permission denied") and left as it was.
// On every failure no temporary remains; InterruptCleanup removes it when a
// signal ends the process during the save.
class AtomicFile {
public:
    // The system calls made once the temporary file or the device is open;
    // tests replace them to fail or hold a step. Each returns -1 and sets errno on failure, as
    // POSIX does.
    struct Calls {
        std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
        std::function<int(int fd)> fsync;
        std::function<int(int fd)> close;
        std::function<int(const char* from, const char* to)> rename;
    };
    static Calls SystemCalls();

    explicit AtomicFile(std::string path) : AtomicFile(std::move(path), SystemCalls()) {}
    AtomicFile(std::string path, Calls calls) : path_(std::move(path)), calls_(std::move(calls)) {}

    // Saves `text` at the path. Returns false when any step fails; then a
    // file is as it was, no temporary is left behind and Error() says why,
    // e.g. `Cannot write "/data/run.csv": No space left on device`.
    bool Write(std::string_view text);

    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

private:
    bool Replace(const SaveTarget& target, std::string_view text);
    bool WriteThrough(int fd, std::string_view text);
    bool Fail(int errorNumber);
    bool Fail(const std::string& reason);

    std::string path_;
    Calls calls_;
    std::string error_;
};
