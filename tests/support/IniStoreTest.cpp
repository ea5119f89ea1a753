// The ini store's reading rules, typed reads, in-place writes and byte-exact text form.
#include "support/IniStore.h"

#include "support/AtomicFile.h"
#include "support/Exception.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

namespace wl {
namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TIniStore FromBytes(const QByteArray& bytes) {
    TIniStore store;
    store.LoadFromBytes(bytes);
    return store;
}

TEST(IniStoreReadTest, LookupIgnoresCaseAndFirstOccurrenceWins) {
    const TIniStore store = FromBytes("[Coin]\r\nCount=2\r\ncount=9\r\n[COIN]\r\nCount=3\r\nExtra=1\r\n");
    EXPECT_EQ(store.ReadInteger(S("coin"), S("COUNT")), 2);
    EXPECT_FALSE(store.ValueExists(S("Coin"), S("Extra"))); // only the first section of a name is looked at
    EXPECT_EQ(store.Sections(), QStringList({S("Coin"), S("COIN")}));
    EXPECT_EQ(store.Keys(S("coin")), QStringList({S("Count"), S("count")}));
}

TEST(IniStoreReadTest, LineRules) {
    const TIniStore store =
        FromBytes("Before=1\r\n[A]\r\n; note=1\r\n key = spaced \r\nempty=\r\nnoequals\r\na=b=c\r\n=x\r\n[B] \r\n"
                  "k=v\r\n[C\r\n[]\r\nz=1\r\n");
    EXPECT_EQ(store.Sections(), QStringList({S("A"), S("B"), S("")}));
    EXPECT_FALSE(store.ValueExists(S("A"), S("; note")));
    EXPECT_FALSE(store.ValueExists(S("A"), S("noequals")));
    EXPECT_EQ(store.ReadString(S("A"), S(" key ")), S(" spaced ")); // neither key nor value is trimmed
    EXPECT_FALSE(store.ValueExists(S("A"), S("key")));
    EXPECT_TRUE(store.ValueExists(S("A"), S("empty")));
    EXPECT_EQ(store.ReadString(S("A"), S("empty"), S("dflt")), S(""));
    EXPECT_EQ(store.ReadString(S("A"), S("a")), S("b=c"));
    EXPECT_EQ(store.ReadString(S("A"), S("")), S("x"));
    EXPECT_EQ(store.ReadString(S("B"), S("k")), S("v"));                // header with a trailing blank
    EXPECT_EQ(store.SectionLines(1), QStringList({S("k=v"), S("[C")})); // "[C" is not a header
    EXPECT_EQ(store.ReadInteger(S(""), S("z")), 1);
}

TEST(IniStoreReadTest, EveryLineEndReadsAlike) {
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        const QByteArray e(eol);
        const TIniStore store = FromBytes("[A]" + e + "k=v" + e + e + "[B]" + e + "n=2");
        EXPECT_EQ(store.Sections(), QStringList({S("A"), S("B")})) << e.toHex().constData();
        EXPECT_EQ(store.SectionLines(0), QStringList({S("k=v")})) << e.toHex().constData();
        EXPECT_EQ(store.ReadInteger(S("B"), S("n")), 2) << e.toHex().constData();
    }
}

struct TTypedCase {
    const char* Name;
    const char* Value;
    int32_t Integer; // with default 0
    double Real;     // with default 0
};

class IniStoreTypedTest : public testing::TestWithParam<TTypedCase> {};

TEST_P(IniStoreTypedTest, BadValuesReadAsDefault) {
    const TIniStore store = FromBytes(QByteArray("[S]\r\nk=") + GetParam().Value + "\r\n");
    EXPECT_EQ(store.ReadInteger(S("S"), S("k")), GetParam().Integer);
    EXPECT_EQ(store.ReadFloat(S("S"), S("k")), GetParam().Real);
}

INSTANTIATE_TEST_SUITE_P(Rows, IniStoreTypedTest,
                         testing::Values(TTypedCase{"Decimal", "12", 12, 12.0}, TTypedCase{"Hex", "0x1F", 31, 0.0},
                                         TTypedCase{"Dollar", "$10", 16, 0.0}, TTypedCase{"Real", "0.5", 0, 0.5},
                                         TTypedCase{"Exponent", "1E-6", 0, 1e-6}, TTypedCase{"Empty", "", 0, 0.0},
                                         TTypedCase{"Text", "abc", 0, 0.0}, TTypedCase{"Nan", "nan", 0, 0.0},
                                         TTypedCase{"Comma", "1,5", 0, 0.0},
                                         TTypedCase{"Over32Bits", "4294967296", 0, 4294967296.0}),
                         [](const testing::TestParamInfo<TTypedCase>& row) { return std::string(row.param.Name); });

