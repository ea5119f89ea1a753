// All betting systems, sorted by name, kept in bets.ini in the folder given. Rekey prunes the system first.
#pragma once

#include "model/BetDescription.h"
#include "model/NameList.h"

namespace wl {

class TBetList final : public TNameList<TBetDescription> {
public:
    explicit TBetList(const QString& folder) : TNameList(FileInFolder(folder, QStringLiteral("bets.ini"))) {}
};

} // namespace wl
