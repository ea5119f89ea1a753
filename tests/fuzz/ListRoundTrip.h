// games.ini and bets.ini through their lists: any bytes load and save, and the saved file loads to the same list
// and saves to the same bytes. The bytes are loaded as they are rather than from a file, which the other readers'
// targets read from any bytes already: a file written and read back for each input would take more time than the
// list itself.
#pragma once

#include "FuzzSupport.h"

#include <QDir>

namespace wl::fuzz {

template <typename TList, typename TExercise>
void CheckListRoundTrip(const uint8_t* data, size_t size, const QString& fileName, TExercise exercise) {
    static const QString folder = [] {
        const QString path = ScratchPath(QStringLiteral("list"));
        QDir().mkpath(path);
        return path;
    }();
    const QString path = folder + QLatin1Char('/') + fileName;

    QStringList names, kept;
    {
        TList list(folder);
        list.LoadFromBytes(Bytes(data, size));
        for (int i = 0; i < list.Count(); ++i)
            exercise(*list.Item(i));
        names = list.NameList();
        kept = list.KeptSectionNames();
        list.Modified = true;
        list.Save();
    }
    // The second round in memory too.
    const QByteArray saved = ReadFile(path);
    TList again(folder);
    again.LoadFromBytes(saved);
    if (again.NameList() != names || again.KeptSectionNames() != kept)
        Fail("a saved list loads to other entries");
    if (again.ToBytes() != saved)
        Fail("a saved list saves to other bytes");
}

} // namespace wl::fuzz
