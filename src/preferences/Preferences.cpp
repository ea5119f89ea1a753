// The preferences object: store, languages, texts, help and site addresses, and the process-wide instance.
#include "preferences/Preferences.h"

#include "support/AtomicFile.h"
#include "support/Checked.h"
#include "support/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cstring>
#include <memory>

namespace wl {

namespace {

std::unique_ptr<TPreferences>& Instance() {
    static std::unique_ptr<TPreferences> instance;
    return instance;
}

std::function<void(const QString&)>& LanguageObserver() {
    static std::function<void(const QString&)> observer;
    return observer;
}

const QString DefaultHelpFile = QStringLiteral("Wagerlens_eng.qch");

QString WithTrailingSlash(const QString& folder) {
    QString f = QDir::fromNativeSeparators(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

// Blanks and control characters, as the caption trimming removes them.
bool IsBlank(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

QString TrimBlanks(const QString& s) {
    qsizetype first = 0;
    qsizetype last = s.size();
    while (first < last && IsBlank(s[first]))
        ++first;
    while (last > first && IsBlank(s[last - 1]))
        --last;
    return s.mid(first, last - first);
}

// A language's display name, read leniently: blanks around section, key and value do not matter.
QString ReadDisplayName(const QString& path) {
    constexpr int MaxDisplayName = 1023;
    TIniStore file;
    try {
        if (!file.LoadFromFile(path))
            return {};
    } catch (const EFileError&) {
        return {};
    }
    const QStringList sections = file.Sections();
    for (const QString& section : sections) {
        if (section.trimmed().compare(QLatin1String("Info"), Qt::CaseInsensitive) != 0)
            continue;
        const QStringList keys = file.Keys(section);
        for (const QString& key : keys) {
            if (key.trimmed().compare(QLatin1String("Language"), Qt::CaseInsensitive) == 0)
                return file.ReadString(section, key).trimmed().left(MaxDisplayName);
        }
        return {};
    }
    return {};
}

QString ReadPlayNowSetting() {
    try {
        const QSettings settings(QStringLiteral("Brellion"), QStringLiteral("Wagerlens"));
        const QVariant value = settings.value(QStringLiteral("PlayNowURL"));
        if (value.typeId() == QMetaType::QString)
            return value.toString();
        // The ini backend splits an unquoted value at its commas; an address may well hold some.
        if (value.typeId() == QMetaType::QStringList)
            return value.toStringList().join(QLatin1Char(','));
    } catch (...) { // an unreadable setting only hides the link
    }
    return {};
}

} // namespace

TPreferences::TPreferences(const TPreferencesSetup& setup)
    : FProgramFolder(WithTrailingSlash(setup.ProgramFolder)), FStorePath(setup.StorePath) {
    RemoveStaleTemporaryFiles(FStorePath);
    try {
        FStore.LoadFromFile(FStorePath);
    } catch (const EFileError&) {
        // Start with defaults, and keep the file that could not be read from being overwritten at the end.
        FStore.Clear();
        FStoreUnreadable = true;
    }
    BuildLanguageList();
    FPlayNowAddress = setup.PlayNowAddress ? *setup.PlayNowAddress : ReadPlayNowSetting();
    SelectDefaultLanguage(setup.SystemLanguage.isEmpty() ? SystemLanguageCode() : setup.SystemLanguage.toUpper());
    ApplySavedLanguage();
}

TPreferences::~TPreferences() = default;

void TPreferences::Save() {
    FStore.WriteString(QStringLiteral("Preferences"), QStringLiteral("Language"), FLanguageCode);
    if (FStoreUnreadable)
        throw EFileError(QStringLiteral("The preferences file %1 could not be read at start, so it was not overwritten")
                             .arg(QDir::toNativeSeparators(FStorePath)));
    const QString folder = QFileInfo(FStorePath).absolutePath();
    if (!QDir().mkpath(folder))
        throw EFileError(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder)));
    FStore.SaveToFile(FStorePath);
}

void TPreferences::BuildLanguageList() {
    FLanguages.clear();
    const QDir folder(FProgramFolder + QStringLiteral("Langs"));
    const QStringList names =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (name.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive))
            FLanguages.append(name.left(3).toUpper());
    }
    std::stable_sort(FLanguages.begin(), FLanguages.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

void TPreferences::SelectDefaultLanguage(const QString& systemCode) {
    if (FLanguages.contains(systemCode))
        SelectLanguage(systemCode);
    else if (FLanguages.contains(QStringLiteral("ENG")))
        SelectLanguage(QStringLiteral("ENG"));
    else if (FLanguages.isEmpty())
        throw Exception(QStringLiteral("There are no files in Langs!"));
    else
        SelectLanguage(FLanguages.first());
}

void TPreferences::ApplySavedLanguage() {
    const QString saved = FStore.ReadString(QStringLiteral("Preferences"), QStringLiteral("Language")).toUpper();
    if (FLanguages.contains(saved))
        SelectLanguage(saved);
}

QString TPreferences::GetHelpFileName() const {
    const QString name = FLanguageTexts.ReadString(QStringLiteral("Info"), QStringLiteral("HelpFile"), DefaultHelpFile);
    const QString path = FProgramFolder + QStringLiteral("Help/") + name;
    // isFile, so that an empty name does not give the Help folder itself.
    if (QFileInfo(path).isFile())
        return path;
    return FProgramFolder + QStringLiteral("Help/") + DefaultHelpFile;
}

QString TPreferences::GetSiteAddress() const {
    if (FLanguageCode == QLatin1String("RUS"))
        return MakerSiteAddress() + QStringLiteral("/from_wagerlens_ru");
    return MakerSiteAddress() + QStringLiteral("/from_wagerlens");
}

int TPreferences::MemoryBudget() const {
    const int32_t mebibytes =
        FStore.ReadInteger(QStringLiteral("Preferences"), QStringLiteral("MemoryBudget"), MemoryBudgetDefault);
    return mebibytes >= MemoryBudgetMinimum && mebibytes <= MemoryBudgetMaximum ? mebibytes : MemoryBudgetDefault;
}

void TPreferences::SetMemoryBudget(int mebibytes) {
    CheckIndex(mebibytes, MemoryBudgetMinimum, MemoryBudgetMaximum, "memory budget");
    FStore.WriteInteger(QStringLiteral("Preferences"), QStringLiteral("MemoryBudget"), mebibytes);
}

double TPreferences::Tolerance() const {
    const double tolerance =
        FStore.ReadFloat(QStringLiteral("Preferences"), QStringLiteral("SmallestProbability"), ToleranceDefault);
    return tolerance >= 0.0 && tolerance <= ToleranceMaximum ? tolerance : ToleranceDefault;
}

void TPreferences::SetTolerance(double tolerance) {
    if (!(tolerance >= 0.0 && tolerance <= ToleranceMaximum))
        throw ERangeError("The smallest probability followed must lie within 0..1e-9");
    FStore.WriteFloat(QStringLiteral("Preferences"), QStringLiteral("SmallestProbability"), tolerance);
}

void TPreferences::RestoreListPosition(const QString& section, int itemCount, int& itemIndex, int& topRow) const {
    const int32_t index = FStore.ReadInteger(section, QStringLiteral("ItemIndex"), 0);
    if (index >= 0 && index < itemCount)
        itemIndex = index;
    const int32_t top = FStore.ReadInteger(section, QStringLiteral("ItemTop"), 0);
    if (top >= 0 && top < itemCount)
        topRow = top;
}

void TPreferences::SaveListPosition(const QString& section, int itemIndex, int topRow) {
    FStore.WriteInteger(section, QStringLiteral("ItemIndex"), itemIndex);
    FStore.WriteInteger(section, QStringLiteral("ItemTop"), topRow);
}

QString TPreferences::GetText(const QString& section, const QString& key) const {
    return FLanguageTexts.ReadString(section, key);
}

QString TPreferences::GetButtonText(const QString& key) const {
    return GetText(QStringLiteral("Buttons"), key);
}

QString TPreferences::GetMessageText(const QString& key) const {
    return GetText(QStringLiteral("Messages"), key);
}

QString TPreferences::GetWindowCaption(const QString& section) const {
    return QStringLiteral("   ") + TrimBlanks(GetText(section, QStringLiteral("WindowName")));
}

QString TPreferences::FormatMessageText(const QString& key, std::initializer_list<TFormatArg> args) const {
    return SafeFormat(GetMessageText(key), args);
}

QStringList TPreferences::GetLanguageNames() const {
    QStringList names;
    names.reserve(FLanguages.size());
    for (const QString& code : FLanguages)
        names.append(ReadDisplayName(LanguageFileName(code)));
    return names;
}

int TPreferences::LanguageIndex() const {
    return static_cast<int>(FLanguages.indexOf(FLanguageCode));
}

void TPreferences::SelectLanguage(const QString& code) {
    const QString upper = code.toUpper();
    if (!FLanguages.contains(upper))
        return;
    FLanguageCode = upper;
    FLanguageTexts.Clear();
    try {
        FLanguageTexts.LoadFromFile(LanguageFileName(upper));
    } catch (const EFileError&) {
        FLanguageTexts.Clear(); // an unreadable language file gives empty texts
    }
    if (this == Instance().get() && LanguageObserver())
        LanguageObserver()(FLanguageCode);
}

void TPreferences::SelectLanguageByIndex(int index) {
    CheckIndex(index, 0, static_cast<int>(FLanguages.size()) - 1, "language index");
    SelectLanguage(FLanguages[index]);
}

QString TPreferences::LanguageFileName(const QString& code) const {
    const QString folder = FProgramFolder + QStringLiteral("Langs/");
    const QString wanted = code + QStringLiteral(".ini");
    if (QFileInfo::exists(folder + wanted))
        return folder + wanted;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return folder + name;
    }
    return folder + wanted;
}

QString MakerSiteAddress() {
    return QStringLiteral("https://www.brellion.com");
}

QString SupportMailAddress() {
    return QStringLiteral("support@brellion.com");
}

QString PercentEncode(const QByteArray& bytes) {
    static const char Hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            break;
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::strchr("!$'()*-.@_", c) != nullptr;
        if (plain) {
            out += QLatin1Char(static_cast<char>(c));
        } else {
            out += QLatin1Char('%');
            out += QLatin1Char(Hex[c >> 4]);
            out += QLatin1Char(Hex[c & 0x0F]);
        }
    }
    return out;
}

