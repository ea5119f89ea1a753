// Language texts with their English fallback.
#include "support/TextSource.h"

#include "support/Exception.h"

namespace wl {

namespace {

template <typename TArgs>
QString FilledMessage(const ITextSource* texts, const QString& section, const QString& key, const QString& english,
                      const TArgs& args) {
    const QString text = texts != nullptr ? texts->GetText(section, key) : QString();
    if (!text.isEmpty()) {
        try {
            return SafeFormat(text, args);
        } catch (const EFormatError&) {
        }
        // An older language file's text without the figures still reads better than English.
        try {
            return SafeFormat(text, {});
        } catch (const EFormatError&) {
        }
    }
    return SafeFormat(english, args);
}

} // namespace

QString MessageText(const ITextSource* texts, const QString& key, const QString& english,
                    std::initializer_list<TFormatArg> args) {
    return FilledMessage(texts, QStringLiteral("Messages"), key, english, args);
}

QString MessageText(const ITextSource* texts, const QString& key, const QString& english,
                    const std::vector<TFormatArg>& args) {
    return FilledMessage(texts, QStringLiteral("Messages"), key, english, args);
}

QString SectionText(const ITextSource* texts, const QString& section, const QString& key, const QString& english,
                    std::initializer_list<TFormatArg> args) {
    return FilledMessage(texts, section, key, english, args);
}

QString MessageText(const ITextSource* texts, const QString& key, const QString& english) {
    const QString text = texts != nullptr ? texts->GetText(QStringLiteral("Messages"), key) : QString();
    return text.isEmpty() ? english : text;
}

QString PlainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    text.remove(QLatin1Char('\r'));
    return text;
}

} // namespace wl
