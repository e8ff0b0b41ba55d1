#include "run/ReadingBlock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "TestBlocks.h"

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::size_t announced;
    std::vector<float> values;
};

// Decodes from a heap copy of exactly the given size, so a read past the end
// shows up under the address sanitizer.
ReadingBlock DecodeExact(const std::string& bytes) {
    std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    return DecodeReadingBlock(copy.data(), copy.size());
}

std::vector<DecodeCase> DecodeCases() {
    return {
        {"Empty", "", 0, {}},
        {"OnlyHash", "#", 0, {}},
        {"IndefiniteForm", "#0", 0, {}},
        {"IndefiniteFormWithData", BlockWithHeader("#0", {1.5f}), 0, {}},
        {"TenBytesGiveTwo", BlockWithHeader("#210", {1.0f, 2.0f, 3.0f}), 2, {1.0f, 2.0f}},
        {"FirstByteNotHash", BlockWithHeader("X18", {1.5f, -1.5f}), 2, {1.5f, -1.5f}},
        {"ZeroAtOffsetZero",
         BlockWithHeader(std::string("\0"
                                     "14",
                                     3),
                         {7.0f}),
         1,
         {7.0f}},
        {"NonDigitCount", BlockWithHeader("#A8", {1.5f, 2.5f}), 0, {}},
        {"PlusAndMinusOnePointFive", BlockWithHeader("#18", {1.5f, -1.5f}), 2, {1.5f, -1.5f}},
        {"HeaderShorterThanDigits", "#51", 0, {}},
        {"HeaderOneShortOfDigits", "#51234", 0, {}},
        {"HeaderCompleteNoData", "#3016", 4, {}},
        {"TruncatedData", BlockWithHeader("#216", {4.0f}) + "\x01\x02", 4, {4.0f}},
        {"PartialReadingDropped",
         BlockWithHeader("#216", {1.0f, 2.0f, 3.0f}) + "\x7F",
         4,
         {1.0f, 2.0f, 3.0f}},
        {"ExtraBytesIgnored", BlockWithHeader("#14", {1.0f, 2.0f}), 1, {1.0f}},
        {"LengthBelowOneReading", BlockWithHeader("#13", {1.0f}), 0, {}},
        {"NegativeLength", BlockWithHeader("#3-16", {1.0f, 2.0f, 3.0f, 4.0f}), 0, {}},
        {"LeadingBlankAndPlus",
         BlockWithHeader("#4 +16", {1.0f, 2.0f, 3.0f, 4.0f}),
         4,
         {1.0f, 2.0f, 3.0f, 4.0f}},
        {"DigitsStopAtJunk",
         BlockWithHeader("#312x", {1.0f, 2.0f, 3.0f, 4.0f}),
         3,
         {1.0f, 2.0f, 3.0f}},
        {"NoLengthDigits", BlockWithHeader("#2ab", {1.0f}), 0, {}},
        {"HugeLength", BlockWithHeader("#9999999999", {1.0f, 2.0f}), 249999999, {1.0f, 2.0f}},
        {"SignOnly", BlockWithHeader("#1-", {1.0f}), 0, {}},
    };
}

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, GivesAnnouncedCountAndReceivedValues) {
    const DecodeCase& c = GetParam();
    const ReadingBlock block = DecodeExact(c.bytes);
    EXPECT_EQ(block.announced, c.announced);
    EXPECT_EQ(block.values, c.values);
}

INSTANTIATE_TEST_SUITE_P(Blocks, DecodeTest, testing::ValuesIn(DecodeCases()),
                         [](const testing::TestParamInfo<DecodeCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(DecodeFullBurst, FiftyThousandReadingsFirstFromBytesEightToEleven) {
    const std::vector<float> values = RampReadings(50000);
    std::string bytes = ReadingBlockBytes(values);
    ASSERT_EQ(bytes.substr(0, 8), "#6200000");
    ASSERT_EQ(bytes.size(), 200008u);
    bytes.replace(8, 4, FloatBytes(1.5f));

    const ReadingBlock block = DecodeExact(bytes);
    ASSERT_EQ(block.announced, 50000u);
    ASSERT_EQ(block.Received(), 50000u);
    EXPECT_EQ(block.values.front(), 1.5f);
    EXPECT_EQ(block.values[1], values[1]);
    EXPECT_EQ(block.values.back(), values.back());
}

TEST(DecodeFullBurst, OneByteShortLosesOnlyTheLastReading) {
    const std::string bytes = ReadingBlockBytes(RampReadings(50000));
    const ReadingBlock block = DecodeExact(bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(block.announced, 50000u);
    EXPECT_EQ(block.Received(), 49999u);
}

TEST(DecodeSpecialValues, BitPatternsSurvive) {
    const std::string bytes = BlockWithHeader("#216", {}) + std::string("\x00\x00\x80\x7F", 4) +
                              std::string("\x00\x00\x80\xFF", 4) +
                              std::string("\x00\x00\xC0\x7F", 4) +
                              std::string("\x01\x00\x00\x00", 4);
    const ReadingBlock block = DecodeExact(bytes);
    ASSERT_EQ(block.Received(), 4u);
    EXPECT_TRUE(std::isinf(block.values[0]) && block.values[0] > 0);
    EXPECT_TRUE(std::isinf(block.values[1]) && block.values[1] < 0);
    EXPECT_TRUE(std::isnan(block.values[2]));
    EXPECT_EQ(block.values[3], std::numeric_limits<float>::denorm_min());
}

TEST(DecodeNullData, GivesNothing) {
    const ReadingBlock block = DecodeReadingBlock(nullptr, 100);
    EXPECT_EQ(block.announced, 0u);
    EXPECT_EQ(block.Received(), 0u);
}

}  // namespace
