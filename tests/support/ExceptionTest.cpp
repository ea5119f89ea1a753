// The two families of errors: decided by the class raised, and a user error's text in the user's language.
#include "support/Exception.h"
#include "model/NameValidation.h"
#include "support/AtomicFile.h"
#include "support/Checked.h"
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace wl {
namespace {

class TFakeTexts : public ITextSource {
public:
    std::map<QString, QString> Messages;
    QString GetText(const QString& section, const QString& key) const override {
        const auto it = Messages.find(key);
        return section == QStringLiteral("Messages") && it != Messages.end() ? it->second : QString();
    }
};

TEST(ExceptionTest, TheClassRaisedDecidesTheFamilyAndTheLanguage) {
    QTemporaryDir dir;
    const QString missing = dir.path() + QStringLiteral("/gone/chart.txt");
    TFakeTexts german;
    german.Messages[QStringLiteral("FileWrite")] = QStringLiteral("Datei \"%s\" nicht geschrieben: %s.");
    german.Messages[QStringLiteral("NameEmpty")] = QStringLiteral("Der Name ist leer.");
    struct TRow {
        const char* Name;
        std::function<void()> Raise;
        bool User;
        QString Shown; // a part of the text shown with the fake language
    };
    const TRow rows[] = {
        {"an unwritable file", [&] { WriteFileAtomically(missing, "x"); }, true,
         QStringLiteral("Datei \"") + missing + QStringLiteral("\" nicht geschrieben: ")},
        {"a name the user typed", [] { CheckName(QString(), {}, -1); }, true, QStringLiteral("The name is empty.")},
        {"a checked index", [] { CheckIndex(40, 0, 9, "series index"); }, false,
         QStringLiteral("series index 40 is outside 0..9")},
        {"a format text that does not fit", [] { SafeFormat(QStringLiteral("%d"), {}); }, false,
         QStringLiteral("does not fit its arguments")},
    };
    for (const TRow& row : rows) {
        try {
            row.Raise();
            ADD_FAILURE() << row.Name << ": nothing raised";
        } catch (const Exception& e) {
            EXPECT_EQ(e.IsUserError(), row.User) << row.Name;
            EXPECT_EQ(IsUserError(std::current_exception()), row.User) << row.Name;
            EXPECT_TRUE(ExceptionText(std::current_exception(), &german).contains(row.Shown))
                << row.Name << ": " << e.what();
        }
    }
    // A translation that does not fit the figures falls back to the English text.
    german.Messages[QStringLiteral("FileWrite")] = QStringLiteral("Datei %d");
    try {
        WriteFileAtomically(missing, "x");
    } catch (const Exception& e) {
        EXPECT_TRUE(e.UserMessage(&german).startsWith(QStringLiteral("Cannot write the file"))) << e.what();
    }
}

} // namespace
} // namespace wl
