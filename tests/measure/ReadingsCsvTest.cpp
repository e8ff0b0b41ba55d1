#include "csv/ReadingsCsv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run/ReadingText.h"

namespace {

const char* const kTotalTime = "Total time of measurement : 12 ms";
const char* const kRunTime = "2026-12-07 21:10:05";

struct ParsedCsv {
    std::vector<std::string> comments;  // without "# "
    std::string columns;
    std::vector<std::pair<std::string, std::string>> rows;
    std::vector<std::string> faults;  // lines that fit nowhere
};

// Reads the format back for the round trip: comments, the column line, then
// unquoted `index,value` rows, every line ending in '\n'.
ParsedCsv Parse(const std::string& text) {
    ParsedCsv parsed;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            parsed.faults.push_back("unterminated: " + text.substr(start));
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t comma = line.find(',');
        if (parsed.columns.empty() && line.rfind("# ", 0) == 0) {
            parsed.comments.push_back(line.substr(2));
        } else if (parsed.columns.empty()) {
            parsed.columns = line;
        } else if (comma != std::string::npos && line.find(',', comma + 1) == std::string::npos) {
            parsed.rows.emplace_back(line.substr(0, comma), line.substr(comma + 1));
        } else {
            parsed.faults.push_back(line);
        }
    }
    return parsed;
}

ReadingsCsvHeader Header(const std::string& identity) {
    return ReadingsCsvHeader{identity, kRunTime, kTotalTime, {}};
}

// A noisy DC burst near 1.5 V, with signs, a wide value, zeros and the
// three non-finite readings mixed in.
std::vector<std::string> BurstValueTexts(std::size_t count) {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(1.5f, 1e-4f);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::vector<std::string> texts;
    for (std::size_t k = 0; k < count; ++k) {
        float value = noise(random);
        if (k % 97 == 0) {
            const std::uint32_t pattern = bits(random);
            std::memcpy(&value, &pattern, sizeof value);
        }
        texts.push_back(ValueText(value));
    }
    texts[1] = "-0.000000";
    texts[2] = "inf";
    texts[3] = "-inf";
    texts[4] = "nan";
    return texts;
}

TEST(ReadingsCsvTest, FullBurstReadsBackTextForText) {
    constexpr std::size_t kReadings = 50000;
    const std::vector<std::string> values = BurstValueTexts(kReadings);
    ReadingsCsv csv(Header("ZORVANE SIM,DMM-SIM,SIM0001,1.0\n"));
    csv.Reserve(kReadings);
    for (std::size_t k = 0; k < kReadings; ++k) {
        csv.AddRow(IndexText(k), values[k]);
    }
    EXPECT_EQ(csv.RowCount(), kReadings);

    const ParsedCsv parsed = Parse(csv.Text());
    EXPECT_TRUE(parsed.faults.empty()) << parsed.faults.front();
    EXPECT_EQ(parsed.comments, std::vector<std::string>{"ZORVANE SIM,DMM-SIM,SIM0001,1.0; " +
                                                        std::string(kRunTime) + "; " + kTotalTime});
    EXPECT_EQ(parsed.columns, "index,value");
    ASSERT_EQ(parsed.rows.size(), kReadings);
    for (std::size_t k = 0; k < kReadings; ++k) {
        ASSERT_EQ(parsed.rows[k].first, IndexText(k));
        ASSERT_EQ(parsed.rows[k].second, values[k]) << "reading " << k;
    }
}

struct CommentCase {
    const char* name;
    std::string identity;
    std::string firstLine;  // without "# " and the run time and total time
};

void PrintTo(const CommentCase& c, std::ostream* os) {
    *os << c.name;
}

class IdentityLineTest : public testing::TestWithParam<CommentCase> {};

TEST_P(IdentityLineTest, StaysOneLine) {
    const std::string text = ReadingsCsv(Header(GetParam().identity)).Text();
    EXPECT_EQ(text, "# " + GetParam().firstLine + "; " + kRunTime + "; " + kTotalTime +
                        "\nindex,value\n");
}

INSTANTIATE_TEST_SUITE_P(
    Identities, IdentityLineTest,
    testing::Values(CommentCase{"line_feed_and_commas", "ACME,DMM 7,SN1,1.0\n",
                                "ACME,DMM 7,SN1,1.0"},
                    CommentCase{"carriage_return", "ACME,DMM\r\n", "ACME,DMM"},
                    CommentCase{"inner_controls",
                                "A\nB\tC\rD\x7f"
                                "E\x01",
                                "A B C D E "},
                    CommentCase{"several_line_ends", "ACME\n\n\r\n", "ACME"},
                    CommentCase{"empty", "", ""},
                    CommentCase{"non_ascii_kept", "Mess\xc3\xa4r\n", "Mess\xc3\xa4r"}),
    [](const testing::TestParamInfo<CommentCase>& info) { return info.param.name; });

TEST(ReadingsCsvTest, EachNoteIsOneCommentLineBeforeTheColumns) {
    ReadingsCsvHeader header = Header("ACME\n");
    header.notes = {
        "Only 248 of 50000 readings were received.",
        "Please set the function(DCV or DCI).\n And click the \" Measurement\" button "};
    ReadingsCsv csv(header);
    csv.AddRow("0", "1.500000");
    const ParsedCsv parsed = Parse(csv.Text());
    EXPECT_TRUE(parsed.faults.empty());
    ASSERT_EQ(parsed.comments.size(), 3u);
    EXPECT_EQ(parsed.comments[1], "Only 248 of 50000 readings were received.");
    EXPECT_EQ(parsed.comments[2],
              "Please set the function(DCV or DCI).  And click the \" Measurement\" button ");
    EXPECT_EQ(parsed.columns, "index,value");
    EXPECT_EQ(parsed.rows.size(), 1u);
}

TEST(ReadingsCsvTest, FieldsThatWouldSplitARowAreQuoted) {
    ReadingsCsv csv(Header("ACME"));
    csv.AddRow("7", "1,5");
    csv.AddRow("8", "say \"hi\"");
    csv.AddRow("9\n", "-inf");
    const std::string rows = csv.Text().substr(csv.Text().find("index,value\n") + 12);
    EXPECT_EQ(rows, "7,\"1,5\"\n8,\"say \"\"hi\"\"\"\n\"9\n\",-inf\n");
    EXPECT_EQ(csv.RowCount(), 3u);
}

class DateTimeTextTest : public testing::Test {
protected:
    void SetUp() override {
        const char* zone = std::getenv("TZ");
        hadZone_ = zone != nullptr;
        oldZone_ = hadZone_ ? zone : "";
    }
    void TearDown() override {
        hadZone_ ? setenv("TZ", oldZone_.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static void UseZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

    static constexpr std::time_t kRunStart = 1796677805;  // 2026-12-07 21:10:05 UTC

private:
    bool hadZone_ = false;
    std::string oldZone_;
};

TEST_F(DateTimeTextTest, IsLocalTimeInIsoOrder) {
    UseZone("UTC0");
    EXPECT_EQ(ReadingsCsv::DateTimeText(kRunStart), "2026-12-07 21:10:05");
    UseZone("EAST-3");  // three hours ahead of UTC: local, not UTC, and past midnight
    EXPECT_EQ(ReadingsCsv::DateTimeText(kRunStart), "2026-12-08 00:10:05");
    UseZone("UTC0");
    EXPECT_EQ(ReadingsCsv::DateTimeText(0), "1970-01-01 00:00:00");
}

}  // namespace
