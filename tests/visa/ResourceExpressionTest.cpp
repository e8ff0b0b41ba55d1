#include "api/ResourceExpression.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zvisa::ResourceExpression;

struct MatchCase {
    const char* expression;
    const char* resource;
    bool matches;
};

constexpr const char* kMeterExpression = "USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR";

const MatchCase kMatchCases[] = {
    // The program's own expression.
    {kMeterExpression, "USB0::0x7A5E::0x0C46::SIM0001::INSTR", true},
    {kMeterExpression, "USB0::0x7A5E::0x0C47::A1::INSTR", true},
    {kMeterExpression, "USB0::0x7A5E::0x0C48::A1::INSTR", false},
    {kMeterExpression, "USB0::0x7A5E::0x0C45::A1::INSTR", false},
    {kMeterExpression, "usb0::0x7a5e::0x0c46::sim0001::instr", true},
    {kMeterExpression, "USB10::0x7A5E::0x0C46::SN::INSTR", true},
    {kMeterExpression, "USB::0x7A5E::0x0C46::SN::INSTR", true},
    {kMeterExpression, "USB0::0x7A5E::0x0C46::SN", false},
    {kMeterExpression, "USB0::0x7A5E::0x0C46::SN::INSTR::X", false},
    {kMeterExpression, "USB0::0x7A5E::0x0C46::SN::INSTR ", false},
    {kMeterExpression, "XUSB0::0x7A5E::0x0C46::SN::INSTR", false},
    {kMeterExpression, "USBA::0x7A5E::0x0C46::SN::INSTR", false},
    // ? is one character of any kind.
    {"A?C", "A:C", true},
    {"A?C", "AC", false},
    {"A?C", "ABBC", false},
    {"?*", "", true},
    // * and + repeat the item before them.
    {"AB*C", "AC", true},
    {"AB*C", "ABBBC", true},
    {"AB*C", "ABD", false},
    {"AB+C", "ABBC", true},
    {"AB+C", "AC", false},
    // Lists, negated lists and ranges, without regard to case.
    {"[ABC]", "b", true},
    {"[ABC]", "d", false},
    {"[a-c]x", "BX", true},
    {"[^0-9]", "a", true},
    {"[^0-9]", "5", false},
    {"[^a-z]", "Q", false},
    {"[-a]", "-", true},
    {"[a-]", "-", true},
    {"[\\]]", "]", true},
    // Groups, alternatives and quantified groups.
    {"(GPIB|USB)0", "gpib0", true},
    {"(GPIB|USB)0", "USB0", true},
    {"(GPIB|USB)0", "ASRL0", false},
    {"ASRL?*|USB?*", "USB1", true},
    {"(AB)+", "ABAB", true},
    {"(AB)+", "ABA", false},
    {"(AB)*C", "C", true},
    {"((A|B)C)+", "ACBC", true},
    {"((A|B)C)+", "ACCC", false},
    // Escapes make special characters plain.
    {"A\\*", "A*", true},
    {"A\\*", "AA", false},
    {"\\?", "?", true},
    {"\\?", "x", false},
    {"\\(A\\)", "(A)", true},
    // The whole string, not a part of it.
    {"USB", "USB0", false},
    {"SB0", "USB0", false},
};

TEST(ResourceExpressionTest, MatchesTheWholeResourceIgnoringCase) {
    for (const MatchCase& c : kMatchCases) {
        const auto expression = ResourceExpression::Compile(c.expression);
        ASSERT_TRUE(expression.has_value()) << c.expression;
        EXPECT_EQ(expression->Matches(c.resource), c.matches)
            << c.expression << " against " << c.resource;
    }
}

// Attribute filters, read off the resource's name.
const MatchCase kFilterCases[] = {
    {"?*INSTR{VI_ATTR_MANF_ID==0x7A5E}", "USB0::0x7A5E::0x0C46::A1::INSTR", true},
    {"?*INSTR{VI_ATTR_MANF_ID==31326}", "USB0::0x7A5E::0x0C46::A1::INSTR", true},
    {"?*INSTR{VI_ATTR_MANF_ID==0x7A5F}", "USB0::0x7A5E::0x0C46::A1::INSTR", false},
    {"?*{VI_ATTR_MODEL_CODE != 0x0C46}", "USB0::0x7A5E::0x0C47::A1::INSTR", true},
    {"?*{VI_ATTR_MODEL_CODE < 0x0C47}", "USB0::0x7A5E::0x0C46::A1::INSTR", true},
    {"?*{VI_ATTR_MODEL_CODE < 0x0C46}", "USB0::0x7A5E::0x0C46::A1::INSTR", false},
    {"?*{VI_ATTR_MODEL_CODE <= 0x0C46}", "USB0::0x7A5E::0x0C46::A1::INSTR", true},
    {"?*{VI_ATTR_MODEL_CODE > 0x0C45}", "USB0::0x7A5E::0x0C46::A1::INSTR", true},
    {"?*{VI_ATTR_MODEL_CODE >= 0x0C47}", "USB0::0x7A5E::0x0C46::A1::INSTR", false},
    {"?*{VI_ATTR_INTF_NUM==1 && VI_ATTR_USB_INTFC_NUM==0}", "USB1::0x7A5E::0x0C46::A::INSTR", true},
    {"?*{VI_ATTR_USB_INTFC_NUM==2}", "USB1::0x7A5E::0x0C46::A::2::INSTR", true},
    {"?*{VI_ATTR_INTF_TYPE==7}", "USB1::0x7A5E::0x0C46::A::INSTR", true},
    {"?*{VI_ATTR_USB_SERIAL_NUM==\"SN 1\"}", "USB0::0x7A5E::0x0C46::SN 1::INSTR", true},
    {"?*{VI_ATTR_USB_SERIAL_NUM!=\"SN 1\"}", "USB0::0x7A5E::0x0C46::SN 1::INSTR", false},
    {"?*{VI_ATTR_RSRC_CLASS==\"INSTR\"}", "USB0::0x7A5E::0x0C46::A::INSTR", true},
    {"?*{VI_ATTR_MANF_ID==1 || !(VI_ATTR_MODEL_CODE==2)}", "USB0::0x7A5E::0x0C46::A::INSTR", true},
    {"?*{!(VI_ATTR_MANF_ID==0x7A5E && VI_ATTR_MODEL_CODE==0x0C46)}",
     "USB0::0x7A5E::0x0C46::A::INSTR", false},
    {"?*{(VI_ATTR_MANF_ID==1 || VI_ATTR_MANF_ID==0x7A5E) && VI_ATTR_INTF_NUM==0}",
     "USB0::0x7A5E::0x0C46::A::INSTR", true},
    // A resource without the attribute matches no comparison on it.
    {"?*{VI_ATTR_MANF_ID!=1}", "GPIB0::22::INSTR", false},
    // The pattern still has to match.
    {"GPIB?*{VI_ATTR_MANF_ID==0x7A5E}", "USB0::0x7A5E::0x0C46::A::INSTR", false},
};

