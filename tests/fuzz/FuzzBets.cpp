// bets.ini on any bytes, through the system list; each system is also pruned, as a rename does.
#include "model/BetList.h"
#include "support/Exception.h"

#include "ListRoundTrip.h"

using namespace wl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CheckListRoundTrip<TBetList>(data, size, [](const TBetDescription& system) {
        TBetDescription copy;
        try {
            copy.Assign(system);
        } catch (const ERangeError&) {
            return; // a successor outside the states: refused
        }
        if (copy.StateCount > system.StateCount)
            fuzz::Fail("pruning added states");
    });
    return 0;
}
