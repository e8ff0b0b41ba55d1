// zorvane-burst run as a separate program on the simulated meter of our VISA
// library, the way a script would run it.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ConsoleReport.h"
#include "run/MeasurementRun.h"
#include "run/RunRecord.h"
#include "support/NetworkNamespace.h"
#include "support/ProgramRun.h"
#include "support/RunTexts.h"
#include "support/ShareServerProcess.h"

namespace {

namespace fs = std::filesystem;

using RunTexts::kFunctionMessage;

using Finished = ProgramRun::Finished;
std::string Contents(const std::string& path) {
    return ProgramRun::Contents(path);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class BurstProgramTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "burst_test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        fs::remove_all(folder_);
        unsetenv("ZVISA_SIM");
    }

    // Runs zorvane-burst as ProgramRun::Run does, in the test's folder.
    Finished Run(const char* simulation, const std::vector<std::string>& args,
                 std::string outPath = "") {
        Finished finished =
            ProgramRun::Run(ZORVANE_BURST_PATH, simulation, args, folder_, std::move(outPath));
        EXPECT_NE(finished.status, -1) << "could not run " << ZORVANE_BURST_PATH;
        return finished;
    }

    std::string folder_;
};

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "%f" of a finite value: optional sign, digits, point, six decimals.
bool IsValueText(std::string_view text) {
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    return point != std::string_view::npos && AllDigits(text.substr(0, point)) &&
           text.size() - point == 7 && AllDigits(text.substr(point + 1));
}

