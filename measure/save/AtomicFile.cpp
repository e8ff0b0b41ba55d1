#include "save/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>
#include <system_error>

#include "save/InterruptCleanup.h"
#include "save/SaveTarget.h"

namespace {

// A fresh, hidden name next to the target for each attempt. A long name is
// shortened so the temporary's name still fits the file system's limit.
std::string TemporaryPath(const std::string& folder, const std::string& name) {
    constexpr std::size_t kMaxName = 255;
    static std::atomic<unsigned> counter{0};
    const std::string suffix =
        ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const std::string shortened = name.substr(0, kMaxName - 1 - suffix.size());
    return SaveTarget::PathIn(folder, "." + shortened + suffix);
}

bool WriteAll(const AtomicFile::Calls& calls, int fd, std::string_view text) {
    constexpr std::size_t kChunk = 1 << 20;
    while (!text.empty()) {
        const ssize_t written = calls.write(fd, text.data(), std::min(text.size(), kChunk));
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

// The temporary file while it is being written: closed and removed on every
// path that does not end in RenameOver(), and listed for removal by a signal
// from before it exists until it is renamed.
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
    bool Create(const std::string& folder, const std::string& name) {
        // Another writer may hold a name for a moment; a handful of tries is plenty.
        constexpr int kAttempts = 64;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const std::string candidate = TemporaryPath(folder, name);
            cleanup_.emplace(candidate);
            fd_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                path_ = candidate;
                return true;
            }
            const int error = errno;
            cleanup_.reset();
            if (error != EEXIST) {
                errno = error;
                return false;
            }
        }
        return false;
    }

    // The replacement keeps who owns the file and who may read it. chown
    // clears the set-ID bits, so the mode comes after it.
    void TakeOwnerAndModeOf(const struct stat& existing) {
        if (fchown(fd_, existing.st_uid, existing.st_gid) != 0) {
            // Not root: a member of the file's group may still keep the group.
            [[maybe_unused]] const int groupKept =
                fchown(fd_, static_cast<uid_t>(-1), existing.st_gid);
        }
        fchmod(fd_, existing.st_mode & 07777);
    }

    bool WriteAll(std::string_view text) { return ::WriteAll(calls_, fd_, text); }

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
        cleanup_.reset();
        return true;
    }

private:
    const AtomicFile::Calls& calls_;
    std::optional<InterruptCleanup> cleanup_;
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

// While held, a reader that goes away makes write() fail with EPIPE instead
// of SIGPIPE ending the process. The SIGPIPE such a write raises at this
// thread is taken back before the old signal mask returns.
class SigpipeHeld {
public:
    SigpipeHeld() {
        sigemptyset(&pipeSignal_);
        sigaddset(&pipeSignal_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal_, &previousMask_);
        sigset_t pending;
        wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    }
    ~SigpipeHeld() {
        if (!wasPending_) {
            const timespec noWait{};
            while (sigtimedwait(&pipeSignal_, nullptr, &noWait) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    }
    SigpipeHeld(const SigpipeHeld&) = delete;
    SigpipeHeld& operator=(const SigpipeHeld&) = delete;

private:
    sigset_t pipeSignal_;
    sigset_t previousMask_;
    bool wasPending_ = false;
};

// Pipes, FIFOs and character devices cannot be synced and say so.
bool SyncIfSupported(const AtomicFile::Calls& calls, int fd) {
    return calls.fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

}  // namespace

AtomicFile::Calls AtomicFile::SystemCalls() {
    return Calls{::write, ::fsync, ::close, ::rename};
}

bool AtomicFile::Write(std::string_view text) {
    error_.clear();
    SaveTarget target = SaveTarget::Of(path_);
    switch (target.GetKind()) {
        case SaveTarget::Kind::kNewFile:
        case SaveTarget::Kind::kRegularFile:
            return Replace(target, text);
        case SaveTarget::Kind::kWriteThrough:
            return WriteThrough(target.TakeDescriptor(), text);
        case SaveTarget::Kind::kRefused:
            break;
    }
    return Fail(target.Reason());
}

bool AtomicFile::Replace(const SaveTarget& target, std::string_view text) {
    Temporary temporary(calls_);
    if (!temporary.Create(target.FileFolder(), target.FileName())) {
        return Fail(errno);
    }
    if (target.GetKind() == SaveTarget::Kind::kRegularFile) {
        temporary.TakeOwnerAndModeOf(target.Status());
    }
    if (!temporary.WriteAll(text) || !temporary.SyncAndClose() ||
        !temporary.RenameOver(SaveTarget::PathIn(target.FileFolder(), target.FileName()))) {
        return Fail(errno);  // read before ~Temporary's close and unlink can change it
    }
    SyncFolder(target.FileFolder());
    return true;
}

bool AtomicFile::WriteThrough(int fd, std::string_view text) {
    int error = 0;
    {
        SigpipeHeld held;
        if (!::WriteAll(calls_, fd, text) || !SyncIfSupported(calls_, fd)) {
            error = errno;
        }
    }
    if (calls_.close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error == 0 || Fail(error);
}

bool AtomicFile::Fail(int errorNumber) {
    return Fail(std::error_code(errorNumber, std::generic_category()).message());
}

bool AtomicFile::Fail(const std::string& reason) {
    error_ = "Cannot write \"" + path_ + "\": " + reason;
    return false;
}
