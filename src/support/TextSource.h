// Where the core gets its language texts: the preferences implement it, tests pass a fake.
#pragma once

#include <QString>

namespace wl {

class ITextSource {
public:
    virtual ~ITextSource() = default;
    // The text of (section, key), or an empty text when either is missing.
    virtual QString GetText(const QString& section, const QString& key) const = 0;
};

// The "Messages" text of key in texts, or english when there is none (or no texts).
inline QString MessageText(const ITextSource* texts, const QString& key, const QString& english) {
    const QString text = texts != nullptr ? texts->GetText(QStringLiteral("Messages"), key) : QString();
    return text.isEmpty() ? english : text;
}

} // namespace wl
