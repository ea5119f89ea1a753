// The sorted, owning list of named games or systems behind TGameList and TBetList, and its ini file.
//
// Keys compare without regard to letter case in the user's locale; equal keys are allowed and a new entry goes in
// front of the equal ones. Positions in this order identify entries in saved chart state, so the order is stored
// data. Load reads every section of the file in file order. A section that cannot be read (its load fails, or its
// name repeats an earlier section's, whose keys the first-occurrence rule would read instead) is not listed but
// kept: Save writes its raw text back unchanged after the list's own sections, so the list's sections come first
// and win on the next load. Save writes only when Modified, atomically; on failure the old file is untouched and
// Modified stays true. The destructor saves too but cannot raise: owners call Save() first to see errors.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace wl {

class TIniStore;

template <typename T> class TNameList {
public:
    explicit TNameList(QString filePath);
    ~TNameList();
    TNameList(const TNameList&) = delete;
    TNameList& operator=(const TNameList&) = delete;

    int Count() const { return static_cast<int>(FEntries.size()); }
    T* Item(int i) const;             // ERangeError outside 0..Count-1
    QString ItemName(int i) const;    // the key, the name at the time of Add or Rekey
    int IndexOf(const T* item) const; // by identity; -1 when absent
    QStringList NameList() const;     // the keys in list order

    int Add(std::unique_ptr<T> item); // at its sorted place under its Name; returns that index
    void Rekey(T* item);              // after a rename; an item not in the list is ignored
    void Delete(int i);               // frees the item
    void Clear();                     // frees all; Modified unchanged

    const QString& FilePath() const { return FFilePath; }
    void Load();                          // missing file: empty list; unreadable file: EFileError, list unchanged
    void Save();                          // only when Modified; EFileError naming the file on failure
    QStringList KeptSectionNames() const; // sections kept unread from the last Load
    // Load and the text Save writes, without the file: for checking that form where disk access would dominate.
    void LoadFromBytes(const QByteArray& bytes);
    QByteArray ToBytes() const;

    bool Modified = false;

private:
    struct TEntry {
        QString Key;
        QString FoldedKey;
        std::unique_ptr<T> Item;
    };
    static bool KeyLess(const TEntry& a, const TEntry& b);
    void LoadFrom(const TIniStore& store);
    void WriteTo(TIniStore& store) const;

    QString FFilePath;
    std::vector<TEntry> FEntries;
    // The sections kept unread, as they stand, in file order; null when there are none.
    std::unique_ptr<TIniStore> FKeptSections;
};

// Folder as given by the caller, with or without a trailing separator; empty means the current folder.
QString FileInFolder(const QString& folder, const QString& fileName);

} // namespace wl