TEST(ResourceExpressionTest, AttributeFiltersSelectByWhatTheNameTells) {
    for (const MatchCase& c : kFilterCases) {
        const auto expression = ResourceExpression::Compile(c.expression);
        ASSERT_TRUE(expression.has_value()) << c.expression;
        EXPECT_EQ(expression->Matches(c.resource), c.matches)
            << c.expression << " against " << c.resource;
    }
}

TEST(ResourceExpressionTest, RejectsMalformedFilters) {
    const std::string tooDeep = "?*{" + std::string(40, '!') + "VI_ATTR_MANF_ID==1}";
    const std::string deepParens =
        "?*{" + std::string(40, '(') + "VI_ATTR_MANF_ID==1" + std::string(40, ')') + "}";
    for (const std::string& text : {
             std::string("?*{}"),
             std::string("?*{VI_ATTR_MANF_ID==0x7A5E"),
             std::string("{VI_ATTR_MANF_ID==1}"),
             std::string("?*{VI_ATTR_MANF_ID=0x7A5E}"),
             std::string("?*{VI_ATTR_MANF_ID==}"),
             std::string("?*{VI_ATTR_MANF_ID==\"A\"}"),
             std::string("?*{VI_ATTR_USB_SERIAL_NUM==12}"),
             std::string("?*{VI_ATTR_USB_SERIAL_NUM<\"A\"}"),
             std::string("?*{VI_ATTR_USB_SERIAL_NUM==\"A}"),
             std::string("?*{VI_ATTR_NO_SUCH==1}"),
             std::string("?*{VI_ATTR_MANF_ID==1 &&}"),
             std::string("?*{(VI_ATTR_MANF_ID==1}"),
             std::string("?*{VI_ATTR_MANF_ID==1)}"),
             std::string("?*{VI_ATTR_MANF_ID==1}x"),
             std::string("?*{VI_ATTR_MANF_ID==1 VI_ATTR_MODEL_CODE==2}"),
             tooDeep,
             deepParens,
         }) {
        EXPECT_FALSE(ResourceExpression::Compile(text).has_value()) << '"' << text << '"';
    }
}

TEST(ResourceExpressionTest, RejectsMalformedExpressions) {
    const char* const kMalformed[] = {
        "",    "[0-9", "0-9]", "(USB",  "USB)", "USB\\", "*USB", "+USB", "a|*",  "(*a)", "a**",
        "a+*", "[]",   "[^]",  "[z-a]", "()",   "a|",    "|a",   "a||b", "(a|)", "[a\\",
    };
    for (const char* text : kMalformed) {
        EXPECT_FALSE(ResourceExpression::Compile(text).has_value()) << '"' << text << '"';
    }
}

// Nested repetitions make backtracking matchers take exponential time; this
// one must finish (no time limit is asserted, the test would hang instead).
TEST(ResourceExpressionTest, HostileExpressionsFinish) {
    const std::string longResource(5000, 'a');
    const auto nestedStars = ResourceExpression::Compile("(((a*)*)*(a|aa)*)*b");
    ASSERT_TRUE(nestedStars.has_value());
    EXPECT_FALSE(nestedStars->Matches(longResource));

    std::string deep;
    const int kDepth = 2000;
    deep.append(kDepth, '(');
    deep += "a";
    for (int i = 0; i < kDepth; ++i) {
        deep += ")*";
    }
    const auto deeplyNested = ResourceExpression::Compile(deep);
    ASSERT_TRUE(deeplyNested.has_value());
    EXPECT_TRUE(deeplyNested->Matches(longResource));
    EXPECT_FALSE(deeplyNested->Matches(longResource + "b"));
}

}  // namespace
