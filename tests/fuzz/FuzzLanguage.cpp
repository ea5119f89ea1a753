// A language file on any bytes, as the only language: every text, caption and message format it holds.
#include "preferences/Preferences.h"
#include "support/Exception.h"

#include "FuzzSupport.h"

#include <QDir>

using namespace wl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString folder = fuzz::ScratchPath(QStringLiteral("language"));
    QDir().mkpath(folder + QStringLiteral("/Langs"));
    const QByteArray bytes = fuzz::Bytes(data, size);
    fuzz::WriteFile(folder + QStringLiteral("/Langs/ENG.ini"), bytes);

    TPreferencesSetup setup;
    setup.ProgramFolder = folder;
    setup.StorePath = folder + QStringLiteral("/absent.ini");
    setup.SystemLanguage = QStringLiteral("ENG");
    setup.PlayNowAddress = QString();
    const TPreferences preferences(setup);
    preferences.GetLanguageNames();
    preferences.GetHelpFileName();

    TIniStore texts;
    texts.LoadFromBytes(bytes);
    for (const QString& section : texts.Sections().mid(0, 16)) {
        preferences.GetWindowCaption(section);
        for (const QString& key : texts.Keys(section).mid(0, 32))
            preferences.GetText(section, key);
    }
    // Message formats come from the messages section only: a key of another section would format an empty text
    // and be refused, at the cost of an exception, for nothing.
    for (const QString& key : texts.Keys(QStringLiteral("Messages")).mid(0, 32)) {
        try {
            preferences.FormatMessageText(key, {QStringLiteral("name")});
        } catch (const EFormatError&) {
            // a text that does not fit one name: refused with a message
        }
    }
    return 0;
}
