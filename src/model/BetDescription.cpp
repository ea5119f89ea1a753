// One betting system's states, their clean-up, and its section of bets.ini.
#include "model/BetDescription.h"

#include "support/IniStore.h"

#include <array>

namespace wl {

namespace {

struct TStateKeys {
    QString Bet, Win, Loss;
};

// Made once: a system read or written would otherwise build three keys for each state.
const TStateKeys& StateKeys(int i) {
    static const std::array<TStateKeys, TBetDescription::MaxStates> keys = [] {
        std::array<TStateKeys, TBetDescription::MaxStates> made;
        for (int k = 0; k < TBetDescription::MaxStates; ++k) {
            const QString number = QString::number(k);
            made[static_cast<size_t>(k)] = {QStringLiteral("Bet") + number, QStringLiteral("Win") + number,
                                            QStringLiteral("Loss") + number};
        }
        return made;
    }();
    return keys.at(static_cast<size_t>(i));
}

void CheckStateCount(int32_t count, const char* what) {
    if (count > TBetDescription::MaxStates)
        RaiseRangeError(what, count, 0, TBetDescription::MaxStates);
}

} // namespace

TBetDescription::TBetDescription() {
    Bets[0] = 1;
}

void TBetDescription::SetWinState(int i, int32_t v) {
    CheckIndex(v, 0, MaxStates - 1, "successor state");
    WinStates[i] = v;
    if (v >= StateCount)
        StateCount = v + 1;
}

void TBetDescription::SetLossState(int i, int32_t v) {
    CheckIndex(v, 0, MaxStates - 1, "successor state");
    LossStates[i] = v;
    if (v >= StateCount)
        StateCount = v + 1;
}

void TBetDescription::DeleteState(int k) {
    // Deleting a state that is not there must not drop the last one instead.
    CheckIndex(k, 0, StateCount - 1, "state index");
    for (int i = k + 1; i < StateCount; ++i) {
        Bets[i - 1] = Bets[i];
        WinStates[i - 1] = WinStates[i];
        LossStates[i - 1] = LossStates[i];
    }
    --StateCount;
    // A state named later as a successor starts as bet 0 with both successors 0, not as the one deleted here.
    Bets[StateCount] = 0;
    WinStates[StateCount] = 0;
    LossStates[StateCount] = 0;
    for (int i = 0; i < StateCount; ++i) {
        if (WinStates[i] > k)
            --WinStates[i];
        if (LossStates[i] > k)
            --LossStates[i];
    }
}

void TBetDescription::PruneStates() {
    CheckStateCount(StateCount, "state count");
    if (StateCount <= 0)
        return; // a file may say so; StateCount - 1 would overflow for the smallest count
    TCheckedArray<bool, 0, MaxStates - 1> reached;
    reached[0] = true;
    // A state survives when any state names it, reachable or not; only the marking can fail, so a range error
    // leaves the system unchanged.
    bool changed = true;
    while (changed) {
        changed = false;
        for (int j = 0; j < StateCount; ++j) {
            for (const int32_t next : {WinStates[j], LossStates[j]}) {
                bool& mark = reached[CheckIndex(next, 0, MaxStates - 1, "successor state")];
                if (!mark) {
                    mark = true;
                    changed = true;
                }
            }
        }
    }
    for (int k = StateCount - 1; k >= 0; --k)
        if (!reached[k])
            DeleteState(k);
}

void TBetDescription::Assign(const TBetDescription& source) {
    CheckStateCount(source.StateCount, "state count");
    // Built on a copy so that a failing prune leaves this system as it was.
    TBetDescription result = *this;
    result.Name = source.Name;
    result.StateCount = source.StateCount;
    for (int i = 0; i < source.StateCount; ++i) {
        result.Bets[i] = source.Bets[i];
        result.WinStates[i] = source.WinStates[i];
        result.LossStates[i] = source.LossStates[i];
    }
    result.Unread.clear(); // what the editor assigns has been seen there
    result.PruneStates();
    *this = result;
}

void TBetDescription::LoadFromIni(const TIniStore& store) {
    const int32_t count = store.ReadInteger(Name, QStringLiteral("Count"), 0);
    CheckStateCount(count, "state count in bets.ini");
    StateCount = count;
    Unread.clear();
    for (int i = 0; i < count; ++i) {
        const TStateKeys& keys = StateKeys(i);
        Bets[i] = store.ReadInteger(Name, keys.Bet, 0, &Unread);
        WinStates[i] = store.ReadInteger(Name, keys.Win, 0, &Unread);
        LossStates[i] = store.ReadInteger(Name, keys.Loss, 0, &Unread);
    }
}

void TBetDescription::SaveToIni(TIniStore& store) const {
    CheckStateCount(StateCount, "state count");
    store.WriteInteger(Name, QStringLiteral("Count"), StateCount);
    for (int i = 0; i < StateCount; ++i) {
        const TStateKeys& keys = StateKeys(i);
        store.WriteInteger(Name, keys.Bet, Bets[i]);
        store.WriteInteger(Name, keys.Win, WinStates[i]);
        store.WriteInteger(Name, keys.Loss, LossStates[i]);
    }
}

} // namespace wl
