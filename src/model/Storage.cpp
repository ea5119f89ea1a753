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
    QStringList failures;
    try {
        Games->Save();
    } catch (const Exception& e) {
        failures.append(e.Message());
    }
    try {
        Systems->Save();
    } catch (const Exception& e) {
        failures.append(e.Message());
    }
    if (!failures.isEmpty())
        throw EFileError(failures.join(QStringLiteral("\r\n")));
}

} // namespace wl