TEST(IniStoreReadTest, MissingValuesReadAsGivenDefault) {
    const TIniStore store = FromBytes("[S]\r\nbad=x\r\nyes=1\r\nno=0\r\n");
    EXPECT_EQ(store.ReadInteger(S("S"), S("missing"), 7), 7);
    EXPECT_EQ(store.ReadInteger(S("S"), S("bad"), 7), 7);
    EXPECT_EQ(store.ReadInteger(S("Nowhere"), S("k"), -3), -3);
    EXPECT_EQ(store.ReadFloat(S("S"), S("bad"), 0.25), 0.25);
    EXPECT_TRUE(store.ReadBool(S("S"), S("yes")));
    EXPECT_FALSE(store.ReadBool(S("S"), S("no"), true));
    EXPECT_TRUE(store.ReadBool(S("S"), S("bad"), true));
    EXPECT_EQ(store.ReadString(S("S"), S("missing"), S("d")), S("d"));
}

TEST(IniStoreWriteTest, WritesInPlaceAndAppends) {
    TIniStore store = FromBytes("[Coin]\r\nCOUNT=2\r\n; kept\r\nResult0=1\r\n[Other]\r\nk=v\r\n");
    store.WriteInteger(S("coin"), S("count"), 3);         // in place, original spelling kept
    store.WriteFloat(S("Coin"), S("Probability0"), 0.5);  // new key at the end of its section
    store.WriteBool(S("New"), S("Flag"), true);           // new section at the end
    store.WriteString(S("other"), S("K"), S(" spaced ")); // values are stored as given
    store.WriteInteger(S("New"), S("Min"), std::numeric_limits<long long>::min());
    EXPECT_EQ(store.ToBytes(), QByteArray("[Coin]\r\nCOUNT=3\r\n; kept\r\nResult0=1\r\nProbability0=0.5\r\n\r\n"
                                          "[Other]\r\nk= spaced \r\n\r\n[New]\r\nFlag=1\r\n"
                                          "Min=-9223372036854775808\r\n\r\n"));
}

TEST(IniStoreWriteTest, DeleteAndErase) {
    TIniStore store = FromBytes("[A]\r\nk=1\r\nK=2\r\nj=3\r\n[B]\r\nx=1\r\n[a]\r\nk=4\r\n");
    store.DeleteKey(S("a"), S("k"));
    EXPECT_FALSE(store.ValueExists(S("A"), S("k"))); // a duplicate does not take its place
    EXPECT_EQ(store.Keys(S("A")), QStringList({S("j")}));
    store.EraseSection(S("A"));
    EXPECT_EQ(store.Sections(), QStringList({S("B")}));
    store.DeleteKey(S("Missing"), S("x")); // harmless
    store.Clear();
    EXPECT_TRUE(store.ToBytes().isEmpty());
}

TEST(IniStoreWriteTest, RefusesWhatWouldNotReadBack) {
    TIniStore store = FromBytes("[A]\r\nk=1\r\n");
    const QByteArray before = store.ToBytes();
    const struct {
        const char* Section;
        const char* Key;
        const char* Value;
    } rows[] = {{"A", "k", "1\r\n[Evil]"}, {"A", "k", "line\nbreak"}, {"A\r\nB", "k", "1"},
                {"A", "a=b", "1"},         {"A", ";k", "1"},          {"A", "[k", "]"}};
    for (const auto& row : rows) {
        EXPECT_THROW(store.WriteString(S(row.Section), S(row.Key), S(row.Value)), Exception) << row.Key;
    }
    EXPECT_THROW(store.AppendRawSection(S("R"), {S("ok=1"), S("[Injected]")}), Exception);
    EXPECT_THROW(store.AppendRawSection(S("R"), {S("a\r\nb")}), Exception);
    EXPECT_EQ(store.ToBytes(), before);
}

