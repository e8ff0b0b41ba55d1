#include "run/ReadingText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

namespace {

struct ValueCase {
    float value;
    const char* text;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.text;
}

class ValueTextTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ValueTextTest, ReadsLikePrintfF) {
    EXPECT_EQ(ValueText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueTextTest,
    testing::Values(ValueCase{1.5f, "1.500000"}, ValueCase{-1.5f, "-1.500000"},
                    ValueCase{0.0f, "0.000000"}, ValueCase{-0.0f, "-0.000000"},
                    ValueCase{1e-7f, "0.000000"}, ValueCase{-4e-7f, "-0.000000"},
                    ValueCase{5e-7f, "0.000000"},  // 5e-7f is just below one half of 1e-6
                    ValueCase{0.1f, "0.100000"}, ValueCase{123456.789f, "123456.789062"},
                    ValueCase{16777216.0f, "16777216.000000"},
                    ValueCase{std::numeric_limits<float>::max(),
                              "340282346638528859811704183484516925440.000000"},
                    ValueCase{-std::numeric_limits<float>::max(),
                              "-340282346638528859811704183484516925440.000000"},
                    ValueCase{std::numeric_limits<float>::infinity(), "inf"},
                    ValueCase{-std::numeric_limits<float>::infinity(), "-inf"},
                    ValueCase{std::numeric_limits<float>::quiet_NaN(), "nan"},
                    ValueCase{-std::numeric_limits<float>::quiet_NaN(), "nan"}));

// printf is the reference for "%f"; the formatter must agree on any finite
// value, including the rounding of the sixth decimal.
TEST(ValueTextAgainstPrintf, AgreesOnRandomFiniteValues) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::uniform_real_distribution<float> volts(-1000.0f, 1000.0f);
    for (int i = 0; i < 20000; ++i) {
        float value = volts(random);
        if (i % 2 == 0) {
            const std::uint32_t pattern = bits(random);
            std::memcpy(&value, &pattern, sizeof value);
        }
        if (!std::isfinite(value)) {
            continue;
        }
        char expected[80];
        std::snprintf(expected, sizeof expected, "%f", static_cast<double>(value));
        ASSERT_EQ(ValueText(value), expected) << "bits of value " << i;
    }
}

TEST(IndexTextTest, PlainDecimal) {
    EXPECT_EQ(IndexText(0), "0");
    EXPECT_EQ(IndexText(7), "7");
    EXPECT_EQ(IndexText(49999), "49999");
    EXPECT_EQ(IndexText(1234567), "1234567");
}

// Installs the first available locale that writes a decimal comma and restores the previous
// numeric locale afterwards. A fresh machine has none installed, so de_DE is then compiled from
// the locales package's sources into a scratch folder of the test's own and loaded through
// LOCPATH, leaving the system's locales alone.
class CommaLocale {
public:
    CommaLocale() {
        previous_ = std::setlocale(LC_NUMERIC, nullptr);
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr) {
                active_ = true;
                return;
            }
        }
        active_ = LoadCompiledGerman();
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        if (!scratch_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(scratch_, ignored);
        }
    }
    bool Active() const { return active_; }

private:
    bool LoadCompiledGerman() {
        std::string folder = (std::filesystem::temp_directory_path() / "zorvane-locale-XXXXXX");
        if (mkdtemp(folder.data()) == nullptr) {
            return false;
        }
        scratch_ = folder;
        const std::string compile =
            "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(compile.c_str()) != 0) {
            return false;
        }
        setenv("LOCPATH", folder.c_str(), 1);
        const bool loaded = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        unsetenv("LOCPATH");
        return loaded;
    }

    std::string previous_;
    std::filesystem::path scratch_;
    bool active_ = false;
};

TEST(ValueTextLocale, IgnoresDecimalCommaOfTheUsersLocale) {
    CommaLocale locale;
    if (!locale.Active()) {
        GTEST_SKIP() << "no locale with a decimal comma is installed, and localedef could not "
                        "compile de_DE (the locales package has its source)";
    }
    char printed[32];
    std::snprintf(printed, sizeof printed, "%f", 1.5);
    ASSERT_STREQ(printed, "1,500000") << "the locale did not take effect";
    EXPECT_EQ(ValueText(1.5f), "1.500000");
    EXPECT_EQ(ValueText(-1234.25f), "-1234.250000");
    EXPECT_EQ(IndexText(50000), "50000");
}

}  // namespace
