// Creating, loading and saving the two lists.
#include "model/Storage.h"

namespace wl {

TStorage::TStorage(const QString& folder)
    : Games(std::make_unique<TGameList>(folder)), Systems(std::make_unique<TBetList>(folder)) {
    Games->Load();
    Systems->Load();
}

TStorage::TStorage() : Games(std::make_unique<TGameList>(QString())), Systems(std::make_unique<TBetList>(QString())) {}

TStorage::~TStorage() {
    Games.reset();
    Systems.reset();
}

void TStorage::Save() {
    std::exception_ptr games;
    std::exception_ptr systems;
    try {
        Games->Save();
    } catch (const Exception&) {
        games = std::current_exception();
    }
    try {
        Systems->Save();
    } catch (const Exception&) {
        systems = std::current_exception();
    }
    // One failure keeps its own family and text; a fault of the program outweighs a file the user can mend.
    if (!games || !systems) {
        if (games || systems)
            std::rethrow_exception(games ? games : systems);
        return;
    }
    if (!IsUserError(games))
        std::rethrow_exception(games);
    if (!IsUserError(systems))
        std::rethrow_exception(systems);
    throw EFileError(ExceptionText(games, nullptr) + QStringLiteral("\r\n") + ExceptionText(systems, nullptr));
}

} // namespace wl
