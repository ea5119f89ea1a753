// All games, sorted by name, kept in games.ini in the folder given.
#pragma once

#include "model/GameDescription.h"
#include "model/NameList.h"

namespace wl {

class TGameList final : public TNameList<TGameDescription> {
public:
    explicit TGameList(const QString& folder) : TNameList(FileInFolder(folder, QStringLiteral("games.ini"))) {}
};

} // namespace wl
