// The game list and the bet list of one folder, loaded together and saved together.
#pragma once

#include "model/BetList.h"
#include "model/GameList.h"

#include <memory>

namespace wl {

class TStorage {
public:
    // Loads games.ini, then bets.ini, from folder; a file that exists but cannot be read raises EFileError.
    explicit TStorage(const QString& folder);
    // Empty lists of no folder, for callers that bring descriptions of their own: nothing is read, and nothing is
    // written as long as nothing is added.
    TStorage();
    // Saves each changed list (errors are only logged here): owners call Save() first to see them.
    ~TStorage();
    TStorage(const TStorage&) = delete;
    TStorage& operator=(const TStorage&) = delete;

    // Writes each changed list. Tries both; a failure raises EFileError naming the file(s), and that list keeps
    // its old file and stays Modified.
    void Save();

    std::unique_ptr<TGameList> Games;
    std::unique_ptr<TBetList> Systems;
};

} // namespace wl
