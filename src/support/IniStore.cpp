// The in-memory ini store: reading, lookups, in-place writes and the CR LF text form.
#include "support/IniStore.h"

#include "support/AtomicFile.h"
#include "support/Checked.h"
#include "support/Exception.h"
#include "support/Numbers.h"
#include "support/TextCodec.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>

namespace wl {

namespace {

// Names equal without regard to case have the same length in UTF-16: the length test spares most comparisons. A
// caller that passes the store's own text (a section name it listed) is matched without a comparison.
bool SameName(QStringView a, QStringView b) {
    return a.size() == b.size() && (a.data() == b.data() || a.compare(b, Qt::CaseInsensitive) == 0);
}

// Up to this many entries a section is scanned; beyond, it keeps its key hashes in order for a binary search.
constexpr size_t ScannedEntries = 16;
constexpr size_t ScannedSections = 8;
constexpr size_t WrittenLinesReserve = 32;
// Loading reserves room for as many sections as lines that start with "[", up to this many: lines of a stray "["
// would otherwise reserve memory for sections that are not there.
constexpr qsizetype MaxReservedSections = 1024;

// ASCII folded by a table: names are mostly ASCII, and a lookup costs less than the comparisons.
constexpr std::array<char16_t, 128> AsciiFolded = [] {
    std::array<char16_t, 128> table{};
    for (char16_t c = 0; c < 128; ++c)
        table[c] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    return table;
}();

// A hash of a name as the case-insensitive comparison sees it, so that names it finds equal hash alike: it folds
// unit by unit, the low unit of a surrogate pair as part of its code point, the high unit as it stands.
uint32_t NameHash(QStringView name) {
    uint32_t hash = 2166136261u ^ static_cast<uint32_t>(name.size());
    char16_t previous = 0;
    for (const QChar c : name) {
        const char16_t unit = c.unicode();
        char32_t folded = unit;
        if (unit < 0x80) {
            folded = AsciiFolded[unit];
        } else if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(previous)) {
            folded = QChar::lowSurrogate(QChar::toCaseFolded(QChar::surrogateToUcs4(previous, unit)));
        } else if (!QChar::isSurrogate(unit)) {
            folded = QChar::toCaseFolded(char32_t(unit));
        }
        previous = unit;
        hash = (hash ^ static_cast<uint32_t>(folded)) * 16777619u;
    }
    return hash;
}

// Open addressing over named items: a slot holds an item's index + 1, 0 when free. nameOf(index) gives the item's
// hash and name. Only the first item of each name is held, so that the first occurrence is the one found.
template <typename TNameOf>
int FindSlot(const std::vector<uint32_t>& slots, uint32_t hash, QStringView name, const TNameOf& nameOf) {
    const size_t mask = slots.size() - 1;
    for (size_t slot = hash & mask; slots[slot] != 0; slot = (slot + 1) & mask) {
        const auto [itemHash, itemName] = nameOf(slots[slot] - 1);
        if (itemHash == hash && SameName(itemName, name))
            return static_cast<int>(slots[slot] - 1);
    }
    return -1;
}

template <typename TNameOf> void InsertSlot(std::vector<uint32_t>& slots, uint32_t index, const TNameOf& nameOf) {
    const auto [hash, name] = nameOf(index);
    const size_t mask = slots.size() - 1;
    size_t slot = hash & mask;
    for (; slots[slot] != 0; slot = (slot + 1) & mask) {
        const auto [itemHash, itemName] = nameOf(slots[slot] - 1);
        if (itemHash == hash && SameName(itemName, name))
            return; // an earlier item holds the name
    }
    slots[slot] = index + 1;
}

// A table at most a quarter full for count items, so that it is rebuilt only when their number doubles.
std::vector<uint32_t> EmptySlots(size_t count) {
    size_t size = 16;
    while (size < count * 4)
        size *= 2;
    return std::vector<uint32_t>(size, 0);
}

bool HasLineBreak(QStringView text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool IsBlankLine(QStringView line) {
    return std::all_of(line.begin(), line.end(),
                       [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); });
}

// A header may carry trailing blanks from hand editing; without this the section's keys would vanish into the one
// before it.
bool ParseHeader(QStringView line, QString& name) {
    if (!line.startsWith(QLatin1Char('['))) // most lines: spared the look at their end
        return false;
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
// A section already in the store has a name that reads back; a new one is checked too.
void CheckWritable(const QString& section, bool newSection, const QString& key, QStringView value) {
    if (newSection && HasLineBreak(section))
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
    // The sections share the text. Text only borrowed (fromRawData) could go before the store does: it is copied.
    QString whole = text;
    if (!whole.isEmpty() && !whole.data_ptr().isMutable())
        whole = QString(text.constData(), text.size());
    QStringView rest(whole);
    if (rest.startsWith(QChar(0xFEFF)))
        rest = rest.mid(1);
    FSections.reserve(static_cast<size_t>(std::min(rest.count(u"\n[") + 1, MaxReservedSections)));
    TSection current;
    bool inSection = false;
    // A section's lines gather here and move to it at its end in one allocation of their size, instead of one for
    // every doubling of each section.
    std::vector<TLine> lines;
    const auto endSection = [&] {
        if (!inSection)
            return;
        current.Lines.assign(lines.begin(), lines.end());
        lines.clear();
        AddSection(std::move(current));
    };
    const QChar* data = rest.data();
    const qsizetype size = rest.size();
    qsizetype start = 0;
    // The next LF and the next CR, each searched for again only once passed: the text is searched once for each.
    qsizetype lf = -1, cr = -1;
    const auto findNext = [&](QLatin1Char c, qsizetype& at) {
        if (at < start) {
            at = rest.indexOf(c, start);
            if (at < 0)
                at = size;
        }
    };
    while (start < size) {
        findNext(QLatin1Char('\n'), lf);
        findNext(QLatin1Char('\r'), cr);
        const qsizetype end = std::min(lf, cr);
        const QStringView line = rest.mid(start, end - start);
        // CR LF, LF and a CR alone each end a line.
        start = end + (end + 1 < size && data[end] == QLatin1Char('\r') && data[end + 1] == QLatin1Char('\n') ? 2 : 1);
        QString name;
        if (ParseHeader(line, name)) {
            endSection();
            current = NewSection(name);
            current.Text = whole;
            inSection = true;
            continue;
        }
        if (!inSection || IsBlankLine(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const qsizetype at = line.data() - whole.constData();
        current.UsedLength += line.size();
        if (line.startsWith(QLatin1Char(';')) || eq < 0) {
            lines.push_back(TLine{at, line.size(), -1, 0}); // kept, never found
        } else {
            lines.push_back(TLine{at, line.size(), eq, NameHash(line.left(eq))});
            ++current.EntryCount;
        }
    }
    endSection();
}

QByteArray TIniStore::ToBytes() const {
    qsizetype length = 0;
    for (const TSection& section : FSections)
        length += section.Name.size() + 6 + section.UsedLength + 2 * static_cast<qsizetype>(section.Lines.size());
    QString text;
    text.reserve(length);
    for (const TSection& section : FSections) {
        text += QLatin1Char('[') + section.Name + QLatin1String("]\r\n");
        for (const TLine& line : section.Lines) {
            text += section.LineText(line);
            text += QLatin1String("\r\n");
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
    FSectionSlots.clear();
}

void TIniStore::ReserveSections(qsizetype count) {
    FSections.reserve(static_cast<size_t>(std::max<qsizetype>(count, 0)));
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
            if (line.IsEntry())
                keys.append(s->Key(line).toString());
        }
    }
    return keys;
}

bool TIniStore::ValueExists(const QString& section, const QString& key) const {
    QStringView value;
    return FindValue(section, key, value);
}

void TIniStore::EraseSection(const QString& section) {
    std::erase_if(FSections, [&](const TSection& s) { return SameName(s.Name, section); });
    IndexSections();
}

void TIniStore::DeleteKey(const QString& section, const QString& key) {
    // Every occurrence goes, so that a later duplicate does not surface in its place.
    TSection* s = FindSection(section);
    if (s == nullptr)
        return;
    std::erase_if(s->Lines, [&](const TLine& line) { return line.IsEntry() && SameName(s->Key(line), key); });
    s->EntryCount = 0;
    s->UsedLength = 0;
    for (const TLine& line : s->Lines) {
        s->EntryCount += line.IsEntry() ? 1 : 0;
        s->UsedLength += line.Length;
    }
    IndexKeys(*s);
}

QStringList TIniStore::SectionLines(int index) const {
    CheckIndex(index, 0, static_cast<int>(FSections.size()) - 1, "section index");
    const TSection& section = FSections[static_cast<size_t>(index)];
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(section.Lines.size()));
    for (const TLine& line : section.Lines)
        lines.append(section.LineText(line).toString());
    return lines;
}

void TIniStore::AppendRawSection(const QString& section, const QStringList& lines) {
    if (HasLineBreak(section))
        RaiseBadWrite(section, QString(), QStringLiteral("the section name contains a line break"));
    TSection added = NewSection(section);
    qsizetype length = 0;
    for (const QString& line : lines) {
        QString name;
        if (HasLineBreak(line) || ParseHeader(line, name))
            RaiseBadWrite(section, line, QStringLiteral("the line would not read back as part of its section"));
        length += line.size();
    }
    MakeRoom(added, length);
    for (const QString& line : lines) {
        if (IsBlankLine(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char(';')) || eq < 0) {
            added.Lines.push_back(AppendText(added, line, -1));
        } else {
            added.Lines.push_back(AppendText(added, line, eq));
            ++added.EntryCount;
        }
    }
    AddSection(std::move(added));
}

int TIniStore::SectionIndex(const QString& section) const {
    return FindSectionIndex(section);
}

TIniStore TIniStore::SectionStore(int index) const {
    CheckIndex(index, 0, static_cast<int>(FSections.size()) - 1, "section index");
    TIniStore single;
    single.AddSection(FSections[static_cast<size_t>(index)]);
    return single;
}

void TIniStore::AssignSection(const TIniStore& other, int index) {
    CheckIndex(index, 0, static_cast<int>(other.FSections.size()) - 1, "section index");
    if (this == &other) {
        *this = other.SectionStore(index);
        return;
    }
    // Assigned rather than copied anew, so that the vectors keep their memory.
    FSections.resize(1);
    FSections[0] = other.FSections[static_cast<size_t>(index)];
    FSectionSlots.clear();
}

void TIniStore::Append(TIniStore&& other) {
    if (this == &other)
        return;
    for (TSection& section : other.FSections)
        AddSection(std::move(section));
    other.Clear();
}

void TIniStore::Append(const TIniStore& other) {
    if (this == &other) {
        const TIniStore copy = other;
        Append(copy);
        return;
    }
    for (const TSection& section : other.FSections)
        AddSection(section);
}

QString TIniStore::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    QStringView value;
    return FindValue(section, key, value) ? value.toString() : defaultValue;
}

namespace {
// A value that is there but not a number: noted as "key=text" where asked.
template <typename T>
T Noted(std::optional<T> parsed, T defaultValue, const QString& key, QStringView value, QStringList* unread) {
    if (!parsed && unread)
        unread->append(key + QLatin1Char('=') + value.toString());
    return parsed.value_or(defaultValue);
}
} // namespace

int32_t TIniStore::ReadInteger(const QString& section, const QString& key, int32_t defaultValue,
                               QStringList* unread) const {
    QStringView value;
    if (!FindValue(section, key, value))
        return defaultValue;
    return Noted(ParseInteger(value), defaultValue, key, value, unread);
}

double TIniStore::ReadFloat(const QString& section, const QString& key, double defaultValue,
                            QStringList* unread) const {
    QStringView value;
    if (!FindValue(section, key, value))
        return defaultValue;
    return Noted(ParseReal(value), defaultValue, key, value, unread);
}

bool TIniStore::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniStore::WriteString(const QString& section, const QString& key, const QString& value) {
    WriteValue(section, key, value);
}

void TIniStore::WriteValue(const QString& section, const QString& key, QStringView value) {
    TSection* existing = FindSection(section);
    CheckWritable(section, existing == nullptr, key, value);
    TSection& s = existing != nullptr ? *existing : AddNewSection(section);
    const uint32_t hash = NameHash(key);
    const int found = FindLine(s, key, hash);
    if (found >= 0) {
        // The key keeps its spelling from the file. The new line goes at the end of the text, where MakeRoom
        // leaves space, so that copying the key does not move the text it is copied from.
        const auto at = static_cast<size_t>(found);
        const qsizetype keyLength = s.Lines[at].KeyLength;
        MakeRoom(s, keyLength + 1 + value.size());
        const TLine old = s.Lines[at];
        const qsizetype start = s.Text.size();
        s.Text.append(s.Key(old));
        s.Text.append(QLatin1Char('='));
        s.Text.append(value);
        s.UsedLength += s.Text.size() - start - old.Length;
        s.Lines[at] = TLine{start, s.Text.size() - start, keyLength, old.KeyHash};
    } else {
        MakeRoom(s, key.size() + 1 + value.size());
        const qsizetype start = s.Text.size();
        s.Text.append(key);
        s.Text.append(QLatin1Char('='));
        s.Text.append(value);
        s.UsedLength += s.Text.size() - start;
        AddLine(s, TLine{start, s.Text.size() - start, key.size(), hash});
    }
}

void TIniStore::WriteInteger(const QString& section, const QString& key, long long value) {
    // Formatted in place, as FormatInteger does: a list saves thousands of numbers. 24 places hold any 64 bits.
    char digits[24];
    const char* end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    char16_t text[24];
    std::copy(static_cast<const char*>(digits), end, text);
    WriteValue(section, key, QStringView(text, static_cast<qsizetype>(end - digits)));
}

void TIniStore::WriteFloat(const QString& section, const QString& key, double value) {
    WriteString(section, key, FormatProbability(value));
}

void TIniStore::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniStore::MakeRoom(TSection& section, qsizetype length) {
    if (section.Text.isDetached() && section.Text.data_ptr().freeSpaceAtEnd() >= length)
        return;
    // A text shared with other sections, or full: the lines move to one of their own with room to grow, which
    // drops the text that rewritten and deleted lines left behind.
    QString text;
    text.reserve(std::max<qsizetype>(2 * (section.UsedLength + length), 256));
    for (TLine& line : section.Lines) {
        const qsizetype start = text.size();
        text.append(section.LineText(line));
        line.Start = start;
    }
    section.Text = std::move(text);
}

TIniStore::TLine TIniStore::AppendText(TSection& section, QStringView text, qsizetype keyLength) {
    const qsizetype start = section.Text.size();
    section.Text.append(text);
    section.UsedLength += text.size();
    return TLine{start, text.size(), keyLength, keyLength < 0 ? 0 : NameHash(text.left(keyLength))};
}

std::pair<uint32_t, QStringView> TIniStore::KeyOf(const TSection& section, uint32_t line) {
    return {section.Lines[line].KeyHash, section.Key(section.Lines[line])};
}

std::pair<uint32_t, QStringView> TIniStore::NameOf(uint32_t section) const {
    return {FSections[section].NameHash, FSections[section].Name};
}

void TIniStore::AddLine(TSection& section, TLine line) {
    const bool entry = line.IsEntry();
    // Sections written key by key grow from a few dozen lines at once rather than one: a game's or system's has
    // up to 64.
    if (section.Lines.size() == section.Lines.capacity() && section.Lines.size() < WrittenLinesReserve)
        section.Lines.reserve(WrittenLinesReserve);
    section.Lines.push_back(std::move(line));
    if (!entry)
        return;
    const auto count = static_cast<size_t>(++section.EntryCount);
    if (count > ScannedEntries && count * 2 > section.KeySlots.size())
        IndexKeys(section);
    else if (!section.KeySlots.empty())
        InsertSlot(section.KeySlots, static_cast<uint32_t>(section.Lines.size() - 1),
                   [&](uint32_t i) { return KeyOf(section, i); });
}

void TIniStore::IndexKeys(TSection& section) {
    section.KeySlots.clear();
    if (static_cast<size_t>(section.EntryCount) <= ScannedEntries)
        return;
    section.KeySlots = EmptySlots(static_cast<size_t>(section.EntryCount));
    for (size_t i = 0; i < section.Lines.size(); ++i) {
        if (section.Lines[i].IsEntry())
            InsertSlot(section.KeySlots, static_cast<uint32_t>(i), [&](uint32_t j) { return KeyOf(section, j); });
    }
}

int TIniStore::FindLine(const TSection& section, const QString& key, uint32_t hash) {
    if (section.KeySlots.empty()) {
        for (size_t i = 0; i < section.Lines.size(); ++i) {
            const TLine& line = section.Lines[i];
            if (line.IsEntry() && line.KeyHash == hash && SameName(section.Key(line), key))
                return static_cast<int>(i);
        }
        return -1;
    }
    return FindSlot(section.KeySlots, hash, key, [&](uint32_t i) { return KeyOf(section, i); });
}

TIniStore::TSection TIniStore::NewSection(const QString& name) {
    return TSection{name, NameHash(name), {}, 0, {}, 0, {}};
}

int TIniStore::FindSectionIndex(const QString& section) const {
    // A few sections are compared as they stand: hashing the name would cost as much as the comparisons.
    if (FSectionSlots.empty()) {
        for (size_t i = 0; i < FSections.size(); ++i) {
            if (SameName(FSections[i].Name, section))
                return static_cast<int>(i);
        }
        return -1;
    }
    return FindSlot(FSectionSlots, NameHash(section), section, [this](uint32_t i) { return NameOf(i); });
}

void TIniStore::AddSection(TSection section) {
    if (section.KeySlots.empty())
        IndexKeys(section);
    FSections.push_back(std::move(section));
    if (FSections.size() > ScannedSections && FSections.size() * 2 > FSectionSlots.size())
        IndexSections();
    else if (!FSectionSlots.empty())
        InsertSlot(FSectionSlots, static_cast<uint32_t>(FSections.size() - 1),
                   [this](uint32_t i) { return NameOf(i); });
}

void TIniStore::IndexSections() {
    FSectionSlots.clear();
    if (FSections.size() <= ScannedSections)
        return;
    FSectionSlots = EmptySlots(FSections.size());
    for (size_t i = 0; i < FSections.size(); ++i)
        InsertSlot(FSectionSlots, static_cast<uint32_t>(i), [this](uint32_t j) { return NameOf(j); });
}

const TIniStore::TSection* TIniStore::FindSection(const QString& section) const {
    const int index = FindSectionIndex(section);
    return index < 0 ? nullptr : &FSections[static_cast<size_t>(index)];
}

TIniStore::TSection* TIniStore::FindSection(const QString& section) {
    return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

TIniStore::TSection& TIniStore::AddNewSection(const QString& section) {
    AddSection(NewSection(section));
    return FSections.back();
}

bool TIniStore::FindValue(const QString& section, const QString& key, QStringView& value) const {
    value = {};
    const TSection* s = FindSection(section);
    if (s == nullptr)
        return false;
    const int found = FindLine(*s, key, NameHash(key));
    if (found < 0)
        return false;
    value = s->Value(s->Lines[static_cast<size_t>(found)]);
    return true;
}

} // namespace wl
