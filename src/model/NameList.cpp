// The sorted owning name list shared by the game list and the bet list.
#include "model/NameList.h"

#include "model/BetDescription.h"
#include "model/GameDescription.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "support/IniStore.h"

#include <QDebug>

#include <algorithm>

namespace wl {

namespace {

void PrepareRekey(TGameDescription&) {}
void PrepareRekey(TBetDescription& system) {
    system.PruneStates();
}

} // namespace

QString FileInFolder(const QString& folder, const QString& fileName) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

template <typename T> TNameList<T>::TNameList(QString filePath) : FFilePath(std::move(filePath)) {}

template <typename T> TNameList<T>::~TNameList() {
    try {
        Save();
    } catch (const Exception& e) {
        // A destructor cannot raise; owners that want to see this call Save() first.
        qCritical().noquote() << e.Message();
    } catch (const std::exception& e) {
        qCritical() << e.what();
    }
}

template <typename T> bool TNameList<T>::KeyLess(const TEntry& a, const TEntry& b) {
    return QString::localeAwareCompare(a.FoldedKey, b.FoldedKey) < 0;
}

template <typename T> T* TNameList<T>::Item(int i) const {
    return FEntries[static_cast<size_t>(CheckIndex(i, 0, Count() - 1, "list index"))].Item.get();
}

template <typename T> QString TNameList<T>::ItemName(int i) const {
    return FEntries[static_cast<size_t>(CheckIndex(i, 0, Count() - 1, "list index"))].Key;
}

template <typename T> int TNameList<T>::IndexOf(const T* item) const {
    for (int i = 0; i < Count(); ++i)
        if (FEntries[static_cast<size_t>(i)].Item.get() == item)
            return i;
    return -1;
}

template <typename T> QStringList TNameList<T>::NameList() const {
    QStringList names;
    names.reserve(Count());
    for (const TEntry& entry : FEntries)
        names.append(entry.Key);
    return names;
}

template <typename T> int TNameList<T>::Add(std::unique_ptr<T> item) {
    if (!item)
        throw Exception(QStringLiteral("Cannot add an empty entry to the list of %1.").arg(FFilePath));
    TEntry entry{item->Name, item->Name.toCaseFolded(), std::move(item)};
    // lower_bound puts the new entry in front of the equal ones.
    const auto place = std::lower_bound(FEntries.begin(), FEntries.end(), entry, KeyLess);
    const auto inserted = FEntries.insert(place, std::move(entry));
    Modified = true;
    return static_cast<int>(inserted - FEntries.begin());
}

template <typename T> void TNameList<T>::Rekey(T* item) {
    const int i = IndexOf(item);
    if (i < 0)
        return;
    PrepareRekey(*item);
    TEntry entry = std::move(FEntries[static_cast<size_t>(i)]);
    entry.Key = item->Name;
    entry.FoldedKey = item->Name.toCaseFolded();
    FEntries.erase(FEntries.begin() + i);
    // Where a stable sort would put it: among equal keys, in its old order relative to them.
    const auto range = std::equal_range(FEntries.begin(), FEntries.end(), entry, KeyLess);
    const auto place = std::clamp(FEntries.begin() + i, range.first, range.second);
    FEntries.insert(place, std::move(entry));
    Modified = true;
}

template <typename T> void TNameList<T>::Delete(int i) {
    CheckIndex(i, 0, Count() - 1, "list index");
    FEntries.erase(FEntries.begin() + i);
    Modified = true;
}

template <typename T> void TNameList<T>::Clear() {
    FEntries.clear();
}

template <typename T> void TNameList<T>::Load() {
    TIniStore store;
    store.LoadFromFile(FFilePath);
    LoadFrom(store);
}

template <typename T> void TNameList<T>::LoadFromBytes(const QByteArray& bytes) {
    TIniStore store;
    store.LoadFromBytes(bytes);
    LoadFrom(store);
}

template <typename T> void TNameList<T>::LoadFrom(const TIniStore& store) {
    std::unique_ptr<TIniStore> kept;
    const QStringList sections = store.Sections();
    std::vector<TEntry> entries;
    entries.reserve(static_cast<size_t>(sections.size()));
    TIniStore single; // each section in turn, in the same memory
    for (int s = 0; s < sections.size(); ++s) {
        const QString& name = sections[s];
        single.AssignSection(store, s);
        // A repeated name is not the first of its name, whose keys the first-occurrence rule would read instead.
        if (store.SectionIndex(name) == s) {
            try {
                auto item = std::make_unique<T>();
                item->Name = name;
                item->LoadFromIni(single);
                entries.push_back(TEntry{name, name.toCaseFolded(), std::move(item)});
                continue;
            } catch (const Exception&) {
                // Falls through: the section is kept as it stands.
            }
        }
        // Kept as a store of their own: copied and appended on saving without being parsed again.
        if (!kept)
            kept = std::make_unique<TIniStore>();
        kept->Append(std::move(single));
    }
    // The order that adding one by one gives: each entry in front of the equal ones added before it.
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(), KeyLess);
    FEntries = std::move(entries);
    FKeptSections = std::move(kept);
    Modified = false;
}

template <typename T> void TNameList<T>::WriteTo(TIniStore& store) const {
    // Each entry is a section of its own, also where its name repeats an earlier entry's: writing into that one
    // would overwrite its values, so the next load keeps the repeated section unread.
    store.ReserveSections(store.SectionCount() + Count() + (FKeptSections ? FKeptSections->SectionCount() : 0));
    TIniStore single; // emptied by each Append, keeping its memory for the next entry
    for (const TEntry& entry : FEntries) {
        entry.Item->SaveToIni(single);
        store.Append(std::move(single));
    }
    if (FKeptSections)
        store.Append(*FKeptSections);
}

template <typename T> void TNameList<T>::Save() {
    if (!Modified)
        return;
    TIniStore store;
    WriteTo(store);
    try {
        store.SaveToFile(FFilePath);
    } catch (const EFolderNotSynced&) {
        Modified = false; // saved: only the folder's sync failed, which is said but not asked about again
        throw;
    }
    Modified = false;
}

template <typename T> QByteArray TNameList<T>::ToBytes() const {
    TIniStore store;
    WriteTo(store);
    return store.ToBytes();
}

template <typename T> QStringList TNameList<T>::KeptSectionNames() const {
    return FKeptSections ? FKeptSections->Sections() : QStringList();
}

template class TNameList<TGameDescription>;
template class TNameList<TBetDescription>;

} // namespace wl
