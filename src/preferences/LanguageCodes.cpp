// The user's locale as a three-letter language code, the way the language files are named (ENU, ENG, DEU, ...).
#include "preferences/Preferences.h"

#include <QLocale>

namespace wl {

namespace {

struct TLocaleCode {
    QLocale::Language Language;
    QLocale::Territory Territory; // AnyTerritory: the language's default
    const char* Code;
};

// The specific territories come before the language's default row.
constexpr TLocaleCode LocaleCodes[] = {
    {QLocale::English, QLocale::UnitedKingdom, "ENG"},
    {QLocale::English, QLocale::Australia, "ENA"},
    {QLocale::English, QLocale::Canada, "ENC"},
    {QLocale::English, QLocale::NewZealand, "ENZ"},
    {QLocale::English, QLocale::Ireland, "ENI"},
    {QLocale::English, QLocale::SouthAfrica, "ENS"},
    {QLocale::English, QLocale::India, "ENN"},
    {QLocale::English, QLocale::AnyTerritory, "ENU"},
    {QLocale::German, QLocale::Switzerland, "DES"},
    {QLocale::German, QLocale::Austria, "DEA"},
    {QLocale::German, QLocale::Luxembourg, "DEL"},
    {QLocale::German, QLocale::Liechtenstein, "DEC"},
    {QLocale::German, QLocale::AnyTerritory, "DEU"},
    {QLocale::French, QLocale::Belgium, "FRB"},
    {QLocale::French, QLocale::Canada, "FRC"},
    {QLocale::French, QLocale::Switzerland, "FRS"},
    {QLocale::French, QLocale::Luxembourg, "FRL"},
    {QLocale::French, QLocale::AnyTerritory, "FRA"},
    {QLocale::Spanish, QLocale::Mexico, "ESM"},
    {QLocale::Spanish, QLocale::AnyTerritory, "ESN"},
    {QLocale::Italian, QLocale::Switzerland, "ITS"},
    {QLocale::Italian, QLocale::AnyTerritory, "ITA"},
    {QLocale::Portuguese, QLocale::Brazil, "PTB"},
    {QLocale::Portuguese, QLocale::AnyTerritory, "PTG"},
    {QLocale::Dutch, QLocale::Belgium, "NLB"},
    {QLocale::Dutch, QLocale::AnyTerritory, "NLD"},
    {QLocale::Swedish, QLocale::Finland, "SVF"},
    {QLocale::Swedish, QLocale::AnyTerritory, "SVE"},
    {QLocale::Chinese, QLocale::Taiwan, "CHT"},
    {QLocale::Chinese, QLocale::HongKong, "ZHH"},
    {QLocale::Chinese, QLocale::Singapore, "ZHI"},
    {QLocale::Chinese, QLocale::AnyTerritory, "CHS"},
    {QLocale::Russian, QLocale::AnyTerritory, "RUS"},
    {QLocale::Ukrainian, QLocale::AnyTerritory, "UKR"},
    {QLocale::Belarusian, QLocale::AnyTerritory, "BEL"},
    {QLocale::Polish, QLocale::AnyTerritory, "PLK"},
    {QLocale::Czech, QLocale::AnyTerritory, "CSY"},
    {QLocale::Slovak, QLocale::AnyTerritory, "SKY"},
    {QLocale::Hungarian, QLocale::AnyTerritory, "HUN"},
    {QLocale::NorwegianBokmal, QLocale::AnyTerritory, "NOR"},
    {QLocale::NorwegianNynorsk, QLocale::AnyTerritory, "NON"},
    {QLocale::Danish, QLocale::AnyTerritory, "DAN"},
    {QLocale::Finnish, QLocale::AnyTerritory, "FIN"},
    {QLocale::Greek, QLocale::AnyTerritory, "ELL"},
    {QLocale::Turkish, QLocale::AnyTerritory, "TRK"},
    {QLocale::Bulgarian, QLocale::AnyTerritory, "BGR"},
    {QLocale::Romanian, QLocale::AnyTerritory, "ROM"},
    {QLocale::Croatian, QLocale::AnyTerritory, "HRV"},
    {QLocale::Serbian, QLocale::AnyTerritory, "SRB"},
    {QLocale::Slovenian, QLocale::AnyTerritory, "SLV"},
    {QLocale::Estonian, QLocale::AnyTerritory, "ETI"},
    {QLocale::Latvian, QLocale::AnyTerritory, "LVI"},
    {QLocale::Lithuanian, QLocale::AnyTerritory, "LTH"},
    {QLocale::Japanese, QLocale::AnyTerritory, "JPN"},
    {QLocale::Korean, QLocale::AnyTerritory, "KOR"},
    {QLocale::Arabic, QLocale::AnyTerritory, "ARA"},
    {QLocale::Hebrew, QLocale::AnyTerritory, "HEB"},
    {QLocale::Thai, QLocale::AnyTerritory, "THA"},
    {QLocale::Vietnamese, QLocale::AnyTerritory, "VIT"},
    {QLocale::Indonesian, QLocale::AnyTerritory, "IND"},
    {QLocale::Malay, QLocale::AnyTerritory, "MSL"},
    {QLocale::Hindi, QLocale::AnyTerritory, "HIN"},
    {QLocale::Persian, QLocale::AnyTerritory, "FAR"},
    {QLocale::Icelandic, QLocale::AnyTerritory, "ISL"},
    {QLocale::Catalan, QLocale::AnyTerritory, "CAT"},
    {QLocale::Basque, QLocale::AnyTerritory, "EUQ"},
    {QLocale::Galician, QLocale::AnyTerritory, "GLC"},
};

QString CodeForLocale(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    if (language == QLocale::C || language == QLocale::AnyLanguage)
        return QStringLiteral("ENU");
    for (const TLocaleCode& row : LocaleCodes) {
        if (row.Language == language && (row.Territory == QLocale::AnyTerritory || row.Territory == locale.territory()))
            return QString::fromLatin1(row.Code);
    }
    // The terminological form, as Windows uses it (DEU rather than GER).
    QString iso = QLocale::languageToCode(language, QLocale::ISO639Part2T);
    if (iso.isEmpty())
        iso = QLocale::languageToCode(language, QLocale::ISO639Part2);
    iso = iso.toUpper().left(3);
    return iso.isEmpty() ? QStringLiteral("ENU") : iso;
}

} // namespace

QString SystemLanguageCode() {
    return CodeForLocale(QLocale::system());
}

QString LanguageCodeForLocale(const QString& localeName) {
    return CodeForLocale(QLocale(localeName));
}

QLocale LocaleForLanguageCode(const QString& code) {
    const QString upper = code.toUpper();
    for (const TLocaleCode& row : LocaleCodes) {
        if (upper == QLatin1String(row.Code))
            return {row.Language, row.Territory};
    }
    for (const auto part : {QLocale::ISO639Part2T, QLocale::ISO639Part2B}) {
        const QLocale::Language language = QLocale::codeToLanguage(code.toLower(), part);
        if (language != QLocale::AnyLanguage)
            return QLocale(language);
    }
    return QLocale::c();
}

} // namespace wl
