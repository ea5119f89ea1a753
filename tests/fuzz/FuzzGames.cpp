// games.ini on any bytes, through the game list, with every derived figure of every game.
#include "model/GameList.h"

#include "ListRoundTrip.h"

using namespace wl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CheckListRoundTrip<TGameList>(data, size, [](const TGameDescription& game) {
        game.RiskUnit();
        for (int k = 0; k < 8; ++k)
            game.Info(k);
    });
    return 0;
}
