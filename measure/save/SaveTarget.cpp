#include "save/SaveTarget.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <system_error>
#include <utility>

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

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

// Where a link's text leads: relative texts start from the link's folder.
std::string LinkDestination(const std::string& link, const std::string& text) {
    if (!text.empty() && text.front() == '/') {
        return text;
    }
    return SaveTarget::PathIn(SplitPath(link).folder, text);
}

// Follows the symbolic links at the end of `path` as the kernel would; the
// last name need not exist. Returns 0 or an errno value.
int FollowLinks(std::string& path) {
    for (int followed = 0;; ++followed) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0) {
            return errno == ENOENT ? 0 : errno;
        }
        if (!S_ISLNK(status.st_mode)) {
            return 0;
        }
        if (followed == kMaxLinks) {
            return ELOOP;
        }
        char text[PATH_MAX];
        const ssize_t size = readlink(path.c_str(), text, sizeof text);
        if (size < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(size) == sizeof text) {
            return ENAMETOOLONG;
        }
        path = LinkDestination(path, std::string(text, static_cast<std::size_t>(size)));
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

SaveTarget SaveTarget::Of(const std::string& path) {
    if (path.empty()) {
        return Refused(ENOENT);
    }
    // No O_CREAT: a missing file is created next to it, atomically. No
    // O_TRUNC: a regular file is replaced, never cut short. O_NONBLOCK keeps a
    // FIFO without a reader from blocking the open for ever.
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return fd < 0 ? NotOpened(path, errno) : Opened(path, fd);
}

SaveTarget SaveTarget::NotOpened(const std::string& path, int openError) {
    if (openError == ENOENT) {
        std::string file = path;
        const int error = FollowLinks(file);
        return error != 0 ? Refused(error) : InFile(Kind::kNewFile, file);
    }
    struct stat status {};
    if (openError == ENXIO && stat(path.c_str(), &status) == 0) {
        if (S_ISFIFO(status.st_mode)) {
            return Refused("The FIFO has no reader");
        }
        if (S_ISSOCK(status.st_mode)) {
            return Refused("A socket cannot be opened as a file");
        }
    }
    return Refused(openError);
}

SaveTarget SaveTarget::Opened(const std::string& path, int fd) {
    SaveTarget target;
    target.fd_ = fd;  // closed by the target unless taken
    if (fstat(fd, &target.status_) != 0) {
        return Refused(errno);
    }
    if (!S_ISREG(target.status_.st_mode)) {
        const int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            return Refused(errno);
        }
        target.kind_ = Kind::kWriteThrough;
        return target;
    }
    // A regular file is replaced by name, so the name must lead to the file
    // just opened; a link under /proc to a deleted file, or a file swapped
    // meanwhile, does not.
    std::string file = path;
    if (const int error = FollowLinks(file); error != 0) {
        return Refused(error);
    }
    struct stat named {};
    if (lstat(file.c_str(), &named) != 0 || !SameFile(named, target.status_)) {
        return Refused("The file moved while it was being opened");
    }
    SaveTarget regular = InFile(Kind::kRegularFile, file);
    regular.status_ = target.status_;
    return regular;
}

SaveTarget SaveTarget::InFile(Kind kind, const std::string& path) {
    PathParts parts = SplitPath(path);
    if (parts.name.empty() || parts.name == "." || parts.name == "..") {
        return Refused(EISDIR);
    }
    SaveTarget target;
    target.kind_ = kind;
    target.folder_ = std::move(parts.folder);
    target.name_ = std::move(parts.name);
    return target;
}

SaveTarget SaveTarget::Refused(int errorNumber) {
    return Refused(std::error_code(errorNumber, std::generic_category()).message());
}

SaveTarget SaveTarget::Refused(std::string reason) {
    SaveTarget target;
    target.reason_ = std::move(reason);
    return target;
}

SaveTarget::SaveTarget(SaveTarget&& other) noexcept
    : kind_(other.kind_),
      folder_(std::move(other.folder_)),
      name_(std::move(other.name_)),
      status_(other.status_),
      fd_(std::exchange(other.fd_, -1)),
      reason_(std::move(other.reason_)) {}

SaveTarget::~SaveTarget() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

std::string SaveTarget::PathIn(const std::string& folder, const std::string& name) {
    return (folder == "/" ? "" : folder) + "/" + name;
}

int SaveTarget::TakeDescriptor() {
    return std::exchange(fd_, -1);
}