QString PercentEncode(const QString& text) {
    return PercentEncode(text.toUtf8());
}

// ---- The process-wide object ----

namespace {

std::optional<TPreferencesSetup>& ChosenSetup() {
    static std::optional<TPreferencesSetup> setup;
    return setup;
}

} // namespace

void SetPreferencesSetup(const TPreferencesSetup& setup) {
    ChosenSetup() = setup;
}

TPreferencesSetup PreferencesSetupFor(const QString& executablePath, const QString& userDataFolder) {
    TPreferencesSetup setup;
    const QFileInfo program(executablePath);
    setup.ProgramFolder = program.absolutePath();
    const QString storeName = program.completeBaseName() + QStringLiteral(".ini");
    const QFileInfo folder(setup.ProgramFolder);
    const QFileInfo store(setup.ProgramFolder + QLatin1Char('/') + storeName);
    if (folder.isDir() && folder.isWritable() && (!store.exists() || store.isWritable()))
        setup.StorePath = store.filePath();
    else
        setup.StorePath = userDataFolder + QLatin1Char('/') + storeName;
    return setup;
}

TPreferences& GetPreferences() {
    auto& instance = Instance();
    if (!instance) {
        if (!ChosenSetup())
            throw Exception("The preferences are read before the program has found its data folder");
        instance = std::make_unique<TPreferences>(*ChosenSetup());
        if (LanguageObserver())
            LanguageObserver()(instance->LanguageCode());
    }
    return *instance;
}

void SetLanguageObserver(std::function<void(const QString& code)> observer) {
    LanguageObserver() = std::move(observer);
    if (Instance() && LanguageObserver())
        LanguageObserver()(Instance()->LanguageCode());
}

bool PreferencesExist() {
    return Instance() != nullptr;
}

void ReleasePreferences() {
    std::unique_ptr<TPreferences> instance = std::move(Instance());
    if (instance)
        instance->Save();
}

} // namespace wl
