// The safe formatter against well-formed and hostile format texts.
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include "support/Exception.h"

#include <gtest/gtest.h>

namespace wl {
namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(SafeFormatTest, FillsPlaceholdersInOrder) {
    EXPECT_EQ(SafeFormat(S("Delete game \"%s\"?"), {S("Coin")}), S("Delete game \"Coin\"?"));
    EXPECT_EQ(SafeFormat(S("%s [%s]"), {S("Roulette"), S("Martingale")}), S("Roulette [Martingale]"));
    EXPECT_EQ(SafeFormat(S("Result%d"), {0LL}), S("Result0"));
    EXPECT_EQ(SafeFormat(S("Placement%d%d"), {96LL, -1080LL}), S("Placement96-1080"));
    EXPECT_EQ(SafeFormat(S("100%% of %s"), {S("it")}), S("100% of it"));
    EXPECT_EQ(SafeFormat(S("%%s"), {}), S("%s")); // a literal "%s", not a placeholder
    EXPECT_EQ(SafeFormat(S("no placeholders"), {}), S("no placeholders"));
    EXPECT_EQ(SafeFormat(QString(), {}), QString());
}

TEST(SafeFormatTest, ArgumentsAreNeverReinterpreted) {
    EXPECT_EQ(SafeFormat(S("%s and %s"), {S("%d %s %1"), S("x")}), S("%d %s %1 and x"));
}

TEST(SafeFormatTest, HostileFormatsRaise) {
    const struct {
        const char* Name;
        const char* Format;
        std::initializer_list<TFormatArg> Args;
    } rows[] = {
        {"NumberWhereTextExpected", "%d", {S("text")}},
        {"TextWhereNumberExpected", "%s", {1LL}},
        {"TooFewArguments", "%s %s", {S("one")}},
        {"TooManyArguments", "%s", {S("one"), S("two")}},
        {"ArgumentsWithoutPlaceholders", "plain", {S("one")}},
        {"WriteCount", "%n", {1LL}},
        {"LoneTrailingPercent", "100%", {}},
        {"Width", "%5s", {S("x")}},
        {"Precision", "%.2d", {1LL}},
        {"Pointer", "%p", {1LL}},
        {"Float", "%f", {1LL}},
        {"LongInteger", "%ld", {1LL}},
        {"QtPlaceholder", "%1", {S("x")}},
    };
    for (const auto& row : rows) {
        try {
            SafeFormat(S(row.Format), row.Args);
            ADD_FAILURE() << row.Name << ": no error";
        } catch (const EFormatError& e) {
            EXPECT_TRUE(e.Message().contains(S(row.Format))) << row.Name << ": " << e.what();
        }
    }
}

// Every message of the program goes through this one lookup: a language that lacks a text, or whose text does not
// fit the figures, still shows the message.
TEST(MessageText, TheLanguageTextOrTheEnglishOne) {
    class TTexts final : public ITextSource {
    public:
        QString GetText(const QString& section, const QString& key) const override {
            if (section != QLatin1String("Messages"))
                return {};
            if (key == QLatin1String("Fits"))
                return S("„%s“ hat %d Zustände.");
            if (key == QLatin1String("Mismatch"))
                return S("„%d“ hat %s Zustände.");
            if (key == QLatin1String("Older"))
                return S("Zu viele Zustände.");
            return {};
        }
    } texts;
    const struct {
        const char* Name;
        const ITextSource* Texts;
        const char* Key;
        const char* Expected;
    } rows[] = {
        {"no texts", nullptr, "Fits", "\"Flat\" has 3 states."},
        {"no text for the key", &texts, "Missing", "\"Flat\" has 3 states."},
        {"a text that fits", &texts, "Fits", "„Flat“ hat 3 Zustände."},
        {"a text that does not fit", &texts, "Mismatch", "\"Flat\" has 3 states."},
        {"an older text without figures", &texts, "Older", "Zu viele Zustände."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MessageText(row.Texts, S(row.Key), S("\"%s\" has %d states."), {S("Flat"), 3LL}), S(row.Expected))
            << row.Name;
    EXPECT_THROW(MessageText(&texts, S("Fits"), S("%s"), {3LL}), EFormatError) << "the program's own text is wrong";
}

} // namespace
} // namespace wl
