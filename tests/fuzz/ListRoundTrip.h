// games.ini and bets.ini through their lists: any bytes load and save, and the saved file loads to the same list
// and saves to the same bytes. Both rounds run in memory: Save writes what ToBytes gives through the atomic writer,
// which the preferences target writes and reads back from any bytes already, and a file written, synced and read
// back for each input would take more time than the list itself.
#pragma once

#include "FuzzSupport.h"

#include <QDir>

namespace wl::fuzz {

template <typename TList, typename TExercise>
void CheckListRoundTrip(const uint8_t* data, size_t size, TExercise exercise) {
    // The lists load without Modified, so they write nothing: the folder only keeps their paths off the working one.
    static const QString folder = [] {
        const QString path = ScratchPath(QStringLiteral("list"));
        QDir().mkpath(path);
        return path;
    }();

    QStringList names, kept;
    QByteArray saved;
    {
        TList list(folder);
        list.LoadFromBytes(Bytes(data, size));
        for (int i = 0; i < list.Count(); ++i)
            exercise(*list.Item(i));
        names = list.NameList();
        kept = list.KeptSectionNames();
        saved = list.ToBytes();
    }
    TList again(folder);
    again.LoadFromBytes(saved);
    if (again.NameList() != names || again.KeptSectionNames() != kept)
        Fail("a saved list loads to other entries");
    if (again.ToBytes() != saved)
        Fail("a saved list saves to other bytes");
}

} // namespace wl::fuzz