// `shape` with each '9' standing for any one digit.
bool HasShape(std::string_view text, std::string_view shape) {
    if (text.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == '9' ? !digit : text[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

bool IsRunComment(const std::string& line) {
    const std::string total = "; Total time of measurement : ";
    const std::size_t at = line.find(total);
    if (at == std::string::npos) {
        return false;
    }
    const std::string_view ms = std::string_view(line).substr(at + total.size());
    return HasShape(line.substr(0, at), "# ZORVANE SIM,DMM-SIM,SIM0001,1.0; 9999-99-99 99:99:99") &&
           ms.size() > 3 && ms.substr(ms.size() - 3) == " ms" &&
           AllDigits(ms.substr(0, ms.size() - 3));
}

// The CSV of a run on the simulated meter: the run's comment line and the
// message as a note when there is one, the column line, then `rows` rows
// numbered from 0 with "%f" values.
void ExpectCsv(const std::string& text, std::size_t rows, const std::string& message = "") {
    const std::vector<std::string> lines = Lines(text);
    const std::size_t notes = message.empty() ? 0 : 1;
    ASSERT_EQ(lines.size(), 1 + notes + 1 + rows);
    EXPECT_TRUE(IsRunComment(lines[0])) << lines[0];
    if (notes > 0) {
        EXPECT_EQ(lines[1], "# " + message);
    }
    EXPECT_EQ(lines[1 + notes], "index,value");
    for (std::size_t k = 0; k < rows; ++k) {
        const std::string& line = lines[2 + notes + k];
        const std::string prefix = std::to_string(k) + ",";
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        ASSERT_TRUE(IsValueText(line.substr(prefix.size()))) << line;
    }
    EXPECT_EQ(text.back(), '\n');
}

struct ProfileCase {
    const char* name;
    const char* simulation;  // null: ZVISA_SIM unset
    int status;
    bool writesCsv;       // on standard output
    std::size_t rows;     // CSV rows
    std::string message;  // on standard error; empty when there is none
    std::vector<std::string> args = {};
    std::string out = {};  // standard output when no CSV is written
};

void PrintTo(const ProfileCase& c, std::ostream* os) {
    *os << c.name;
}

class BurstProfileTest : public BurstProgramTest,
                         public testing::WithParamInterface<ProfileCase> {};

// The run's outcome as `c` describes it: exit status, CSV or output, message.
void ExpectOutcome(const ProfileCase& c, const Finished& run) {
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.writesCsv) {
        ExpectCsv(run.out, c.rows, c.message);
        EXPECT_NE(run.err.find("Readings received: " + std::to_string(c.rows) + "\n"),
                  std::string::npos)
            << run.err;
    } else {
        EXPECT_EQ(run.out, c.out);
    }
    if (c.message.empty()) {
        EXPECT_EQ(run.err.find("Only "), std::string::npos) << run.err;
    } else {
        EXPECT_NE(run.err.find(c.message + "\n"), std::string::npos) << run.err;
    }
}

TEST_P(BurstProfileTest, ExitStatusCsvAndMessage) {
    const ProfileCase& c = GetParam();
    ExpectOutcome(c, Run(c.simulation, c.args));
}

// An AC meter found first, then a DC one with the serial the CSV checks expect.
const char* const kTwoMeters =
    "USB0::0x7A5E::0x0C47::A1::INSTR=acv;USB1::0x7A5E::0x0C46::SIM0001::INSTR=dcv,instant";
const char* const kThreeMeters =
    "USB0::0x7A5E::0x0C47::A1::INSTR=dci;USB1::0x7A5E::0x0C46::B2::INSTR=mute,virtual-time;dcv";
const std::string kNoSuchMeter =
    "zorvane-burst: no meter named \"USB0::0x7A5E::0x0C46::X::INSTR\"; "
    "zorvane-burst --list shows the meters found";

INSTANTIATE_TEST_SUITE_P(
    Meters, BurstProfileTest,
    testing::Values(
        ProfileCase{"first_of_two", kTwoMeters, 1, false, 0, kFunctionMessage},
        ProfileCase{"named",
                    kTwoMeters,
                    0,
                    true,
                    50000,
                    "",
                    {"--resource", "USB1::0x7A5E::0x0C46::SIM0001::INSTR"}},
        ProfileCase{"named_in_other_case",
                    kTwoMeters,
                    0,
                    true,
                    50000,
                    "",
                    {"--resource=usb1::0x7a5e::0x0c46::sim0001::instr"}},
        ProfileCase{"named_but_absent",
                    kTwoMeters,
                    5,
                    false,
                    0,
                    kNoSuchMeter,
                    {"--resource", "USB0::0x7A5E::0x0C46::X::INSTR"}},
        ProfileCase{"list",
                    kThreeMeters,
                    0,
                    false,
                    0,
                    "",
                    {"--list"},
                    "USB0::0x7A5E::0x0C47::A1::INSTR\nUSB1::0x7A5E::0x0C46::B2::INSTR\n"
                    "USB0::0x7A5E::0x0C46::SIM0003::INSTR\n"},
        ProfileCase{"list_with_identities",
                    kThreeMeters,
                    0,
                    false,
                    0,
                    "",
                    {"--list", "-v"},
                    "USB0::0x7A5E::0x0C47::A1::INSTR\tZORVANE SIM,DMM-SIM,A1,1.0\n"
                    "USB1::0x7A5E::0x0C46::B2::INSTR\t\n"
                    "USB0::0x7A5E::0x0C46::SIM0003::INSTR\tZORVANE SIM,DMM-SIM,SIM0003,1.0\n"},
        ProfileCase{"list_without_meters", nullptr, 1, false, 0, "", {"--list", "--verbose"}}),
    [](const testing::TestParamInfo<ProfileCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Profiles, BurstProfileTest,
    testing::Values(ProfileCase{"dc_volts", "dcv,instant", 0, true, 50000, ""},
                    ProfileCase{"dc_current", "dci,instant", 0, true, 50000, ""},
                    ProfileCase{"ac_volts", "acv", 1, false, 0, kFunctionMessage},
                    // Both queries wait out the run's 7 s timeout, on virtual time.
                    ProfileCase{"mute", "mute,virtual-time", 1, false, 0, kFunctionMessage},
                    ProfileCase{"no_meter", nullptr, 1, false, 0, RunTexts::kNoMeterMessage},
                    ProfileCase{"truncated_block", "dcv,instant,truncate=1000", 3, true, 248,
                                RunTexts::ShortBlockMessage(248)},
                    ProfileCase{"block_header_only", "dcv,instant,truncate=8", 3, true, 0,
                                RunTexts::ShortBlockMessage(0)}),
    [](const testing::TestParamInfo<ProfileCase>& info) { return info.param.name; });

// The meters a zorvane-share on loopback serves, inst0 and inst1; the program
// itself sees none but through the server.
const char* const kServedMeters =
    "USB0::0x7A5E::0x0C46::SIM0001::INSTR=dcv,instant;USB0::0x7A5E::0x0C46::SIM0002::INSTR=acv";

class BurstRemoteTest : public BurstProfileTest {
protected:
    void SetUp() override {
        BurstProfileTest::SetUp();
        SKIP_WITHOUT_NETWORK_NAMESPACE();
        server_ = std::make_unique<ShareServerProcess>(ZORVANE_SHARE_PATH, kServedMeters);
        ASSERT_TRUE(server_->IsListening()) << "zorvane-share did not start";
    }
    void TearDown() override {
        server_.reset();
        BurstProfileTest::TearDown();
    }

    std::unique_ptr<ShareServerProcess> server_;
};

TEST_P(BurstRemoteTest, ExitStatusCsvAndMessage) {
    const ProfileCase& c = GetParam();
    ExpectOutcome(c, Run(c.simulation, c.args));
}

INSTANTIATE_TEST_SUITE_P(
    SharedMeters, BurstRemoteTest,
    testing::Values(ProfileCase{"dc_volts",
                                nullptr,
                                0,
                                true,
                                50000,
                                "",
                                {"--resource", "TCPIP0::127.0.0.1::inst0::INSTR"}},
                    ProfileCase{"default_device_any_case",
                                nullptr,
                                0,
                                true,
                                50000,
                                "",
                                {"--resource=tcpip::127.0.0.1::instr"}},
                    ProfileCase{
                        "ac_volts_by_gateway_name",
                        nullptr,
                        1,
                        false,
                        0,
                        kFunctionMessage,
                        {"--resource", "TCPIP0::127.0.0.1::usb0[31326::3142::SIM0002::0]::INSTR"}},
                    ProfileCase{"unknown_device",
                                nullptr,
                                1,
                                false,
                                0,
                                "Open instrument failed.",
                                {"--resource", "TCPIP0::127.0.0.1::inst9::INSTR"}},
                    ProfileCase{"no_server_on_the_host",
                                nullptr,
                                1,
                                false,
                                0,
                                "Open instrument failed.",
                                {"--resource", "TCPIP0::127.0.0.2::inst0::INSTR"}}),
    [](const testing::TestParamInfo<ProfileCase>& info) { return info.param.name; });

// The rows are the texts the run shows a window, not a second rendering.
TEST_F(BurstProgramTest, RowsAreWhatTheRunShows) {
    setenv("ZVISA_SIM", "dcv,instant", 1);
    ConsoleReport report(ConsoleReport::Settings{});
    RunRecord record;
    RunMeasurement(report, record);
    ASSERT_EQ(record.RunOutcome(), RunRecord::Outcome::kComplete);

    const Finished run = Run("dcv,instant", {});
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), record.ReadingCount() + 2);
    for (std::size_t k = 0; k < record.ReadingCount(); ++k) {
        ASSERT_EQ(lines[k + 2], record.IndexText(k) + "," + record.ValueText(k));
    }
}

TEST_F(BurstProgramTest, ProgressIsNotOneLinePerReading) {
    const Finished run = Run("dcv,instant", {});
    std::size_t progressLines = 0;
    for (const std::string& line : Lines(run.err)) {
        progressLines += line.rfind("Readings received: ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(progressLines, 10u);
}

TEST_F(BurstProgramTest, OutputFileReplacesTheOldOne) {
    const std::string path = folder_ + "/run.csv";
    std::ofstream(path) << "old contents that are longer than nothing\n";
    const Finished run = Run("dci,instant", {"-o", path});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    ExpectCsv(Contents(path), 50000);

    const std::string other = folder_ + "/other.csv";
    EXPECT_EQ(Run("dcv,instant", {"--output=" + other, "-q"}).status, 0);
    EXPECT_EQ(Lines(Contents(other)).size(), 50002u);
}

TEST_F(BurstProgramTest, DashMeansStandardOutput) {
    const Finished run = Run("dcv,instant", {"-o", "-"});
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectCsv(run.out, 50000);
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(BurstProgramTest, OutputThroughALinkReplacesTheFileItLeadsTo) {
    fs::create_directory(folder_ + "/data");
    std::ofstream(folder_ + "/data/run.csv") << "old\n";
    const std::string link = folder_ + "/latest.csv";
    fs::create_symlink("data/run.csv", link);
    const Finished run = Run("dcv,instant", {"-o", link});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::read_symlink(link), "data/run.csv");
    ExpectCsv(Contents(folder_ + "/data/run.csv"), 50000);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ + "/data"), fs::directory_iterator()),
              1);
}

