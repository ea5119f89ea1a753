// Where the core gets its language texts: the preferences implement it, tests pass a fake.
#pragma once

#include "support/SafeFormat.h"

#include <QString>

#include <initializer_list>
#include <vector>

namespace wl {

class ITextSource {
public:
    virtual ~ITextSource() = default;
    // The text of (section, key), or an empty text when either is missing.
    virtual QString GetText(const QString& section, const QString& key) const = 0;
};

// The one lookup of a message: the "Messages" text of key in texts filled with args by SafeFormat. A text without
// any placeholder stands as it is (an older language file). english, filled likewise, stands in when there are no
// texts, the language has no text for key, or its text does not fit args otherwise: a translation that does not
// match its figures must not hide the message. Raises EFormatError only when english itself does not fit args (a
// fault of the program).
QString MessageText(const ITextSource* texts, const QString& key, const QString& english,
                    std::initializer_list<TFormatArg> args);
QString MessageText(const ITextSource* texts, const QString& key, const QString& english,
                    const std::vector<TFormatArg>& args);
// The same lookup in another section of the language file, such as the summary's labels.
QString SectionText(const ITextSource* texts, const QString& section, const QString& key, const QString& english,
                    std::initializer_list<TFormatArg> args);
// The text alone, unfilled: the language's text of key, or english where it has none.
QString MessageText(const ITextSource* texts, const QString& key, const QString& english);

// Messages carry context lines separated by CR LF or LF CR; a terminal and Python want plain line feeds.
QString PlainLines(QString text);

} // namespace wl
