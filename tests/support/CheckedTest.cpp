// Checked arithmetic at the 32-bit bounds, checked arrays, and the error classes.
#include "support/Checked.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace wl {
namespace {

constexpr int32_t Max = std::numeric_limits<int32_t>::max();
constexpr int32_t Min = std::numeric_limits<int32_t>::min();

TEST(CheckedArithmeticTest, InRangeResults) {
    EXPECT_EQ(CheckedAdd(Max - 1, 1), Max);
    EXPECT_EQ(CheckedAdd(Min, -0), Min);
    EXPECT_EQ(CheckedSub(Min + 1, 1), Min);
    EXPECT_EQ(CheckedSub(-1, Min), Max);
    EXPECT_EQ(CheckedMul(Min, 1), Min);
    EXPECT_EQ(CheckedMul(-1, Max), Min + 1);
    EXPECT_EQ(CheckedMul(46340, 46340), 2147395600);
}

TEST(CheckedArithmeticTest, OverflowsRaiseNamingTheOperands) {
    const struct {
        const char* Name;
        int32_t (*Operation)(int32_t, int32_t);
        int32_t A, B;
        const char* Text;
    } rows[] = {
        {"MaxPlusOne", CheckedAdd, Max, 1, "2147483647 + 1"},
        {"MinPlusMinusOne", CheckedAdd, Min, -1, "-2147483648 + -1"},
        {"MinMinusOne", CheckedSub, Min, 1, "-2147483648 - 1"},
        {"ZeroMinusMin", CheckedSub, 0, Min, "0 - -2147483648"},
        {"MinTimesMinusOne", CheckedMul, Min, -1, "-2147483648 * -1"},
        {"MinusOneTimesMin", CheckedMul, -1, Min, "-1 * -2147483648"},
        {"JustAboveSquareRoot", CheckedMul, 46341, 46341, "46341 * 46341"},
    };
    for (const auto& row : rows) {
        try {
            row.Operation(row.A, row.B);
            ADD_FAILURE() << row.Name << ": no error";
        } catch (const EOverflowError& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromLatin1(row.Text))) << row.Name << ": " << e.what();
        }
    }
}

TEST(CheckedArrayTest, IndexesOutsideTheBoundsRaise) {
    using TBalances = TCheckedArray<double, -5000, 5000>;
    TBalances balances;
    balances[-5000] = 1;
    balances[5000] = 2;
    EXPECT_EQ(balances.Data()[0], 1);
    EXPECT_EQ(balances.Data()[TBalances::Size - 1], 2);
    EXPECT_THROW(balances[5001], ERangeError);
    EXPECT_THROW(balances[-5001], ERangeError);
    try {
        const TCheckedArray<int, 0, 31>& outcomes = TCheckedArray<int, 0, 31>();
        (void)outcomes[32];
        ADD_FAILURE() << "no error";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Range check error: array index 32 is outside 0..31"));
    }
}

__attribute__((noinline)) void RaiseFromHere() {
    CheckIndex(21, 0, 20, "state");
}

TEST(ExceptionTest, PrefixAndRaiseAddress) {
    EFileError e("Disk full");
    PrefixExceptionMessage(e, QStringLiteral("Error in thread"));
    EXPECT_EQ(e.Message(), QStringLiteral("Error in thread\r\nDisk full"));
    EXPECT_STREQ(e.what(), "Error in thread\r\nDisk full");
    EXPECT_NE(e.RaiseAddress(), nullptr);
    const Exception utf8(std::string("Gr\xc3\xbc\xc3\x9f"
                                     "e"));
    EXPECT_EQ(utf8.Message(), QStringLiteral("Grüße"));
    try {
        RaiseFromHere();
        ADD_FAILURE() << "no error";
    } catch (const ERangeError& r) {
        // Points into the function whose check failed, not into the raising helper.
        const auto start = reinterpret_cast<uintptr_t>(&RaiseFromHere);
        const auto at = reinterpret_cast<uintptr_t>(r.RaiseAddress());
        EXPECT_GT(at, start);
        EXPECT_LT(at, start + 4096);
    }
}

} // namespace
} // namespace wl
