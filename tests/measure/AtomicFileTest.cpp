#include "save/AtomicFile.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "save/InterruptCleanup.h"

namespace {

namespace fs = std::filesystem;

const std::string kOldText = "# old run\nindex,value\n0,1.000000\n1,1.000001\n2,1.000002\n";

class AtomicFileTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "atomic_file_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        target_ = (fs::path(folder_) / "run.csv").string();
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }

    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // Every name under the folder, subfolders included, relative to it.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            names.insert(entry.path().lexically_relative(folder_).string());
        }
        return names;
    }
    // Each name with the kind of file it is, links not followed.
    std::map<std::string, fs::file_type> Kinds() const {
        std::map<std::string, fs::file_type> kinds;
        for (const std::string& name : Names()) {
            kinds[name] = fs::symlink_status(fs::path(folder_) / name).type();
        }
        return kinds;
    }

    std::string folder_;
    std::string target_;
};

TEST_F(AtomicFileTest, CreatesANewFile) {
    AtomicFile file(target_);
    ASSERT_TRUE(file.Write("index,value\n")) << file.Error();
    EXPECT_EQ(Contents(target_), "index,value\n");
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
    EXPECT_EQ(file.Error(), "");
}

TEST_F(AtomicFileTest, ReplacesALongerFileCompletelyAndKeepsItsMode) {
    Put(target_, kOldText + kOldText);
    ASSERT_EQ(chmod(target_.c_str(), 0640), 0);
    AtomicFile file(target_);
    ASSERT_TRUE(file.Write("short\n")) << file.Error();
    EXPECT_EQ(Contents(target_), "short\n");
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
    struct stat status {};
    ASSERT_EQ(stat(target_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(AtomicFileTest, WritesAnEmptyText) {
    Put(target_, kOldText);
    AtomicFile file(target_);
    ASSERT_TRUE(file.Write("")) << file.Error();
    EXPECT_EQ(Contents(target_), "");
}

TEST_F(AtomicFileTest, BareFileNameIsWrittenInTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(folder_);
    AtomicFile file("run.csv");
    const bool written = file.Write("here\n");
    fs::current_path(before);
    ASSERT_TRUE(written) << file.Error();
    EXPECT_EQ(Contents(target_), "here\n");
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
}

// Short writes and interrupted calls must still put every byte down, in order.
TEST_F(AtomicFileTest, CompletesShortAndInterruptedWrites) {
    AtomicFile::Calls calls = AtomicFile::SystemCalls();
    int call = 0;
    calls.write = [&call](int fd, const void* data, std::size_t size) -> ssize_t {
        if (++call % 3 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, std::min<std::size_t>(size, 7));
    };
    std::string text;
    for (int k = 0; k < 200; ++k) {
        text += std::to_string(k) + ",1.500000\n";
    }
    AtomicFile file(target_, calls);
    ASSERT_TRUE(file.Write(text)) << file.Error();
    EXPECT_EQ(Contents(target_), text);
}

// Every way the write can fail after the temporary exists. The old file must
// stay as it was, the temporary must go, and the error must name the file
// and the reason.
struct FailureCase {
    const char* name;
    const char* failingCall;  // "write", "fsync", "close" or "rename"
    int errorNumber;
    const char* reason;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicFileFailureTest : public AtomicFileTest,
                              public testing::WithParamInterface<FailureCase> {
protected:
    AtomicFile::Calls FailingCalls() {
        const std::string which = GetParam().failingCall;
        const int errorNumber = GetParam().errorNumber;
        auto fail = [errorNumber](auto...) {
            errno = errorNumber;
            return -1;
        };
        AtomicFile::Calls calls = AtomicFile::SystemCalls();
        if (which == "write") {
            calls.write = fail;
        } else if (which == "fsync") {
            calls.fsync = fail;
        } else if (which == "close") {
            // A failing close still releases the descriptor, as on Linux.
            calls.close = [fail](int fd) {
                ::close(fd);
                return fail();
            };
        } else {
            calls.rename = fail;
        }
        return calls;
    }
};

TEST_P(AtomicFileFailureTest, LeavesTheOldFileAndNoTemporary) {
    Put(target_, kOldText);
    AtomicFile file(target_, FailingCalls());
    EXPECT_FALSE(file.Write("new readings\n"));
    EXPECT_EQ(Contents(target_), kOldText);
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
    EXPECT_EQ(file.Error(), "Cannot write \"" + target_ + "\": " + GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicFileFailureTest,
    testing::Values(FailureCase{"disk_full", "write", ENOSPC, "No space left on device"},
                    FailureCase{"write_io", "write", EIO, "Input/output error"},
                    FailureCase{"fsync_io", "fsync", EIO, "Input/output error"},
                    FailureCase{"close_quota", "close", EDQUOT, "Disk quota exceeded"},
                    FailureCase{"rename_cross_device", "rename", EXDEV,
                                "Invalid cross-device link"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// The kernel's own "disk full": every write lands on /dev/full.
TEST_F(AtomicFileTest, WriteToAFullDeviceIsReported) {
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) {
        GTEST_SKIP() << "no /dev/full here";
    }
    Put(target_, kOldText);
    AtomicFile::Calls calls = AtomicFile::SystemCalls();
    calls.write = [full](int, const void* data, std::size_t size) {
        return ::write(full, data, size);
    };
    AtomicFile file(target_, calls);
    EXPECT_FALSE(file.Write("new readings\n"));
    close(full);
    EXPECT_EQ(Contents(target_), kOldText);
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
    EXPECT_NE(file.Error().find("No space left on device"), std::string::npos) << file.Error();
}

TEST_F(AtomicFileTest, MissingFolderIsReported) {
    const std::string path = folder_ + "/no such folder/run.csv";
    AtomicFile file(path);
    EXPECT_FALSE(file.Write("x\n"));
    EXPECT_EQ(file.Error(), "Cannot write \"" + path + "\": No such file or directory");
    EXPECT_TRUE(Names().empty());
}

TEST_F(AtomicFileTest, FolderAsTargetIsLeftAlone) {
    fs::create_directory(target_);
    Put(target_ + "/inside", "kept");
    AtomicFile file(target_);
    EXPECT_FALSE(file.Write("x\n"));
    EXPECT_EQ(Contents(target_ + "/inside"), "kept");
    EXPECT_EQ(Names(), (std::set<std::string>{"run.csv", "run.csv/inside"}));
    EXPECT_NE(file.Error().find(target_), std::string::npos);
}

TEST_F(AtomicFileTest, PathWithoutAFileNameIsRefused) {
    for (const std::string& path : {std::string(), folder_ + "/"}) {
        AtomicFile file(path);
        EXPECT_FALSE(file.Write("x\n")) << path;
        EXPECT_EQ(file.Error().rfind("Cannot write \"" + path + "\": ", 0), 0u) << file.Error();
    }
    EXPECT_TRUE(Names().empty());
}

TEST_F(AtomicFileTest, LongFileNameStillGetsATemporary) {
    const std::string path = folder_ + "/" + std::string(250, 'n');
    AtomicFile file(path);
    ASSERT_TRUE(file.Write("x\n")) << file.Error();
    EXPECT_EQ(Contents(path), "x\n");
    EXPECT_EQ(Names().size(), 1u);
}

// Root may give the file away entirely; anyone else keeps a group they are in.
TEST_F(AtomicFileTest, KeepsOwnerAndGroup) {
    constexpr uid_t kNobody = 65534;
    Put(target_, kOldText);
    uid_t owner = geteuid();
    gid_t group = getegid();
    if (owner == 0) {
        owner = kNobody;
        group = kNobody;
    } else {
        gid_t groups[64];
        const int count = getgroups(64, groups);
        const auto other = std::find_if(groups, groups + std::max(count, 0),
                                        [](gid_t g) { return g != getegid(); });
        if (other == groups + std::max(count, 0)) {
            GTEST_SKIP() << "the user is in one group only, so no group can be kept";
        }
        group = *other;
    }
    ASSERT_EQ(chown(target_.c_str(), owner, group), 0);
    ASSERT_EQ(chmod(target_.c_str(), 0604), 0);
    AtomicFile file(target_);
    ASSERT_TRUE(file.Write("new\n")) << file.Error();
    struct stat status {};
    ASSERT_EQ(stat(target_.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, owner);
    EXPECT_EQ(status.st_gid, group);
    EXPECT_EQ(status.st_mode & 07777, 0604u);
}

// The name saved to gets the new readings; the file's other names keep the
// old ones rather than risk a half-written file under every name.
TEST_F(AtomicFileTest, HardLinkedFileIsReplacedUnderItsNameOnly) {
    const std::string other = folder_ + "/other.csv";
    Put(target_, kOldText);
    ASSERT_EQ(link(target_.c_str(), other.c_str()), 0);
    AtomicFile file(target_);
    ASSERT_TRUE(file.Write("new\n")) << file.Error();
    EXPECT_EQ(Contents(target_), "new\n");
    EXPECT_EQ(Contents(other), kOldText);
    EXPECT_EQ(Names(), (std::set<std::string>{"run.csv", "other.csv"}));
}

// A save the mode bits forbid is refused as a redirect would refuse it,
// even where a rename over the file would work. Mode bits do not bind root,
// so as root the save runs as "nobody", who then owns the folder and file.
struct PermissionCase {
    const char* name;
    mode_t fileMode;
    mode_t folderMode;
};

void PrintTo(const PermissionCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicFilePermissionTest : public AtomicFileTest,
                                 public testing::WithParamInterface<PermissionCase> {
protected:
    // The error of a save in a child process bound by mode bits, or
    // "written" when the save went through.
    std::string ErrorOfBoundSave() {
        constexpr uid_t kNobody = 65534;
        const bool asRoot = geteuid() == 0;
        if (asRoot && (chown(folder_.c_str(), kNobody, kNobody) != 0 ||
                       chown(target_.c_str(), kNobody, kNobody) != 0)) {
            return "cannot hand the files to nobody";
        }
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            return "no pipe";
        }
        const pid_t child = fork();
        if (child == 0) {
            if (asRoot &&
                (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
                _exit(2);
            }
            AtomicFile file(target_);
            const std::string error = file.Write("new\n") ? "written" : file.Error();
            _exit(write(pipeFds[1], error.data(), error.size()) < 0 ? 1 : 0);
        }
        close(pipeFds[1]);
        std::string error;
        char buffer[256];
        for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
            error.append(buffer, static_cast<std::size_t>(got));
        }
        close(pipeFds[0]);
        waitpid(child, nullptr, 0);
        return error;
    }
};

TEST_P(AtomicFilePermissionTest, IsRefusedAndLeavesTheFile) {
    Put(target_, kOldText);
    ASSERT_EQ(chmod(target_.c_str(), GetParam().fileMode), 0);
    ASSERT_EQ(chmod(folder_.c_str(), GetParam().folderMode), 0);
    EXPECT_EQ(ErrorOfBoundSave(), "Cannot write \"" + target_ + "\": Permission denied");
    EXPECT_EQ(Contents(target_), kOldText);
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
}

INSTANTIATE_TEST_SUITE_P(Modes, AtomicFilePermissionTest,
                         testing::Values(PermissionCase{"read_only_file", 0444, 0700},
                                         PermissionCase{"read_only_folder", 0644, 0555}),
                         [](const testing::TestParamInfo<PermissionCase>& info) {
                             return info.param.name;
                         });

// Links are followed to the file they lead to, which is replaced in its own
// folder; the links stay as they were. "@" stands for the test's folder.
struct LinkCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link name, text
    std::string file;                                        // where the readings land
    bool fileExists;
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicFileLinkTest : public AtomicFileTest, public testing::WithParamInterface<LinkCase> {
protected:
    std::string InFolder(std::string text) const {
        return text.front() == '@' ? folder_ + text.substr(1) : text;
    }
};

TEST_P(AtomicFileLinkTest, ReplacesTheFileTheLinkLeadsTo) {
    const LinkCase& c = GetParam();
    fs::create_directory(folder_ + "/sub");
    for (const auto& [name, text] : c.links) {
        fs::create_symlink(InFolder(text), folder_ + "/" + name);
    }
    if (c.fileExists) {
        Put(folder_ + "/" + c.file, kOldText);
        ASSERT_EQ(chmod((folder_ + "/" + c.file).c_str(), 0600), 0);
    }
    std::map<std::string, fs::file_type> kinds = Kinds();
    kinds[c.file] = fs::file_type::regular;

    AtomicFile file(target_);
    ASSERT_TRUE(file.Write("new\n")) << file.Error();
    EXPECT_EQ(Contents(folder_ + "/" + c.file), "new\n");
    EXPECT_EQ(Kinds(), kinds);
    for (const auto& [name, text] : c.links) {
        EXPECT_EQ(fs::read_symlink(folder_ + "/" + name), InFolder(text)) << name;
    }
    if (c.fileExists) {
        EXPECT_EQ(fs::status(folder_ + "/" + c.file).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AtomicFileLinkTest,
    testing::Values(LinkCase{"absolute", {{"run.csv", "@/sub/data.csv"}}, "sub/data.csv", true},
                    LinkCase{"relative", {{"run.csv", "sub/data.csv"}}, "sub/data.csv", true},
                    // The second link's text starts from its own folder, sub.
                    LinkCase{"chain",
                             {{"run.csv", "sub/hop"}, {"sub/hop", "../sub/./data.csv"}},
                             "sub/data.csv",
                             true},
                    LinkCase{"dangling",
                             {{"run.csv", "sub/hop"}, {"sub/hop", "new.csv"}},
                             "sub/new.csv",
                             false}),
    [](const testing::TestParamInfo<LinkCase>& info) { return info.param.name; });

// Targets a save cannot go to: each is refused with a reason and left exactly
// as it was, with no temporary beside it.
struct RefusedCase {
    const char* name;
    std::function<void(const std::string& target)> make;
    const char* reason;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicFileRefusedTest : public AtomicFileTest,
                              public testing::WithParamInterface<RefusedCase> {};

TEST_P(AtomicFileRefusedTest, LeavesTheTargetAsItWas) {
    GetParam().make(target_);
    const std::map<std::string, fs::file_type> kinds = Kinds();
    AtomicFile file(target_);
    EXPECT_FALSE(file.Write("new\n"));
    EXPECT_EQ(file.Error(), "Cannot write \"" + target_ + "\": " + GetParam().reason);
    EXPECT_EQ(Kinds(), kinds);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AtomicFileRefusedTest,
    testing::Values(
        RefusedCase{"link_loop",
                    [](const std::string& target) {
                        fs::create_symlink("loop", target);
                        fs::create_symlink(fs::path(target).filename(),
                                           fs::path(target).parent_path() / "loop");
                    },
                    "Too many levels of symbolic links"},
        RefusedCase{"fifo_without_reader",
                    [](const std::string& target) { ASSERT_EQ(mkfifo(target.c_str(), 0600), 0); },
                    "The FIFO has no reader"},
        RefusedCase{"socket",
                    [](const std::string& target) {
                        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
                        sockaddr_un address{};
                        address.sun_family = AF_UNIX;
                        ASSERT_LT(target.size(), sizeof address.sun_path);
                        target.copy(address.sun_path, target.size());
                        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address),
                                  0);
                        close(fd);
                    },
                    "A socket cannot be opened as a file"},
        RefusedCase{"link_to_folder",
                    [](const std::string& target) { fs::create_directory_symlink("/", target); },
                    "Is a directory"},
        RefusedCase{"link_through_a_file",
                    [](const std::string& target) {
                        std::ofstream(target + ".data") << kOldText;
                        fs::create_symlink(fs::path(target).filename().string() + ".data/x",
                                           target);
                    },
                    "Not a directory"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

// A device is written to, never replaced. Through a link this needs no
// privilege; a device node of its own needs root to make.
struct DeviceCase {
    const char* name;
    bool node;             // a node made in the test folder rather than a link to /dev
    unsigned memoryMinor;  // of the memory devices, major 1: 3 null, 7 full
    const char* reason;    // empty when the write succeeds
};

void PrintTo(const DeviceCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicFileDeviceTest : public AtomicFileTest,
                             public testing::WithParamInterface<DeviceCase> {};

TEST_P(AtomicFileDeviceTest, IsWrittenStraightThrough) {
    const DeviceCase& c = GetParam();
    const std::string device = c.memoryMinor == 3 ? "/dev/null" : "/dev/full";
    if (c.node) {
        if (geteuid() != 0) {
            GTEST_SKIP() << "making a device node needs root; the link cases cover non-root";
        }
        ASSERT_EQ(mknod(target_.c_str(), S_IFCHR | 0666, makedev(1, c.memoryMinor)), 0);
    } else {
        fs::create_symlink(device, target_);
    }
    const std::map<std::string, fs::file_type> kinds = Kinds();
    AtomicFile file(target_);
    const bool written = file.Write("new\n");
    EXPECT_EQ(written, std::string(c.reason).empty());
    EXPECT_EQ(file.Error(), written ? "" : "Cannot write \"" + target_ + "\": " + c.reason);
    EXPECT_EQ(Kinds(), kinds);
    struct stat status {};
    ASSERT_EQ(stat(target_.c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(status.st_rdev, makedev(1, c.memoryMinor));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, AtomicFileDeviceTest,
    testing::Values(DeviceCase{"null_through_link", false, 3, ""},
                    DeviceCase{"full_through_link", false, 7, "No space left on device"},
                    DeviceCase{"null_node", true, 3, ""},
                    DeviceCase{"full_node", true, 7, "No space left on device"}),
    [](const testing::TestParamInfo<DeviceCase>& info) { return info.param.name; });

TEST_F(AtomicFileTest, FifoWithAReaderGetsTheText) {
    ASSERT_EQ(mkfifo(target_.c_str(), 0600), 0);
    const int reader = open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    AtomicFile file(target_);
    ASSERT_TRUE(file.Write(kOldText)) << file.Error();
    std::string received(kOldText.size() + 1, '\0');
    EXPECT_EQ(read(reader, received.data(), received.size()),
              static_cast<ssize_t>(kOldText.size()));
    close(reader);
    EXPECT_EQ(received.substr(0, kOldText.size()), kOldText);
    EXPECT_EQ(Kinds(), (std::map<std::string, fs::file_type>{{"run.csv", fs::file_type::fifo}}));
}

// A reader that goes away mid-save is a write error, not SIGPIPE ending the
// program: this test would not finish otherwise.
TEST_F(AtomicFileTest, FifoReaderLeavingIsAWriteError) {
    ASSERT_EQ(mkfifo(target_.c_str(), 0600), 0);
    int reader = open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    AtomicFile::Calls calls = AtomicFile::SystemCalls();
    calls.write = [&reader](int fd, const void* data, std::size_t size) {
        close(std::exchange(reader, -1));
        return ::write(fd, data, size);
    };
    AtomicFile file(target_, calls);
    EXPECT_FALSE(file.Write("new\n"));
    EXPECT_EQ(file.Error(), "Cannot write \"" + target_ + "\": Broken pipe");
}

// A save ended by a signal while it writes or syncs: the child is stopped in
// that step, then signalled. The temporary must go and the old file stay.
struct InterruptCase {
    const char* name;
    const char* heldCall;  // "write" or "fsync"
    int signal;
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicFileInterruptTest : public AtomicFileTest,
                                public testing::WithParamInterface<InterruptCase> {
protected:
    // Runs a save in a child that reports on `ready` once it is held in the
    // step, with part of the text written, and then waits to be signalled.
    [[noreturn]] void SaveAndHold(int ready) {
        InterruptCleanup::Install();
        auto hold = [ready] {
            if (::write(ready, "h", 1) == 1) {
                for (;;) {
                    pause();
                }
            }
            _exit(2);
        };
        AtomicFile::Calls calls = AtomicFile::SystemCalls();
        if (std::string(GetParam().heldCall) == "write") {
            calls.write = [hold](int fd, const void* data, std::size_t size) {
                if (::write(fd, data, size / 2) > 0) {
                    hold();
                }
                return ssize_t{-1};
            };
        } else {
            calls.fsync = [hold](int) {
                hold();
                return -1;
            };
        }
        AtomicFile(target_, calls).Write(kOldText + "new readings\n");
        _exit(3);
    }
};

TEST_P(AtomicFileInterruptTest, LeavesNoTemporaryAndTheOldFile) {
    Put(target_, kOldText);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        SaveAndHold(ready[1]);
    }
    close(ready[1]);
    char held = 0;
    const bool isHeld = read(ready[0], &held, 1) == 1;
    close(ready[0]);
    if (isHeld) {
        EXPECT_EQ(Names().size(), 2u) << "the temporary exists while the save is held";
        kill(child, GetParam().signal);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(isHeld);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam().signal) << status;
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
    EXPECT_EQ(Contents(target_), kOldText);
}

INSTANTIATE_TEST_SUITE_P(Steps, AtomicFileInterruptTest,
                         testing::Values(InterruptCase{"write_sigint", "write", SIGINT},
                                         InterruptCase{"write_sigterm", "write", SIGTERM},
                                         InterruptCase{"fsync_sigterm", "fsync", SIGTERM},
                                         InterruptCase{"fsync_sighup", "fsync", SIGHUP}),
                         [](const testing::TestParamInfo<InterruptCase>& info) {
                             return info.param.name;
                         });

// nohup and background jobs ignore some signals; the cleanup keeps it so.
TEST_F(AtomicFileTest, IgnoredSignalStaysIgnored) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGTERM, SIG_IGN);
        InterruptCleanup::Install();
        raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
