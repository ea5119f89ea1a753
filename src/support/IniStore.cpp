// The in-memory ini store: reading, lookups, in-place writes and the CR LF text form.
#include "support/IniStore.h"

#include "support/AtomicFile.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "support/Numbers.h"
#include "support/TextCodec.h"

#include <algorithm>

namespace wl {

namespace {

bool SameName(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool IsBlankLine(QStringView line) {
    return std::all_of(line.begin(), line.end(),
                       [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); });
}

// A header may carry trailing blanks from hand editing; without this the section's keys would vanish into the one
// before it.
bool ParseHeader(QStringView line, QString& name) {
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == QLatin1Char(' ') || line[end - 1] == QLatin1Char('\t')))
        --end;
    if (end < 2 || line[0] != QLatin1Char('[') || line[end - 1] != QLatin1Char(']'))
        return false;
    name = line.mid(1, end - 2).toString();
    return true;
}

[[noreturn]] void RaiseBadWrite(const QString& section, const QString& key, const QString& reason) {
    throw Exception(QStringLiteral("Cannot store the value of \"%1\" in section \"%2\": %3").arg(key, section, reason));
}

// Rejects what would read back as something else: line breaks anywhere, and keys that would turn into a
// comment, a header or another key.
void CheckWritable(const QString& section, const QString& key, const QString& value) {
    if (HasLineBreak(section))
        RaiseBadWrite(section, key, QStringLiteral("the section name contains a line break"));
    if (HasLineBreak(key) || key.contains(QLatin1Char('=')))
        RaiseBadWrite(section, key, QStringLiteral("the key contains a line break or \"=\""));
    if (key.startsWith(QLatin1Char(';')) || key.startsWith(QLatin1Char('[')))
        RaiseBadWrite(section, key, QStringLiteral("the key starts with \";\" or \"[\""));
    if (HasLineBreak(value))
        RaiseBadWrite(section, key, QStringLiteral("the value contains a line break"));
}

} // namespace

bool TIniStore::LoadFromFile(const QString& path) {
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes)) {
        Clear();
        return false;
    }
    LoadFromBytes(bytes);
    return true;
}

void TIniStore::LoadFromBytes(const QByteArray& bytes) {
    static const QByteArray bom("\xEF\xBB\xBF");
    LoadFromText(DecodeText(bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes));
}

void TIniStore::LoadFromText(const QString& text) {
    Clear();
    QStringView rest(text);
    if (rest.startsWith(QChar(0xFEFF)))
        rest = rest.mid(1);
    TSection* current = nullptr;
    while (!rest.isEmpty()) {
        // CR LF, LF and a lone CR all end a line: files edited elsewhere may use any of them.
        qsizetype eol = 0;
        while (eol < rest.size() && rest[eol] != QLatin1Char('\r') && rest[eol] != QLatin1Char('\n'))
            ++eol;
        const QStringView line = rest.left(eol);
        if (eol < rest.size())
            eol += rest.mid(eol).startsWith(QLatin1String("\r\n")) ? 2 : 1;
        rest = rest.mid(eol);
        QString name;
        if (ParseHeader(line, name)) {
            FSections.push_back(TSection{name, {}});
            current = &FSections.back();
            continue;
        }
        if (current == nullptr || IsBlankLine(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char(';')) || eq < 0)
            current->Lines.push_back(TLine{QString(), line.toString(), false}); // kept, never found
        else
            current->Lines.push_back(TLine{line.left(eq).toString(), line.mid(eq + 1).toString(), true});
    }
}

