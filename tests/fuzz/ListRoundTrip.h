// games.ini and bets.ini through their lists: a file that loads saves, and the saved file loads to the same list
// and saves to the same bytes.
#pragma once

#include "FuzzSupport.h"

#include <QDir>

namespace wl::fuzz {

template <typename TList, typename TExercise>
void CheckListRoundTrip(const uint8_t* data, size_t size, const QString& fileName, TExercise exercise) {
    const QString folder = ScratchPath(QStringLiteral("list"));
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + fileName;
    WriteFile(path, Bytes(data, size));

    QStringList names, kept;
    {
        TList list(folder);
        list.Load();
        for (int i = 0; i < list.Count(); ++i)
            exercise(*list.Item(i));
        names = list.NameList();
        kept = list.KeptSectionNames();
        list.Modified = true;
        list.Save();
    }
    // The second round in memory: the file form is the same, and disk access would take most of the time.
    const QByteArray saved = ReadFile(path);
    TList again(folder);
    again.LoadFromBytes(saved);
    if (again.NameList() != names || again.KeptSectionNames() != kept)
        Fail("a saved list loads to other entries");
    if (again.ToBytes() != saved)
        Fail("a saved list saves to other bytes");
}

} // namespace wl::fuzz
