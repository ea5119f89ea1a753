// Refusing names that the ini files cannot hold apart or read back.
#include "model/NameValidation.h"

#include "model/BetList.h"
#include "model/GameList.h"
#include "support/TextSource.h"

namespace wl {

namespace {

bool IsControl(QChar c) {
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString ValidateName(const QString& name, const QStringList& existingKeys, int ownIndex, const ITextSource* texts) {
    if (name.isEmpty())
        return MessageText(texts, QStringLiteral("NameEmpty"), QStringLiteral("The name is empty."));
    for (const QChar c : name)
        if (IsControl(c))
            return MessageText(texts, QStringLiteral("NameControl"),
                               QStringLiteral("The name contains a line break or another control character."));
    for (int i = 0; i < existingKeys.size(); ++i) {
        if (i == ownIndex)
            continue;
        const QString& key = existingKeys[i];
        if (QString::compare(name, key, Qt::CaseInsensitive) != 0)
            continue;
        if (name == key)
            return MessageText(texts, QStringLiteral("NameInUse"), QStringLiteral("The name \"%s\" is already in use."),
                               {name});
        return MessageText(texts, QStringLiteral("NameCase"),
                           QStringLiteral("The name \"%s\" differs from \"%s\" only in letter case."), {name, key});
    }
    return {};
}

void CheckName(const QString& name, const QStringList& existingKeys, int ownIndex) {
    const QString problem = ValidateName(name, existingKeys, ownIndex);
    if (!problem.isEmpty())
        throw ENameError(problem);
}

void CheckGameName(const TGameList& games, const QString& name, const TGameDescription* own) {
    CheckName(name, games.NameList(), own ? games.IndexOf(own) : -1);
}

void CheckSystemName(const TBetList& systems, const QString& name, const TBetDescription* own) {
    CheckName(name, systems.NameList(), own ? systems.IndexOf(own) : -1);
}

} // namespace wl