QByteArray TIniStore::ToBytes() const {
    QString text;
    for (const TSection& section : FSections) {
        text += QLatin1Char('[') + section.Name + QLatin1String("]\r\n");
        for (const TLine& line : section.Lines) {
            if (line.IsEntry)
                text += line.Key + QLatin1Char('=') + line.Value + QLatin1String("\r\n");
            else
                text += line.Value + QLatin1String("\r\n");
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

void TIniStore::SaveToFile(const QString& path) const {
    WriteFileAtomically(path, ToBytes());
}

void TIniStore::Clear() {
    FSections.clear();
}

QStringList TIniStore::Sections() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(FSections.size()));
    for (const TSection& section : FSections)
        names.append(section.Name);
    return names;
}

bool TIniStore::SectionExists(const QString& section) const {
    return FindSection(section) != nullptr;
}

QStringList TIniStore::Keys(const QString& section) const {
    QStringList keys;
    if (const TSection* s = FindSection(section)) {
        for (const TLine& line : s->Lines) {
            if (line.IsEntry)
                keys.append(line.Key);
        }
    }
    return keys;
}

bool TIniStore::ValueExists(const QString& section, const QString& key) const {
    return FindEntry(section, key) != nullptr;
}

void TIniStore::EraseSection(const QString& section) {
    std::erase_if(FSections, [&](const TSection& s) { return SameName(s.Name, section); });
}

void TIniStore::DeleteKey(const QString& section, const QString& key) {
    // Every occurrence goes, so that a later duplicate does not surface in its place.
    if (TSection* s = FindSection(section))
        std::erase_if(s->Lines, [&](const TLine& line) { return line.IsEntry && SameName(line.Key, key); });
}

QStringList TIniStore::SectionLines(int index) const {
    CheckIndex(index, 0, static_cast<int>(FSections.size()) - 1, "section index");
    QStringList lines;
    for (const TLine& line : FSections[static_cast<size_t>(index)].Lines)
        lines.append(line.IsEntry ? line.Key + QLatin1Char('=') + line.Value : line.Value);
    return lines;
}

void TIniStore::AppendRawSection(const QString& section, const QStringList& lines) {
    if (HasLineBreak(section))
        RaiseBadWrite(section, QString(), QStringLiteral("the section name contains a line break"));
    TSection added{section, {}};
    for (const QString& line : lines) {
        QString name;
        if (HasLineBreak(line) || ParseHeader(line, name))
            RaiseBadWrite(section, line, QStringLiteral("the line would not read back as part of its section"));
        if (IsBlankLine(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char(';')) || eq < 0)
            added.Lines.push_back(TLine{QString(), line, false});
        else
            added.Lines.push_back(TLine{line.left(eq), line.mid(eq + 1), true});
    }
    FSections.push_back(std::move(added));
}

QString TIniStore::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const TLine* line = FindEntry(section, key);
    return line != nullptr ? line->Value : defaultValue;
}

int32_t TIniStore::ReadInteger(const QString& section, const QString& key, int32_t defaultValue) const {
    const TLine* line = FindEntry(section, key);
    if (line == nullptr)
        return defaultValue;
    return ParseInteger(line->Value).value_or(defaultValue);
}

double TIniStore::ReadFloat(const QString& section, const QString& key, double defaultValue) const {
    const TLine* line = FindEntry(section, key);
    if (line == nullptr)
        return defaultValue;
    return ParseReal(line->Value).value_or(defaultValue);
}

bool TIniStore::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniStore::WriteString(const QString& section, const QString& key, const QString& value) {
    CheckWritable(section, key, value);
    TSection* s = FindSection(section);
    if (s == nullptr) {
        FSections.push_back(TSection{section, {}});
        s = &FSections.back();
    }
    for (TLine& line : s->Lines) {
        if (line.IsEntry && SameName(line.Key, key)) {
            line.Value = value;
            return;
        }
    }
    s->Lines.push_back(TLine{key, value, true});
}

void TIniStore::WriteInteger(const QString& section, const QString& key, long long value) {
    WriteString(section, key, FormatInteger(value));
}

void TIniStore::WriteFloat(const QString& section, const QString& key, double value) {
    WriteString(section, key, FormatProbability(value));
}

void TIniStore::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

const TIniStore::TSection* TIniStore::FindSection(const QString& section) const {
    for (const TSection& s : FSections) {
        if (SameName(s.Name, section))
            return &s;
    }
    return nullptr;
}

TIniStore::TSection* TIniStore::FindSection(const QString& section) {
    return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

const TIniStore::TLine* TIniStore::FindEntry(const QString& section, const QString& key) const {
    const TSection* s = FindSection(section);
    if (s == nullptr)
        return nullptr;
    for (const TLine& line : s->Lines) {
        if (line.IsEntry && SameName(line.Key, key))
            return &line;
    }
    return nullptr;
}

} // namespace wl
