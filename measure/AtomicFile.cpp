#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>

namespace {

struct PathParts {
    std::string folder;  // "." for a bare file name
    std::string name;    // empty when the path ends in '/'
};

PathParts SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A fresh, hidden name next to the target for each attempt.
std::string TemporaryPath(const PathParts& parts) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = parts.folder == "/" ? "" : parts.folder;
    return folder + "/." + parts.name + ".tmp" + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
}

// The temporary file while it is being written: closed and removed on every
// path that does not end in Commit().
class Temporary {
public:
    explicit Temporary(const AtomicFile::Calls& calls) : calls_(calls) {}
    ~Temporary() {
        if (fd_ >= 0) {
            calls_.close(fd_);
        }
        if (!committed_ && !path_.empty()) {
            unlink(path_.c_str());
        }
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    // Creates the temporary; false with errno set when it cannot.
    bool Create(const PathParts& parts) {
        // Another writer may hold a name for a moment; a handful of tries is plenty.
        constexpr int kAttempts = 64;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::string candidate = TemporaryPath(parts);
            fd_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                path_ = candidate;
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }

    // A replaced file keeps who may read it.
    void TakeModeOf(const std::string& target) {
        struct stat existing {};
        if (stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
            fchmod(fd_, existing.st_mode & 07777);
        }
    }

    bool WriteAll(std::string_view text) {
        constexpr std::size_t kChunk = 1 << 20;
        while (!text.empty()) {
            const ssize_t written = calls_.write(fd_, text.data(), std::min(text.size(), kChunk));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0) {
                return false;
            }
            if (written == 0) {
                errno = EIO;  // no progress and no reason: do not spin
                return false;
            }
            text.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    bool SyncAndClose() {
        if (calls_.fsync(fd_) != 0) {
            return false;
        }
        const int fd = fd_;
        fd_ = -1;  // closed even when close reports an error
        return calls_.close(fd) == 0;
    }

    bool RenameOver(const std::string& target) {
        if (calls_.rename(path_.c_str(), target.c_str()) != 0) {
            return false;
        }
        committed_ = true;
        return true;
    }

private:
    const AtomicFile::Calls& calls_;
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

// Makes the rename itself survive a power cut. The new file is already in
// place, so a folder that cannot be synced is not worth failing for.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

AtomicFile::Calls AtomicFile::SystemCalls() {
    return Calls{::write, ::fsync, ::close, ::rename};
}

bool AtomicFile::Write(std::string_view text) {
    error_.clear();
    if (path_.empty()) {
        return Fail(ENOENT);
    }
    const PathParts parts = SplitPath(path_);
    if (parts.name.empty()) {
        return Fail(EISDIR);
    }
    Temporary temporary(calls_);
    if (!temporary.Create(parts)) {
        return Fail(errno);
    }
    temporary.TakeModeOf(path_);
    if (!temporary.WriteAll(text) || !temporary.SyncAndClose() || !temporary.RenameOver(path_)) {
        return Fail(errno);  // read before ~Temporary's close and unlink can change it
    }
    SyncFolder(parts.folder);
    return true;
}

bool AtomicFile::Fail(int errorNumber) {
    error_ = "Cannot write \"" + path_ +
             "\": " + std::error_code(errorNumber, std::generic_category()).message();
    return false;
}