TEST_F(BurstProgramTest, StoppedRunLeavesTheOutputFileAlone) {
    const std::string path = folder_ + "/run.csv";
    std::ofstream(path) << "kept\n";
    EXPECT_EQ(Run("acv", {"-o", path}).status, 1);
    EXPECT_EQ(Contents(path), "kept\n");
}

TEST_F(BurstProgramTest, WriteErrorsAreReported) {
    const std::string path = folder_ + "/missing/run.csv";
    const Finished toFile = Run("dcv,instant", {"-o", path});
    EXPECT_EQ(toFile.status, 4);
    EXPECT_NE(toFile.err.find("Cannot write \"" + path + "\": No such file or directory"),
              std::string::npos)
        << toFile.err;

    const Finished toFullDevice = Run("dcv,instant", {}, "/dev/full");
    EXPECT_EQ(toFullDevice.status, 4);
    EXPECT_NE(toFullDevice.err.find("Cannot write the readings to standard output."),
              std::string::npos);
}

TEST_F(BurstProgramTest, HelpDocumentsUsage) {
    const Finished run = Run(nullptr, {"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* topic : {"Usage: zorvane-burst", "-o FILE", "ZVISA_SIM", "Exit status",
                              "truncate=N", "--stats", "--line-frequency", "ripple=AMP@HZ",
                              "--resource NAME", "TCPIP0::bench::inst0::INSTR", "--list"}) {
        EXPECT_NE(run.out.find(topic), std::string::npos) << topic;
    }
    EXPECT_EQ(run.err, "");
}

