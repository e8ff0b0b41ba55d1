#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

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
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
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
    EXPECT_EQ(Names(), std::set<std::string>{"run.csv"});
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

TEST_F(AtomicFileTest, ReadOnlyFolderIsReported) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write into a read-only folder";
    }
    Put(target_, kOldText);
    ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
    AtomicFile file(target_);
    EXPECT_FALSE(file.Write("x\n"));
    EXPECT_EQ(file.Error(), "Cannot write \"" + target_ + "\": Permission denied");
    EXPECT_EQ(Contents(target_), kOldText);
}

}  // namespace