// Lines are places in a text that loaded sections share: a write must leave the other sections, copies of the
// store and borrowed source text out of it.
TEST(IniStoreWriteTest, RewritesTouchOnlyTheirOwnSection) {
    std::u16string borrowed = u"[A]\r\nk=1\r\n; c\r\n[B]\r\nk=2\r\n";
    TIniStore store;
    store.LoadFromText(
        QString::fromRawData(reinterpret_cast<const QChar*>(borrowed.data()), static_cast<qsizetype>(borrowed.size())));
    std::fill(borrowed.begin(), borrowed.end(), u'#');
    const TIniStore copy = store;
    for (int i = 0; i < 500; ++i)
        store.WriteString(S("A"), S("K"), QString(i % 7 * 10, QLatin1Char('x')) + QString::number(i));
    store.WriteInteger(S("A"), S("n"), 5);
    store.WriteInteger(S("B"), S("k"), 3);
    EXPECT_EQ(store.ToBytes(), QByteArray("[A]\r\nk=xxxxxxxxxxxxxxxxxxxx499\r\n; c\r\nn=5\r\n\r\n[B]\r\nk=3\r\n\r\n"));
    EXPECT_EQ(copy.ToBytes(), QByteArray("[A]\r\nk=1\r\n; c\r\n\r\n[B]\r\nk=2\r\n\r\n"));
}

TEST(IniStoreWriteTest, RawSectionsRoundTrip) {
    TIniStore store = FromBytes("[A]\r\n; c\r\nk=1\r\nbare\r\n");
    store.AppendRawSection(S("Copy"), store.SectionLines(0));
    EXPECT_EQ(store.SectionLines(1), QStringList({S("; c"), S("k=1"), S("bare")}));
    EXPECT_EQ(store.ReadInteger(S("copy"), S("K")), 1);
    EXPECT_THROW(store.SectionLines(2), ERangeError);
    EXPECT_THROW(store.SectionLines(-1), ERangeError);
}

TEST(IniStoreTextTest, ProgramWrittenFileRoundTripsByteForByte) {
    TIniStore written;
    written.WriteInteger(S("European"), S("Count"), 2);
    written.WriteInteger(S("European"), S("Result0"), 1);
    written.WriteFloat(S("European"), S("Probability0"), 18.0 / 37.0);
    written.WriteInteger(S("European"), S("Result1"), -1);
    written.WriteFloat(S("European"), S("Probability1"), 19.0 / 37.0);
    written.WriteString(S("Ünïcode ☂"), S("Name"), S("Grüße"));
    written.WriteFloat(S("Tiny"), S("P"), 1e-6);
    const QByteArray bytes = written.ToBytes();
    EXPECT_TRUE(bytes.startsWith("[European]\r\nCount=2\r\nResult0=1\r\nProbability0=0.486486486486487\r\n"));
    EXPECT_EQ(FromBytes(bytes).ToBytes(), bytes);
    EXPECT_EQ(FromBytes(bytes).ReadString(S("ünïcode ☂"), S("name")), S("Grüße"));
}

