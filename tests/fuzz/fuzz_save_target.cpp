// Where a save goes, over a small tree of symbolic links the input draws.
// Each line but the last is "X:text", a link named X (a-e) whose text may be
// relative, absolute inside the sandbox (a leading '/'), dangling, a loop or
// a chain through the folder "d"; the last line is the path to save to.
// Whatever the links, the answer comes at once and is true of the tree: a
// new file's name does not exist yet, a regular file is
// the file at the named place, and a name is never empty, "." or "..".
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "save/SaveTarget.h"

namespace {

constexpr std::string_view kLinkNames = "abcde";
// The sandbox sits this deep in its own temporary folder, and texts with
// more ".." than this are skipped, so no path leaves the temporary folder.
constexpr int kSandboxDepth = 3;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

char sandboxRoot[] = "/tmp/fuzz-save-XXXXXX";

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

void RemoveSandbox() {
    nftw(sandboxRoot, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

const std::string& Sandbox() {
    static const std::string sandbox = [] {
        Require(mkdtemp(sandboxRoot) != nullptr);
        std::atexit(RemoveSandbox);
        std::string path = sandboxRoot;
        for (int level = 0; level < kSandboxDepth; ++level) {
            path += "/s";
            Require(mkdir(path.c_str(), 0700) == 0);
        }
        Require(mkdir((path + "/d").c_str(), 0700) == 0);
        const int fd = open((path + "/f").c_str(), O_WRONLY | O_CREAT, 0600);
        Require(fd >= 0 && close(fd) == 0);
        Require(mkfifo((path + "/p").c_str(), 0600) == 0);
        return path;
    }();
    return sandbox;
}

// A link's text: absolute ones are moved into the sandbox, relative ones
// start from the link's folder as they are.
std::string LinkText(std::string_view text) {
    if (!text.empty() && text.front() == '/') {
        return Sandbox() + std::string(text);
    }
    return std::string(text);
}

// A path of the input, from the sandbox.
std::string InSandbox(std::string_view path) {
    return Sandbox() + "/" + std::string(path);
}

bool StaysInside(std::string_view text) {
    int ups = 0;
    for (std::size_t at = text.find(".."); at != std::string_view::npos;
         at = text.find("..", at + 1)) {
        ++ups;
    }
    return ups <= kSandboxDepth && text.find('\0') == std::string_view::npos;
}

std::vector<std::string_view> Lines(std::string_view input) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void RemoveLinks() {
    for (const char name : kLinkNames) {
        const std::string link(1, name);
        unlink(InSandbox(link).c_str());
        unlink(InSandbox("d/" + link).c_str());
    }
}

void CheckAnswer(const SaveTarget& target) {
    if (target.GetKind() == SaveTarget::Kind::kRefused) {
        Require(!target.Reason().empty());
        return;
    }
    if (target.GetKind() == SaveTarget::Kind::kWriteThrough) {
        return;
    }
    const std::string& name = target.FileName();
    Require(!name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos);
    struct stat file {};
    const int found = lstat(SaveTarget::PathIn(target.FileFolder(), name).c_str(), &file);
    if (target.GetKind() == SaveTarget::Kind::kNewFile) {
        // A missing folder is left for the save to report.
        Require(found != 0 && (errno == ENOENT || errno == ENOTDIR));
    } else {
        Require(found == 0 && S_ISREG(file.st_mode) && file.st_ino == target.Status().st_ino &&
                file.st_dev == target.Status().st_dev);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sandbox();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!StaysInside(input)) {
        return 0;
    }
    const std::vector<std::string_view> lines = Lines(input);
    RemoveLinks();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const bool inFolder = line.size() > 2 && line.substr(0, 2) == "d/";
        const std::string_view rest = inFolder ? line.substr(2) : line;
        if (rest.size() < 2 || rest[1] != ':' ||
            kLinkNames.find(rest[0]) == std::string_view::npos) {
            continue;
        }
        const std::string link = (inFolder ? "d/" : "") + std::string(1, rest[0]);
        symlink(LinkText(rest.substr(2)).c_str(), InSandbox(link).c_str());
    }
    SaveTarget target = SaveTarget::Of(InSandbox(lines.back()));
    CheckAnswer(target);
    if (target.GetKind() == SaveTarget::Kind::kWriteThrough) {
        close(target.TakeDescriptor());
    }
    return 0;
}
