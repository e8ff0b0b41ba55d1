// zorvane's command line: what it reads, and the program's answers that come
// before any window (help, version, usage errors), run as a separate program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/WindowOptions.h"
#include "res/Version.h"
#include "support/ProgramRun.h"

namespace {

namespace fs = std::filesystem;

struct ParseCase {
    std::vector<std::string> args;
    std::string resource;
    std::string error;
};

// Qt's options keep working with their values; ours are read, anything else
// is refused with one line.
TEST(WindowOptionsTest, ReadsItsOwnOptionsAndLeavesQtItsOwn) {
    const std::string tcpip = "TCPIP0::bench::inst0::INSTR";
    for (const ParseCase& c : std::vector<ParseCase>{
             {{}, "", ""},
             {{"--resource", tcpip}, tcpip, ""},
             {{"--resource=" + tcpip}, tcpip, ""},
             {{"-platform", "offscreen", "--resource", tcpip, "-reverse"}, tcpip, ""},
             {{"-style=fusion", "--style", "fusion", "-geometry", "--resource"}, "", ""},
             {{"--resource"}, "", "--resource needs a resource name"},
             {{"--resource="}, "", "the resource name is empty"},
             {{"--resource", ""}, "", "the resource name is empty"},
             {{"-platform"}, "", "-platform needs a value"},
             {{"--bogus"}, "", "unknown option \"--bogus\""},
             {{"-x"}, "", "unknown option \"-x\""},
             {{"meter.csv"}, "", "unexpected argument \"meter.csv\""},
         }) {
        const WindowOptions options = WindowOptions::Parse(c.args);
        const std::string shown = c.args.empty() ? "(none)" : c.args.front();
        EXPECT_EQ(options.error, c.error) << shown;
        if (c.error.empty()) {
            EXPECT_EQ(options.resource, c.resource) << shown;
        }
    }
}

struct ProgramCase {
    std::vector<std::string> args;
    int status;
    std::string outStart;  // the start of standard output
    std::string err;       // standard error, whole
};

class WindowProgramTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "window_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string folder_;
};

// None of these opens a window, so none needs a display: the one named here
// does not exist.
TEST_F(WindowProgramTest, AnswersBeforeAnyWindow) {
    setenv("DISPLAY", ":999", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string seeHelp = " (see zorvane --help)\n";
    for (const ProgramCase& c : std::vector<ProgramCase>{
             {{"--help"}, 0, "Usage: zorvane [--resource NAME]", ""},
             {{"--version"}, 0, "zorvane " ZORVANE_VERSION "\n", ""},
             {{"--bogus"}, 2, "", "zorvane: unknown option \"--bogus\"" + seeHelp},
         }) {
        const ProgramRun::Finished run = ProgramRun::Run(ZORVANE_PATH, nullptr, c.args, folder_);
        EXPECT_EQ(run.status, c.status) << c.args.front() << run.err;
        EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << run.out;
        EXPECT_EQ(run.err, c.err);
    }
}

}  // namespace
