#pragma once

#include <sys/stat.h>

#include <string>

// What a save to a path has to do, found the way a shell redirect opens the
// path: symbolic links are followed (magic ones under /proc too) and the
// kernel's own refusals (permission, read-only file system, folder) are kept.
//  - kNewFile: nothing there yet, or a dangling link; FileFolder()/FileName()
//    say where the file is to be created.
//  - kRegularFile: an existing file, links resolved to the file itself;
//    Status() holds its mode, owner and group.
//  - kWriteThrough: a device, FIFO or terminal, opened for writing; the data
//    goes straight to it.
//  - kRefused: Reason() says why, e.g. "Permission denied".
class SaveTarget {
public:
    enum class Kind { kNewFile, kRegularFile, kWriteThrough, kRefused };

    static SaveTarget Of(const std::string& path);

    SaveTarget(SaveTarget&& other) noexcept;
    SaveTarget& operator=(SaveTarget&&) = delete;
    SaveTarget(const SaveTarget&) = delete;
    SaveTarget& operator=(const SaveTarget&) = delete;
    ~SaveTarget();

    Kind GetKind() const { return kind_; }
    const std::string& FileFolder() const { return folder_; }
    const std::string& FileName() const { return name_; }
    const struct stat& Status() const { return status_; }
    // The open, blocking descriptor of a kWriteThrough target; the caller
    // closes it.
    int TakeDescriptor();
    const std::string& Reason() const { return reason_; }

    // `name` inside `folder`, without a doubled slash under "/".
    static std::string PathIn(const std::string& folder, const std::string& name);

private:
    SaveTarget() = default;
    static SaveTarget Refused(int errorNumber);
    static SaveTarget Refused(std::string reason);
    static SaveTarget InFile(Kind kind, const std::string& path);
    static SaveTarget NotOpened(const std::string& path, int openError);
    static SaveTarget Opened(const std::string& path, int fd);

    Kind kind_ = Kind::kRefused;
    std::string folder_;
    std::string name_;
    struct stat status_ {};
    int fd_ = -1;
    std::string reason_;
};
