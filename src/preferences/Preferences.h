// The preferences object: the preferences store, the language list and texts, the help and web addresses.
#pragma once

#include "support/IniStore.h"
#include "support/SafeFormat.h"
#include "support/TextSource.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>

namespace wl {

// Where one TPreferences finds and keeps its files. Tests point every path into a temporary folder.
struct TPreferencesSetup {
    QString ProgramFolder;  // holds Langs/ and Help/; a trailing separator is optional
    QString StorePath;      // the preferences store: read at creation, written by Save
    QString SystemLanguage; // three-letter code standing for the user's language; empty: SystemLanguageCode()
    // Set: taken as the "play now" address. Unset: read from the per-user settings (Brellion/Wagerlens, PlayNowURL).
    std::optional<QString> PlayNowAddress;
};

// The range of the memory budget in MiB. Below the minimum even the old fixed ±5000 rows of ten series would not fit.
inline constexpr int MemoryBudgetDefault = 1024;
inline constexpr int MemoryBudgetMinimum = 64;
inline constexpr int MemoryBudgetMaximum = 1048576;
// "Smallest probability followed": the most probability a series' tails may shed over a run; 0 follows every balance
// until it underflows. Above the maximum a shed tail could show in a table's six decimals.
inline constexpr double ToleranceDefault = 1e-15;
inline constexpr double ToleranceMaximum = 1e-9;

class TPreferences : public ITextSource {
public:
    // Loads the store, lists the languages and selects the default, then the saved one. Raises Exception with
    // "There are no files in Langs!" when the language folder holds no language file.
    explicit TPreferences(const TPreferencesSetup& setup);
    ~TPreferences() override;
    TPreferences(const TPreferences&) = delete;
    TPreferences& operator=(const TPreferences&) = delete;

    // Writes LanguageCode into the store and the store to its file, atomically. Raises EFileError on failure.
    void Save();

    TIniStore& Store() { return FStore; }
    const TIniStore& Store() const { return FStore; }
    const QString& ProgramFolder() const { return FProgramFolder; } // always ends in "/"
    const QString& StorePath() const { return FStorePath; }

    // Face name of the interface font; the interface layer picks it at start (it needs the font database).
    const QString& FontName() const { return FFontName; }
    void SetFontName(const QString& name) { FFontName = name; }

    // Empty when not configured: the main window then hides its "play now" link.
    const QString& PlayNowAddress() const { return FPlayNowAddress; }

    // <program folder>Help/<Info/HelpFile>, or the English help file when that file does not exist.
    QString GetHelpFileName() const;
    // The maker's site, with a path that depends on the language.
    QString GetSiteAddress() const;

    // The memory the rows of all series together may take, in MiB: "Preferences"/"MemoryBudget". A missing value,
    // or one that is no whole number within MemoryBudgetMinimum..MemoryBudgetMaximum, reads as the default.
    int MemoryBudget() const;
    int64_t MemoryBudgetBytes() const { return int64_t{MemoryBudget()} << 20; }
    void SetMemoryBudget(int mebibytes); // ERangeError outside the range
    // "Preferences"/"SmallestProbability"; a missing value or one outside 0..ToleranceMaximum reads as the default.
    double Tolerance() const;
    void SetTolerance(double tolerance); // ERangeError outside the range

    // A list's remembered selection and top row, from section ItemIndex/ItemTop. Each value is changed only when
    // the stored one lies in 0..itemCount-1; otherwise the caller's value stays.
    void RestoreListPosition(const QString& section, int itemCount, int& itemIndex, int& topRow) const;
    // itemIndex is -1 when nothing is selected.
    void SaveListPosition(const QString& section, int itemIndex, int topRow);

    // Language texts: empty when there is no language file, section or key. Names ignore case, are not trimmed,
    // and the first occurrence counts.
    QString GetText(const QString& section, const QString& key) const override;
    QString GetButtonText(const QString& key) const;  // section "Buttons"
    QString GetMessageText(const QString& key) const; // section "Messages"
    // Three spaces, then WindowName of the section with surrounding blanks and control characters removed.
    QString GetWindowCaption(const QString& section) const;
    // A "Messages" text used as a format, filled by SafeFormat; raises EFormatError when it does not fit.
    QString FormatMessageText(const QString& key, std::initializer_list<TFormatArg> args) const;

    // Display names ("Info"/"Language") in the order of Languages(); empty for a file without one.
    QStringList GetLanguageNames() const;
    int LanguageIndex() const;                // position of LanguageCode in Languages, -1 when absent
    void SelectLanguage(const QString& code); // a code not in Languages changes nothing
    void SelectLanguageByIndex(int index);    // ERangeError outside Languages
    // The file read for a code: an existing file of that name in Langs/ whatever its letter case, otherwise the
    // path with the code as given.
    QString LanguageFileName(const QString& code) const;
    const QString& LanguageCode() const { return FLanguageCode; }
    const QStringList& Languages() const { return FLanguages; }

private:
    void BuildLanguageList();
    void SelectDefaultLanguage(const QString& systemCode);
    void ApplySavedLanguage();

    TIniStore FStore;
    bool FStoreUnreadable = false;
    QString FProgramFolder;
    QString FStorePath;
    QString FFontName = QStringLiteral("MS Shell Dlg");
    TIniStore FLanguageTexts;
    QString FLanguageCode;
    QStringList FLanguages;
    QString FPlayNowAddress;
};

// The maker's web site: scheme and host, no trailing slash.
QString MakerSiteAddress();
// Where error reports and questions are mailed.
QString SupportMailAddress();

// The three-letter code of the user's language (en_US gives ENU, en_GB ENG, de DEU, ...).
QString SystemLanguageCode();
// The same for a locale name such as "pt_BR" or "de"; unknown languages give their ISO 639-2 code upper-cased.
QString LanguageCodeForLocale(const QString& localeName);
// The other way: the locale a language file's code stands for (DEU gives German, ENG British English), for the
// toolkit's own texts and the dates shown; a code that names no language gives the C locale.
QLocale LocaleForLanguageCode(const QString& code);

// Percent-encoding for mailto: links. Letters, digits and !$'()*-.@_ pass; every other byte becomes %XX. The
// bytes are taken up to the first zero byte. The QString form encodes UTF-8.
QString PercentEncode(const QByteArray& bytes);
QString PercentEncode(const QString& text);

// The process-wide object for the interface layer.
// The setup used by the next creation. There is no default: only the program's data layout
// (presentation/DataFolder) knows where an installed copy keeps its languages and its store.
void SetPreferencesSetup(const TPreferencesSetup& setup);
// A copy run from its own folder: program folder = the executable's folder; the store is "<executable name>.ini"
// there, or in userDataFolder when the executable's folder is not writable.
TPreferencesSetup PreferencesSetupFor(const QString& executablePath, const QString& userDataFolder);
// Creates the object on first use. A failed creation leaves no object; the next call tries again. Raises Exception
// when no setup was given.
TPreferences& GetPreferences();
bool PreferencesExist();
// Program end: Save, then destroy. The object is gone even when Save raises.
void ReleasePreferences();
// Called with the code of every language the process-wide object selects, from its creation on; setting an
// observer calls it at once when the object exists. None: nobody is told.
void SetLanguageObserver(std::function<void(const QString& code)> observer);

} // namespace wl
