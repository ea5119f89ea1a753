// The preferences store on any bytes: it loads, list positions stay within their lists, and what Save writes
// loads to the same language and positions.
#include "preferences/Preferences.h"

#include "FuzzSupport.h"

#include <QDir>

using namespace wl;

namespace {

TPreferencesSetup Setup() {
    const QString folder = fuzz::ScratchPath(QStringLiteral("preferences"));
    if (!QDir(folder).exists()) {
        QDir().mkpath(folder + QStringLiteral("/Langs"));
        fuzz::WriteFile(folder + QStringLiteral("/Langs/ENG.ini"), "[Info]\r\nLanguage=English\r\n");
        fuzz::WriteFile(folder + QStringLiteral("/Langs/DEU.ini"), "[Info]\r\nLanguage=Deutsch\r\n");
    }
    TPreferencesSetup setup;
    setup.ProgramFolder = folder;
    setup.StorePath = folder + QStringLiteral("/wagerlens.ini");
    setup.SystemLanguage = QStringLiteral("ENG");
    setup.PlayNowAddress = QString();
    return setup;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TPreferencesSetup setup = Setup();
    fuzz::WriteFile(setup.StorePath, fuzz::Bytes(data, size));

    QString language;
    QStringList sections;
    {
        TPreferences preferences(setup);
        sections = preferences.Store().Sections().mid(0, 8);
        for (const QString& section : sections) {
            int index = -7, top = -7;
            preferences.RestoreListPosition(section, 5, index, top);
            if ((index != -7 && (index < 0 || index >= 5)) || (top != -7 && (top < 0 || top >= 5)))
                fuzz::Fail("a restored list position lies outside its list");
            preferences.SaveListPosition(section, 3, 1);
        }
        language = preferences.LanguageCode();
        preferences.Save();
    }
    TPreferences reread(setup);
    if (reread.LanguageCode() != language)
        fuzz::Fail("the saved language does not load back");
    for (const QString& section : sections) {
        int index = -1, top = -1;
        reread.RestoreListPosition(section, 5, index, top);
        if (index != 3 || top != 1)
            fuzz::Fail("a saved list position does not load back");
    }
    return 0;
}
