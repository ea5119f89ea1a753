// The in-memory ini store shared by games.ini, bets.ini, the preferences store and the language files.
//
// Reading rules: a line starting with ";" is a comment; "[name]" starts a section (trailing blanks after "]" are
// allowed); lines before the first section are ignored; other lines are "key=value": the key is the text before the
// first "=" exactly as it stands (not trimmed), the value everything after it. A line without "=" is never found.
// Comments and lines without "=" inside a section are kept and written back as they were; blank lines are dropped.
// Sections and keys match without regard to letter case, and the first occurrence wins. Bytes are UTF-8, or Latin-1
// when not valid UTF-8; CR LF or LF; a UTF-8 byte order mark is skipped.
// Writing keeps the file's order: a write replaces a value in place, or appends the key to its section, or appends
// a new section. The text form is UTF-8 with CR LF: each section is "[name]", its lines, then one empty line, so a
// file this store wrote reads and writes back byte for byte. A write that could not read back the same (a line
// break anywhere, a key with "=" or starting with ";" or "[") raises Exception and changes nothing.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
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
    QStringList Sections() const; // in file order; a repeated name appears at each occurrence
    bool SectionExists(const QString& section) const;
    QStringList Keys(const QString& section) const; // of the first section of that name, in order
    bool ValueExists(const QString& section, const QString& key) const;
    void EraseSection(const QString& section); // every section of that name
    void DeleteKey(const QString& section, const QString& key);

    // The raw lines of the index-th section (as Sections() lists them), without its header and trailing blanks.
    QStringList SectionLines(int index) const;
    // Appends a section made of raw lines, written back unchanged.
    void AppendRawSection(const QString& section, const QStringList& lines);

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // Missing or bad values (see ParseInteger, ParseReal) read as the default; a bool is an integer other than 0.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t defaultValue = 0) const;
    double ReadFloat(const QString& section, const QString& key, double defaultValue = 0.0) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue = false) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, long long value);
    void WriteFloat(const QString& section, const QString& key, double value); // FormatProbability
    void WriteBool(const QString& section, const QString& key, bool value);    // "1" or "0"

private:
    struct TLine {
        QString Key;   // empty for comments and blank lines kept inside a section
        QString Value; // for comments and raw lines: the whole line
        bool IsEntry = true;
    };
    struct TSection {
        QString Name;
        std::vector<TLine> Lines;
    };

    const TSection* FindSection(const QString& section) const;
    TSection* FindSection(const QString& section);
    const TLine* FindEntry(const QString& section, const QString& key) const;

    std::vector<TSection> FSections;
};

} // namespace wl