TEST_F(BurstProgramTest, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-x"},
                                               {"-o"},
                                               {"--output="},
                                               {"extra"},
                                               {"--line-frequency"},
                                               {"--line-frequency", "55"},
                                               {"--resource"},
                                               {"--resource="}}) {
        const Finished run = Run("dcv,instant", args);
        EXPECT_EQ(run.status, 2) << args.front();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("zorvane-burst --help"), std::string::npos);
    }
}

// "name value" as --stats writes it; NaN when the line is another figure's.
double Figure(const std::string& line, const std::string& name) {
    return line.rfind(name + " ", 0) == 0 ? std::stod(line.substr(name.size() + 1)) : NAN;
}

// One line a figure after the run; the line frequency sets the time scale,
// so the simulated 1 kHz ripple (readings 20 us apart) reads 1.2 kHz at 60 Hz.
// The ripple is the one peak listed: the noise under it is not.
TEST_F(BurstProgramTest, StatsFollowTheRun) {
    const double rms = 0.01 / std::sqrt(2.0);
    for (const auto& [hz, expected] :
         {std::pair<const char*, double>{"50", 1000.0}, {"60", 1200.0}}) {
        const Finished run = Run("dcv,instant,noise=0.0001,ripple=0.01@1000",
                                 {"--stats", "--line-frequency", hz, "-q"});
        EXPECT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 4u) << run.err;
        EXPECT_NEAR(Figure(lines[0], "mean"), 1.5, 1e-4);
        EXPECT_NEAR(Figure(lines[1], "std"), rms, 1e-4);
        EXPECT_NEAR(Figure(lines[2], "pp"), 0.02, 1e-3);
        std::istringstream largest(lines[3]);
        std::string word;
        double frequency = 0;
        double amplitude = 0;
        largest >> word >> frequency >> amplitude;
        EXPECT_EQ(word, "peak");
        EXPECT_NEAR(frequency, expected, expected / 1000 * 50000 / 4096);  // one bin
        EXPECT_NEAR(amplitude, rms, 0.02 * rms);
    }
}

}  // namespace
