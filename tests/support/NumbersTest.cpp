// The locale-free number writers and readers.
#include "support/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace wl {
namespace {

struct TFormatCase {
    const char* Name;
    double Value;
    const char* Expected;
};

class FormatProbabilityTest : public testing::TestWithParam<TFormatCase> {};

TEST_P(FormatProbabilityTest, WritesFifteenDigitsTrimmed) {
    EXPECT_EQ(FormatProbability(GetParam().Value), QString::fromLatin1(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatProbabilityTest,
    testing::Values(TFormatCase{"Zero", 0.0, "0"}, TFormatCase{"NegativeZero", -0.0, "0"}, TFormatCase{"One", 1.0, "1"},
                    TFormatCase{"Half", 0.5, "0.5"}, TFormatCase{"Tenth", 0.1, "0.1"},
                    // The double nearest 18/37 is 0.48648648648648651..., so its fifteenth digit rounds up.
                    TFormatCase{"EighteenOf37", 18.0 / 37.0, "0.486486486486487"},
                    TFormatCase{"FifteenDigitsKept", 0.486486486486486, "0.486486486486486"},
                    TFormatCase{"OneThird", 1.0 / 3.0, "0.333333333333333"},
                    TFormatCase{"TwoThirdsRoundsUp", 2.0 / 3.0, "0.666666666666667"},
                    TFormatCase{"Negative", -0.25, "-0.25"}, TFormatCase{"Integer", 42.0, "42"},
                    TFormatCase{"TensKeepZeros", 1200.0, "1200"}, TFormatCase{"FixedLowerBound", 0.00001, "0.00001"},
                    TFormatCase{"RoundsUpIntoFixed", 9.9999999999999999e-6, "0.00001"},
                    TFormatCase{"JustBelowFixed", 9.5e-6, "9.5E-6"}, TFormatCase{"OneMillionth", 1e-6, "1E-6"},
                    TFormatCase{"MantissaWithFraction", 1.5e-7, "1.5E-7"},
                    TFormatCase{"FifteenDigitMantissa", 1.23456789012345e-10, "1.23456789012345E-10"},
                    TFormatCase{"NegativeSmall", -2e-8, "-2E-8"}, TFormatCase{"ThreeDigitExponent", 1e-300, "1E-300"},
                    TFormatCase{"LargestFixed", 999999999999999.0, "999999999999999"},
                    TFormatCase{"LargeUsesExponent", 1e15, "1E15"},
                    TFormatCase{"LargeRoundsIntoExponent", 999999999999999.9, "1E15"},
                    TFormatCase{"LargeWithFraction", 2.5e20, "2.5E20"},
                    TFormatCase{"NaN", std::numeric_limits<double>::quiet_NaN(), "NAN"},
                    TFormatCase{"Infinity", -std::numeric_limits<double>::infinity(), "-INF"}),
    [](const testing::TestParamInfo<TFormatCase>& row) { return std::string(row.param.Name); });

TEST(FormatRoundTripTest, ReadsBackExactly) {
    for (double v : {0.1, 18.0 / 37.0, 1.0 / 3.0, 1e-6, 1.5e-7, 123456.789, 5e-324, 1.7976931348623157e308, -0.3}) {
        const QString text = FormatRoundTrip(v);
        const std::optional<double> back = ParseReal(text);
        ASSERT_TRUE(back.has_value()) << text.toStdString();
        EXPECT_EQ(*back, v) << text.toStdString();
    }
    EXPECT_EQ(FormatRoundTrip(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(FormatRoundTrip(1e-6), QStringLiteral("1E-6"));
    EXPECT_EQ(FormatRoundTrip(1.0 / 3.0), QStringLiteral("0.3333333333333333"));
}

TEST(FormatFullTest, SeventeenDigits) {
    EXPECT_EQ(FormatFull(0.1), QStringLiteral("0.10000000000000001"));
    EXPECT_EQ(FormatFull(0.5), QStringLiteral("0.5"));
    EXPECT_EQ(FormatFull(1e-7), QStringLiteral("9.9999999999999995E-8"));
}

struct TFixedCase {
    const char* Name;
    double Value;
    int Decimals;
    const char* Expected;
};

class FormatFixedTest : public testing::TestWithParam<TFixedCase> {};

TEST_P(FormatFixedTest, RoundsHalfAwayFromZero) {
    EXPECT_EQ(FormatFixed(GetParam().Value, GetParam().Decimals), QString::fromLatin1(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatFixedTest,
    testing::Values(TFixedCase{"Zero", 0.0, 6, "0.000000"}, TFixedCase{"NoDecimals", 2.5, 0, "3"},
                    TFixedCase{"NegativeHalf", -2.5, 0, "-3"}, TFixedCase{"BinaryBelowHalf", 0.145, 2, "0.15"},
                    TFixedCase{"ExactTie", 0.125, 2, "0.13"}, TFixedCase{"Carry", 98.99996, 1, "99.0"},
                    TFixedCase{"CarryNewDigit", 9.96, 1, "10.0"}, TFixedCase{"PadsZeros", 50.0, 6, "50.000000"},
                    TFixedCase{"Percent", 48.64864864864865, 6, "48.648649"},
                    TFixedCase{"TinyRoundsToZero", 1e-9, 6, "0.000000"},
                    TFixedCase{"NegativeRoundsToZero", -0.0001, 2, "0.00"},
                    TFixedCase{"SmallRoundsUp", 0.0000005, 6, "0.000001"},
                    TFixedCase{"Large", 1e20, 1, "100000000000000000000.0"}),
    [](const testing::TestParamInfo<TFixedCase>& row) { return std::string(row.param.Name); });

struct TIntCase {
    const char* Name;
    const char* Text;
    std::optional<int32_t> Expected;
};

class ParseIntegerTest : public testing::TestWithParam<TIntCase> {};

TEST_P(ParseIntegerTest, Reads) {
    EXPECT_EQ(ParseInteger(QString::fromLatin1(GetParam().Text)), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseIntegerTest,
    testing::Values(TIntCase{"Plain", "42", 42}, TIntCase{"Negative", "-17", -17}, TIntCase{"Plus", "+5", 5},
                    TIntCase{"Blanks", " \t12  ", 12}, TIntCase{"LeadingZeros", "007", 7}, TIntCase{"Hex", "0x1F", 31},
                    TIntCase{"HexUpper", "0X1f", 31}, TIntCase{"Dollar", "$1F", 31},
                    TIntCase{"NegativeHex", "-$10", -16}, TIntCase{"Max", "2147483647", INT32_MAX},
                    TIntCase{"Min", "-2147483648", INT32_MIN}, TIntCase{"HexMax", "0x7FFFFFFF", INT32_MAX},
                    TIntCase{"AboveMax", "2147483648", std::nullopt}, TIntCase{"BelowMin", "-2147483649", std::nullopt},
                    TIntCase{"HexAboveMax", "0xFFFFFFFF", std::nullopt},
                    TIntCase{"Huge", "99999999999999999999999", std::nullopt}, TIntCase{"Empty", "", std::nullopt},
                    TIntCase{"OnlyBlanks", "  ", std::nullopt}, TIntCase{"OnlySign", "-", std::nullopt},
                    TIntCase{"OnlyPrefix", "0x", std::nullopt}, TIntCase{"OnlyDollar", "$", std::nullopt},
                    TIntCase{"Real", "1.5", std::nullopt}, TIntCase{"TrailingText", "12abc", std::nullopt},
                    TIntCase{"HexDigitInDecimal", "1F", std::nullopt}, TIntCase{"InnerBlank", "1 2", std::nullopt},
                    TIntCase{"DoubleSign", "--1", std::nullopt}),
    [](const testing::TestParamInfo<TIntCase>& row) { return std::string(row.param.Name); });

TEST(ParseIntegerTest, RejectsNonAsciiDigits) {
    EXPECT_EQ(ParseInteger(QStringLiteral("\u0661\u0662")), std::nullopt); // Arabic-Indic digits
    EXPECT_EQ(ParseInteger(QStringLiteral("\uFF11")), std::nullopt);       // full-width one
}

struct TRealCase {
    const char* Name;
    const char* Text;
    std::optional<double> Expected;
};

class ParseRealTest : public testing::TestWithParam<TRealCase> {};

TEST_P(ParseRealTest, Reads) {
    EXPECT_EQ(ParseReal(QString::fromLatin1(GetParam().Text)), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseRealTest,
    testing::Values(TRealCase{"Half", "0.5", 0.5}, TRealCase{"Integer", "3", 3.0},
                    TRealCase{"Negative", "-0.25", -0.25}, TRealCase{"Plus", "+1.5", 1.5},
                    TRealCase{"Blanks", "  0.1\t", 0.1}, TRealCase{"NoIntegerPart", ".5", 0.5},
                    TRealCase{"NoFraction", "5.", 5.0}, TRealCase{"Exponent", "1E-6", 1e-6},
                    TRealCase{"LowerExponent", "1.5e-7", 1.5e-7}, TRealCase{"PlusExponent", "2e+3", 2000.0},
                    TRealCase{"Written", "0.486486486486486", 0.486486486486486}, TRealCase{"Underflow", "1e-400", 0.0},
                    TRealCase{"ManyZerosUnderflow", "0.0000000001e-320", 0.0},
                    TRealCase{"ZeroHugeExponent", "0e999999", 0.0}, TRealCase{"Overflow", "1e400", std::nullopt},
                    TRealCase{"Empty", "", std::nullopt}, TRealCase{"Blank", "   ", std::nullopt},
                    TRealCase{"Point", ".", std::nullopt}, TRealCase{"Sign", "-", std::nullopt},
                    TRealCase{"Comma", "1,5", std::nullopt}, TRealCase{"NaN", "nan", std::nullopt},
                    TRealCase{"NaNUpper", "NAN", std::nullopt}, TRealCase{"Inf", "inf", std::nullopt},
                    TRealCase{"Infinity", "-infinity", std::nullopt}, TRealCase{"HexFloat", "0x1p3", std::nullopt},
                    TRealCase{"HexInteger", "0x10", std::nullopt}, TRealCase{"BareExponent", "1e", std::nullopt},
                    TRealCase{"ExponentSignOnly", "1e-", std::nullopt}, TRealCase{"ExponentOnly", "e5", std::nullopt},
                    TRealCase{"TwoPoints", "1.2.3", std::nullopt}, TRealCase{"TrailingText", "0.5x", std::nullopt},
                    TRealCase{"InnerBlank", "0. 5", std::nullopt}),
    [](const testing::TestParamInfo<TRealCase>& row) { return std::string(row.param.Name); });

TEST(ParseRealTest, NegativeZeroKeepsItsSign) {
    const std::optional<double> v = ParseReal(QStringLiteral("-0.0"));
    ASSERT_TRUE(v.has_value());
    EXPECT_TRUE(std::signbit(*v));
}

TEST(ParseRealTest, ReadsBackEveryWrittenProbability) {
    for (double v : {0.1, 18.0 / 37.0, 1e-6, 1.5e-7, 1.23456789012345e-10, 0.00001, 1e15, 2.5e20, -0.75}) {
        const QString text = FormatProbability(v);
        const std::optional<double> back = ParseReal(text);
        ASSERT_TRUE(back.has_value()) << text.toStdString();
        EXPECT_EQ(FormatProbability(*back), text);
    }
}

} // namespace
} // namespace wl
