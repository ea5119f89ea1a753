// The in-memory ini store shared by games.ini, bets.ini, the preferences store and the language files.
//
// Reading rules: a line starting with ";" is a comment; "[name]" starts a section (trailing blanks after "]" are
// allowed); lines before the first section are ignored; other lines are "key=value": the key is the text before the
// first "=" exactly as it stands (not trimmed), the value everything after it. A line without "=" is never found.
// Comments and lines without "=" inside a section are kept and written back as they were; blank lines are dropped.
// Sections and keys match without regard to letter case, and the first occurrence wins. Bytes are UTF-8, or Latin-1
// when not valid UTF-8; CR LF, LF or CR alone; a UTF-8 byte order mark is skipped.
// Writing keeps the file's order: a write replaces a value in place, or appends the key to its section, or appends
// a new section. The text form is UTF-8 with CR LF: each section is "[name]", its lines, then one empty line, so a
// file this store wrote reads and writes back byte for byte. A write that could not read back the same (a line
// break anywhere, a key with "=" or starting with ";" or "[") raises Exception and changes nothing.
// Cost: loading and writing out are linear in the file's size; a lookup or a write is logarithmic in the number of
// sections and in the number of keys of its section (an index per store, and one per section with many keys).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <utility>
#include <vector>

namespace wl {

class TIniStore {
public:
    TIniStore() = default;

    // Missing file: an empty store and false. A file that exists but cannot be read raises EFileError.
    bool LoadFromFile(const QString& path);
    void LoadFromBytes(const QByteArray& bytes);
    void LoadFromText(const QString& text);

    QByteArray ToBytes() const;
    void SaveToFile(const QString& path) const; // atomic; raises EFileError naming the file

    void Clear();
    qsizetype SectionCount() const { return static_cast<qsizetype>(FSections.size()); }
    void ReserveSections(qsizetype count); // room for count sections in all, for a store written section by section
    QStringList Sections() const;          // in file order; a repeated name appears at each occurrence
    bool SectionExists(const QString& section) const;
    QStringList Keys(const QString& section) const; // of the first section of that name, in order
    bool ValueExists(const QString& section, const QString& key) const;
    void EraseSection(const QString& section); // every section of that name
    void DeleteKey(const QString& section, const QString& key);

    // The raw lines of the index-th section (as Sections() lists them), without its header and trailing blanks.
    QStringList SectionLines(int index) const;
    // Appends a section made of raw lines, written back unchanged.
    void AppendRawSection(const QString& section, const QStringList& lines);
    // The index of the first section of that name (as Sections() lists them), or -1.
    int SectionIndex(const QString& section) const;
    // A store holding only the index-th section, so that reading one item of a large file costs nothing per
    // other section.
    TIniStore SectionStore(int index) const;
    // Makes this store what SectionStore(index) of other gives, in the memory it holds already: for reading many
    // sections one after the other.
    void AssignSection(const TIniStore& other, int index);
    // Moves every section of other to the end, as they stand; equal names stay separate sections.
    void Append(TIniStore&& other);
    void Append(const TIniStore& other); // copies them

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // Missing or bad values (see ParseInteger, ParseReal) read as the default; a bool is an integer other than 0.
    // unread, where given, gets "key=text" for a value that is there but is not a number.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t defaultValue = 0,
                        QStringList* unread = nullptr) const;
    double ReadFloat(const QString& section, const QString& key, double defaultValue = 0.0,
                     QStringList* unread = nullptr) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue = false) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, long long value);
    void WriteFloat(const QString& section, const QString& key, double value); // FormatProbability
    void WriteBool(const QString& section, const QString& key, bool value);    // "1" or "0"

private:
    // A line's place in its section's text: "key=value" for an entry, the line as it stands for a comment or raw
    // line. Held as places rather than strings of their own: a file of a few thousand lines would otherwise take
    // as many allocations to load, copy and free.
    struct TLine {
        qsizetype Start = 0;
        qsizetype Length = 0;
        qsizetype KeyLength = -1; // -1 for comments and raw lines, which are never found
        uint32_t KeyHash = 0;     // NameHash of the key, for entries
        bool IsEntry() const { return KeyLength >= 0; }
    };
    struct TSection {
        QString Name;
        uint32_t NameHash = 0;
        // Loaded sections share the whole file's text; the first write gives a section a text of its own. A
        // rewritten line is appended, and the text it leaves behind goes when the text next grows.
        QString Text;
        qsizetype UsedLength = 0; // of the lines' text
        std::vector<TLine> Lines;
        int EntryCount = 0;
        // The first entry of each key, held as FSectionSlots holds sections; only in sections with many entries.
        std::vector<uint32_t> KeySlots;
        QStringView LineText(const TLine& line) const { return {Text.constData() + line.Start, line.Length}; }
        QStringView Key(const TLine& line) const { return {Text.constData() + line.Start, line.KeyLength}; }
        QStringView Value(const TLine& line) const {
            return {Text.constData() + line.Start + line.KeyLength + 1, line.Length - line.KeyLength - 1};
        }
    };

    void WriteValue(const QString& section, const QString& key, QStringView value);
    static void MakeRoom(TSection& section, qsizetype length);
    static TLine AppendText(TSection& section, QStringView text, qsizetype keyLength); // after MakeRoom
    static void AddLine(TSection& section, TLine line);
    static void IndexKeys(TSection& section);
    static int FindLine(const TSection& section, const QString& key, uint32_t hash); // hash: NameHash(key)
    static std::pair<uint32_t, QStringView> KeyOf(const TSection& section, uint32_t line);
    std::pair<uint32_t, QStringView> NameOf(uint32_t section) const;
    static TSection NewSection(const QString& name);
    int FindSectionIndex(const QString& section) const;
    void AddSection(TSection section);
    void IndexSections();
    const TSection* FindSection(const QString& section) const;
    TSection* FindSection(const QString& section);
    TSection& AddNewSection(const QString& section);
    // The value's text, valid until the store changes; empty and false when there is no such entry.
    bool FindValue(const QString& section, const QString& key, QStringView& value) const;

    std::vector<TSection> FSections;
    // Open addressing over the first section of each name: section index + 1, 0 for a free slot, at most half
    // full. Used only beyond a few sections; a small store is scanned.
    std::vector<uint32_t> FSectionSlots;
};

} // namespace wl
