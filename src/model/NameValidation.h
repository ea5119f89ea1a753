// Checks a name the user gives a game or system: both are section names of an ini file, where letter case is
// ignored, so a name may not clash with another entry's key in any letter case.
#pragma once

#include "support/Exception.h"

#include <QString>
#include <QStringList>

namespace wl {

class ITextSource;
class TGameList;
class TBetList;
class TGameDescription;
class TBetDescription;

// A name the user typed that cannot be taken: his to mend.
class ENameError : public EUserError {
public:
    using EUserError::EUserError;
};

// Empty when the name is fine, otherwise the reason. ownIndex is the position of the entry being renamed in
// existingKeys (its own key is no clash; an editor holding the original passes existingKeys.indexOf(original.Name)),
// or -1 for a new entry. Refused: an empty name, a line break or another control character, and a name equal to
// another entry's key without regard to letter case. The reasons are the "Messages" texts NameEmpty, NameControl,
// NameInUse (the name) and NameCase (the name, then the other key) of texts; English without texts or a text.
QString ValidateName(const QString& name, const QStringList& existingKeys, int ownIndex,
                     const ITextSource* texts = nullptr);
void CheckName(const QString& name, const QStringList& existingKeys, int ownIndex); // ENameError

// For the controller: own is the game or system being renamed (nullptr for a new one).
void CheckGameName(const TGameList& games, const QString& name, const TGameDescription* own);
void CheckSystemName(const TBetList& systems, const QString& name, const TBetDescription* own);

} // namespace wl