TEST(IniStoreTextTest, LatinOneFallback) {
    QFile file(QStringLiteral(WL_TEST_DATA_DIR "/support-latin1-section-name.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const TIniStore store = FromBytes(file.readAll());
    EXPECT_EQ(store.Sections(), QStringList({S("Roulette française")}));
    EXPECT_EQ(store.ReadFloat(S("ROULETTE FRANÇAISE"), S("Probability0")), 0.027027027027027);
    EXPECT_TRUE(store.ToBytes().contains("[Roulette fran\xc3\xa7"
                                         "aise]\r\n")); // written back as UTF-8
}

TEST(IniStoreTextTest, ByteOrderMarkLineFeedsAndComments) {
    TIniStore store;
    ASSERT_TRUE(store.LoadFromFile(QStringLiteral(WL_TEST_DATA_DIR "/support-bom-lf-comments.ini")));
    EXPECT_EQ(store.Sections(), QStringList({S("Coin"), S("Coin")}));
    EXPECT_EQ(store.ReadInteger(S("coin"), S("Count")), 2);
    EXPECT_EQ(store.ReadFloat(S("Coin"), S("Probability1")), 0.5);
    // The comment before the first section goes, the one inside stays, the blank line goes.
    EXPECT_EQ(store.ToBytes(), QByteArray("[Coin]\r\ncount=2\r\nResult0=1\r\n; heads\r\nProbability0=0.5\r\n"
                                          "Result1=-1\r\nProbability1=0.5\r\n\r\n[Coin]\r\nCount=7\r\n\r\n"));
}

// Every spelling the case-insensitive comparison finds equal is found, also among many sections and keys.
TEST(IniStoreReadTest, EveryCaseVariantTheComparisonAcceptsIsFound) {
    QStringList names;
    for (char32_t c = 0x41; c < 0x30000; ++c) {
        if (QChar::isSurrogate(c) || (c >= 0xE000 && c < 0xF900) || (c >= 0x10000 && !QChar::isLetter(c)))
            continue;
        names.append(S("x") + QString::fromUcs4(&c, 1));
    }
    TIniStore store;
    for (const QString& name : names) {
        store.WriteString(name, S("k"), name);
        store.WriteString(S("Keys"), name, name);
    }
    const QStringList sections = store.Sections();
    int checked = 0;
    for (const QString& name : names) {
        const QString u = name.toUpper(), l = name.toLower(), f = name.toCaseFolded();
        for (const QString& variant : {u, l, f}) {
            if (QString::compare(variant, name, Qt::CaseInsensitive) != 0)
                continue;
            ++checked;
            const int index = store.SectionIndex(variant);
            ASSERT_GE(index, 0) << variant.toStdString();
            EXPECT_EQ(QString::compare(sections[index], variant, Qt::CaseInsensitive), 0);
            EXPECT_EQ(QString::compare(store.ReadString(S("Keys"), variant), variant, Qt::CaseInsensitive), 0);
        }
    }
    EXPECT_GT(checked, 3000);
}

TEST(IniStoreReadTest, HundredThousandSectionsAndKeysKeepTheRules) {
    constexpr int Count = 100000;
    QByteArray bytes;
    for (int i = 0; i < Count; ++i)
        bytes += "[S" + QByteArray::number(i) + "]\r\nk=" + QByteArray::number(i) + "\r\n";
    bytes += "[s7]\r\nk=-1\r\n[Wide]\r\n";
    for (int i = 0; i < Count; ++i)
        bytes += "K" + QByteArray::number(i % (Count / 2)) + "=" + QByteArray::number(i) + "\r\n";
    TIniStore store = FromBytes(bytes);
    for (int i = 0; i < Count; i += 7) {
        EXPECT_EQ(store.ReadInteger(S("s") + QString::number(i), S("K")), i);
        EXPECT_EQ(store.ReadInteger(S("wide"), S("k") + QString::number(i / 2)), i / 2); // the first one
    }
    EXPECT_EQ(store.SectionIndex(S("S7")), 7);
    store.WriteInteger(S("Wide"), S("new"), 5);
    store.WriteInteger(S("Wide"), S("k3"), 9);
    EXPECT_EQ(store.ReadInteger(S("WIDE"), S("NEW")), 5);
    EXPECT_EQ(store.ReadInteger(S("WIDE"), S("K3")), 9);
    store.DeleteKey(S("Wide"), S("k3"));
    EXPECT_FALSE(store.ValueExists(S("Wide"), S("k3")));
    EXPECT_EQ(store.ReadInteger(S("Wide"), S("k4")), 4);
    EXPECT_EQ(FromBytes(store.ToBytes()).ToBytes(), store.ToBytes());
}

TEST(IniStoreTextTest, BomWithInvalidUtf8FallsBackWithoutTheMark) {
    const TIniStore store = FromBytes("\xEF\xBB\xBF[Caf\xE9]\r\nk=1\r\n");
    EXPECT_EQ(store.Sections(), QStringList({S("Café")}));
}

TEST(IniStoreFileTest, MissingFileIsEmptyAndSaveWritesAtomically) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("games.ini"));
    TIniStore store = FromBytes("[Old]\r\nk=1\r\n");
    EXPECT_FALSE(store.LoadFromFile(path));
    EXPECT_TRUE(store.Sections().isEmpty());
    store.WriteInteger(S("Coin"), S("Count"), 0);
    store.SaveToFile(path);
    TIniStore back;
    ASSERT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(back.ToBytes(), QByteArray("[Coin]\r\nCount=0\r\n\r\n"));
    EXPECT_THROW(back.LoadFromFile(dir.path()), EFileError);   // exists but is not a readable file
    EXPECT_EQ(back.ReadInteger(S("Coin"), S("Count"), -1), 0); // and the failed load lost nothing
}

TEST(IniStoreFileTest, FileOverTheLimitIsRefusedUntouched) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("games.ini"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Coin]\r\nCount=2\r\n");
        ASSERT_TRUE(file.resize(MaxReadFileSize + 1)); // sparse: no 64 MB written
    }
    TIniStore store = FromBytes("[Kept]\r\nk=1\r\n");
    try {
        store.LoadFromFile(path);
        ADD_FAILURE() << "a file over the limit was read";
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("games.ini"))) << e.what();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("67108865 bytes"))) << e.what();
    }
    EXPECT_EQ(QFileInfo(path).size(), MaxReadFileSize + 1);
    EXPECT_EQ(store.ReadInteger(S("Kept"), S("k")), 1);
}

} // namespace
} // namespace wl
