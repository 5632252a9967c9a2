#include "archive/HovFolder.h"
#include "archive/LZW.h"
#include "core/Streams.h"
#include "platform/MessageBox.h"

#include "ArchiveBuilders.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <zlib.h>

namespace
{
using archive_builders::CompressedArchive;
using archive_builders::PutLe32;
using archive_builders::Scramble;
using archive_builders::ScrambledArchive;
using TBytes = std::vector<uint8_t>;

TBytes Bytes(const std::string& s)
{
    return TBytes(s.begin(), s.end());
}

TBytes Pattern(size_t size, uint32_t seed)
{
    TBytes b(size);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i)
    {
        x = x * 1103515245u + 12345u;
        b[i] = uint8_t("abcdefgh  \n"[(x >> 16) % 11]);
    }
    return b;
}

uint32_t Le32At(const TBytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

bool Add(TVirtualFolder& folder, const std::string& name, const TBytes& data)
{
    TMemoryStream s(data);
    return folder.AddEntry(name, &s);
}

TBytes DataOf(TVirtualFolder& folder, int index)
{
    const uint8_t* p = folder.EntryData(index);
    return p ? TBytes(p, p + folder.EntrySize(index)) : TBytes();
}

// A plain archive written by our own writer.
std::string SavePlain(const TTempDir& dir, const std::string& name,
                      const std::vector<std::pair<std::string, TBytes>>& entries)
{
    auto folder = THovFolder::CreateEmpty(dir.File(name));
    for (const auto& [n, data] : entries)
        EXPECT_TRUE(Add(*folder, n, data));
    folder->SaveAs(dir.File(name));
    return dir.File(name);
}

TBytes Zlib(const TBytes& plain)
{
    uLongf len = compressBound(uLong(plain.size()));
    TBytes out(len);
    EXPECT_EQ(compress2(out.data(), &len, plain.data(), uLong(plain.size()), 6), Z_OK);
    out.resize(len);
    return out;
}

// Entries cut into chunks of chunkSize plain bytes, each compressed on its own.
TBytes CompressedArchiveOf(const std::vector<std::pair<std::string, TBytes>>& entries,
                           size_t chunkSize)
{
    std::vector<std::pair<std::string, uint32_t>> dir;
    std::vector<TBytes> chunks;
    for (const auto& [name, data] : entries)
    {
        dir.emplace_back(name, uint32_t(data.size()));
        for (size_t at = 0; at < data.size(); at += chunkSize)
            chunks.push_back(
                Zlib(TBytes(data.begin() + ptrdiff_t(at),
                            data.begin() + ptrdiff_t(std::min(data.size(), at + chunkSize)))));
    }
    return CompressedArchive(dir, chunks);
}

} // namespace

// --- Plain layout and the writer ------------------------------------------------------------

TEST(HovFolder, SaveAsSortsByNameAndWritesRunningOffsets)
{
    TTempDir dir;
    const std::string path =
        SavePlain(dir, "x.pak", {{"b.trn", Bytes("bbbb")}, {"A.tdf", Bytes("aaaaaa")}});
    const TBytes file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 4 + 2 * 108 + 10u);
    EXPECT_EQ(Le32At(file, 0), 2u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&file[4]), "A.tdf");
    EXPECT_EQ(Le32At(file, 4 + 100), 0u);
    EXPECT_EQ(Le32At(file, 4 + 104), 6u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&file[4 + 108]), "b.trn");
    EXPECT_EQ(Le32At(file, 4 + 108 + 100), 6u);
    EXPECT_EQ(Le32At(file, 4 + 108 + 104), 4u);

    auto folder = THovFolder::CreateFromFile(path, false);
    EXPECT_EQ(folder->Layout(), THovLayout::Plain);
    ASSERT_EQ(folder->Count(), 2);
    EXPECT_EQ(DataOf(*folder, 0), Bytes("aaaaaa"));
    EXPECT_EQ(DataOf(*folder, 1), Bytes("bbbb"));
}

TEST(HovFolder, EmptyArchiveIsFourZeroBytesAndOpensEmpty)
{
    TTempDir dir;
    const std::string path = SavePlain(dir, "e.pak", {});
    EXPECT_EQ(ReadWholeFile(path), TBytes(4, 0));
    EXPECT_EQ(THovFolder::CreateFromFile(path, false)->Count(), 0);
}

// Counts whose first two bytes are 3, 0 (3, 65539, ...) look like the compressed layout's mark.
TEST(HovFolder, PlainArchivesThatStartLikeCompressedOnesOpenAgain)
{
    for (const int count : {3, 65539})
    {
        SCOPED_TRACE(count);
        TTempDir dir;
        std::vector<std::pair<std::string, TBytes>> entries;
        for (int i = 0; i < count; ++i)
            entries.emplace_back("e" + std::to_string(100000 + i), Pattern(size_t(i % 5), i));
        const std::string path = SavePlain(dir, "amb.pak", entries);
        ASSERT_EQ(ReadWholeFile(path)[0], 3);
        ASSERT_EQ(ReadWholeFile(path)[1], 0);

        auto folder = THovFolder::CreateFromFile(path, false);
        EXPECT_EQ(folder->Layout(), THovLayout::Plain);
        ASSERT_EQ(folder->Count(), count);
        for (int i = 0; i < count; i += 997)
            EXPECT_EQ(DataOf(*folder, i), entries[size_t(i)].second);
    }
}

TEST(HovFolder, DeferredOpenReadsNoEntryUntilFetched)
{
    TTempDir dir;
    std::vector<std::pair<std::string, TBytes>> entries;
    for (int i = 0; i < 50; ++i)
        entries.emplace_back("f" + std::to_string(i) + ".dxt", Pattern(100 + size_t(i), i));
    const std::string path = SavePlain(dir, "lazy.pak", entries);

    auto folder = THovFolder::CreateFromFile(path, true);
    ASSERT_EQ(folder->Count(), 50);
    for (int i = 0; i < folder->Count(); ++i)
        EXPECT_FALSE(folder->EntryInMemory(i));
    const int index = folder->IndexOfName("F7.DXT");
    ASSERT_GE(index, 0);
    EXPECT_EQ(DataOf(*folder, index), Pattern(107, 7));
    // Fetched bytes are released again; entries kept at open are not.
    folder->ReleaseEntryData(index);
    EXPECT_FALSE(folder->EntryInMemory(index));

    auto loaded = THovFolder::CreateFromFile(path, false);
    loaded->ReleaseEntryData(0);
    EXPECT_TRUE(loaded->EntryInMemory(0));
}

TEST(HovFolder, SaveAsKeepsTheOldFileAsBackup)
{
    TTempDir dir;
    dir.Write("x.bak", std::string("older backup"));
    const std::string path = SavePlain(dir, "x.pak", {{"one", Bytes("1")}});
    const TBytes first = ReadWholeFile(path);

    auto folder = THovFolder::CreateFromFile(path, true);
    Add(*folder, "two", Bytes("22"));
    folder->SaveAs(path);
    EXPECT_EQ(ReadWholeFile(dir.File("x.bak")), first);
    EXPECT_EQ(folder->Count(), 2);

    // The folder now reads from the new file.
    auto again = THovFolder::CreateFromFile(path, true);
    EXPECT_EQ(again->EntryName(1), "two");
    EXPECT_EQ(DataOf(*again, 1), Bytes("22"));
    EXPECT_EQ(DataOf(*folder, 0), Bytes("1"));
}

// A write that fails part-way leaves the archive, its backup and the folder as they were.
TEST(HovFolder, FailedSaveLeavesTheOldArchiveInPlace)
{
    TTempDir dir;
    const std::string path = SavePlain(dir, "x.pak", {{"one", Bytes("1")}});
    const TBytes before = ReadWholeFile(path);

    auto folder = THovFolder::CreateFromFile(path, false);
    Add(*folder, "big", Pattern(200000, 1));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(folder->SaveAs(path), EWriteError);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.bak")));
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary left behind
}

TEST(HovFolder, NamesAreCutToTheirFields)
{
    TTempDir dir;
    auto folder = THovFolder::CreateEmpty(dir.File("n.pak"));
    const std::string longName(200, 'q');
    Add(*folder, longName, Bytes("x"));
    EXPECT_EQ(folder->EntryName(0).size(), 127u);
    folder->RenameEntry(0, std::string(90, 'r'));
    EXPECT_EQ(folder->EntryName(0), std::string(79, 'r'));
    // Non-ASCII names count 8-bit characters and survive the round trip.
    Add(*folder, "Piste\xC3\xA9t\xC3\xA9.trn", Bytes("y"));
    folder->SaveAs(dir.File("n.pak"));
    auto again = THovFolder::CreateFromFile(dir.File("n.pak"), false);
    EXPECT_EQ(again->IndexOfName("PISTE\xC3\x89T\xC3\x89.TRN"), 0);

    // Names longer than the 100-byte field keep a terminating zero.
    Add(*again, std::string(120, 's'), Bytes("z"));
    again->SaveAs(dir.File("n.pak"));
    const TBytes file = ReadWholeFile(dir.File("n.pak"));
    EXPECT_EQ(file[4 + 2 * 108 + 99], 0);
    EXPECT_EQ(THovFolder::CreateFromFile(dir.File("n.pak"), false)->EntryName(2),
              std::string(99, 's'));
}

// --- Entry operations ------------------------------------------------------------------------

TEST(HovFolder, AddOrReplaceMatchesNamesWithoutCase)
{
    auto folder = THovFolder::CreateEmpty("t.pak");
    TMemoryStream one(Bytes("first"));
    TMemoryStream two(Bytes("second!"));
    EXPECT_TRUE(folder->AddOrReplace("Track.TRN", &one));
    EXPECT_TRUE(folder->AddOrReplace("  track.trn ", &two));
    ASSERT_EQ(folder->Count(), 1);
    EXPECT_EQ(folder->EntryName(0), "track.trn");
    EXPECT_EQ(DataOf(*folder, 0), Bytes("second!"));
    EXPECT_EQ(folder->DataSize(), 7u);

    EXPECT_FALSE(folder->AddOrReplace("   ", &one));
    // Without a stream nothing is added and the existing entry stays.
    EXPECT_FALSE(folder->AddOrReplace("TRACK.trn", nullptr));
    EXPECT_EQ(folder->Count(), 1);
    EXPECT_FALSE(folder->AddEntry("x", nullptr));
}

TEST(HovFolder, FindEntryMatchesPartsIndexOfNameWholeNames)
{
    auto folder = THovFolder::CreateEmpty("t.pak");
    Add(*folder, "data\\a.scn", {});
    Add(*folder, "Track.TRN", {});
    Add(*folder, "old.trn.bak", {});
    Add(*folder, "track.trn", {});
    EXPECT_EQ(folder->FindEntry(".trn"), 1);
    EXPECT_EQ(folder->FindEntryFrom(".TRN", 2), 2);
    EXPECT_EQ(folder->FindEntryFrom(".trn", 4), -1);
    EXPECT_EQ(folder->IndexOfName(".trn"), -1);
    EXPECT_EQ(folder->IndexOfName("TRACK.trn"), 3); // the last of equal names
    EXPECT_EQ(folder->FindEntry(".scn"), 0);
}

TEST(HovFolder, DeletingShiftsTheOffsetsOfLaterEntries)
{
    auto folder = THovFolder::CreateEmpty("t.pak");
    Add(*folder, "a", TBytes(10));
    Add(*folder, "b", TBytes(20));
    Add(*folder, "c", TBytes(30));
    EXPECT_EQ(folder->Entry(2)->Offset, 30u);
    EXPECT_EQ(folder->DeleteEntry(1), 0);
    EXPECT_EQ(folder->Entry(1)->Offset, 10u);
    EXPECT_EQ(folder->DataSize(), 40u);
    EXPECT_EQ(folder->DeleteByName("A"), 0);
    EXPECT_EQ(folder->DeleteByName("missing"), -1);
    EXPECT_EQ(folder->Entry(0)->Offset, 0u);
}

// Entries still in the archive file must keep the offset they are read from.
TEST(HovFolder, DeletingBeforeAnUnreadEntryStillReadsItsBytes)
{
    TTempDir dir;
    const std::string path = SavePlain(
        dir, "x.pak", {{"a", Pattern(11, 1)}, {"b", Pattern(22, 2)}, {"c", Pattern(33, 3)}});
    auto folder = THovFolder::CreateFromFile(path, true);
    folder->DeleteEntry(1);
    EXPECT_EQ(DataOf(*folder, 1), Pattern(33, 3));
}

TEST(HovFolder, SortingAndDeletingByExtension)
{
    auto folder = THovFolder::CreateEmpty("t.pak");
    for (const char* n : {"b.dxt", "_z.dxg", "A.dxt", "c.DXT", "a.dxg"})
        Add(*folder, n, {});
    folder->SortEntries();
    std::vector<std::string> names;
    for (int i = 0; i < folder->Count(); ++i)
        names.push_back(folder->EntryName(i));
    EXPECT_EQ(names, (std::vector<std::string>{"_z.dxg", "a.dxg", "A.dxt", "b.dxt", "c.DXT"}));
    folder->DeleteByExtension(".Dxt");
    names.clear();
    for (int i = 0; i < folder->Count(); ++i)
        names.push_back(folder->EntryName(i));
    EXPECT_EQ(names, (std::vector<std::string>{"_z.dxg", "a.dxg"}));
}

TEST(HovFolder, InvalidIndicesGiveEmptyResults)
{
    auto folder = THovFolder::CreateEmpty("t.pak");
    Add(*folder, "a", Bytes("abc"));
    for (const int bad : {-1, 1, 1000})
    {
        EXPECT_EQ(folder->EntryName(bad), "Not found");
        EXPECT_EQ(folder->EntrySize(bad), 0u);
        EXPECT_EQ(folder->EntryData(bad), nullptr);
        EXPECT_EQ(folder->ExtractEntry(bad), nullptr);
        TBytes buffer;
        EXPECT_FALSE(folder->CopyEntryData(buffer, bad));
        EXPECT_EQ(folder->DeleteEntry(bad), -1);
        folder->RenameEntry(bad, "x");
        folder->LoadEntry(bad, true, true);
        folder->ReleaseEntryData(bad);
    }
    EXPECT_EQ(folder->Count(), 1);
    EXPECT_EQ(folder->EntryName(0), "a");

    auto stream = folder->ExtractEntry(0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Bytes(), Bytes("abc"));
    EXPECT_EQ(stream->Position(), 0);
    TBytes buffer;
    EXPECT_TRUE(folder->CopyEntryData(buffer, 0));
    EXPECT_EQ(buffer, Bytes("abc"));
}

// --- Compressed layout -----------------------------------------------------------------------

TEST(HovFolder, CompressedEntriesInflateAcrossChunks)
{
    const std::vector<std::pair<std::string, TBytes>> entries = {
        {"track.trn", Pattern(100000, 1)}, {"empty", {}}, {"a.tdf", Pattern(5000, 2)}};
    TTempDir dir;
    const std::string path = dir.Write("c.pak", CompressedArchiveOf(entries, 8192));
    for (const bool defer : {false, true})
    {
        auto folder = THovFolder::CreateFromFile(path, defer);
        EXPECT_EQ(folder->Layout(), THovLayout::Compressed);
        ASSERT_EQ(folder->Count(), 3);
        // Fetching a later entry first inflates the earlier ones on the way.
        EXPECT_EQ(DataOf(*folder, 2), entries[2].second);
        EXPECT_EQ(DataOf(*folder, 0), entries[0].second);
        EXPECT_EQ(folder->EntrySize(1), 0u);
        // Compressed entries are never released: the chunks cannot be read again.
        folder->ReleaseEntryData(0);
        EXPECT_TRUE(folder->EntryInMemory(0));
    }
}

// Chunks belong to entries by their place in the directory: edits made before the entries
// are fetched must not hand one entry's chunks to another.
TEST(HovFolder, EditingALazyCompressedArchiveKeepsEachEntrysBytes)
{
    const std::vector<std::pair<std::string, TBytes>> entries = {
        {"c", Pattern(5000, 1)}, {"a", Pattern(7000, 2)}, {"b", Pattern(300, 3)}};
    TTempDir dir;
    const std::string path = dir.Write("c.pak", CompressedArchiveOf(entries, 2048));

    auto deleted = THovFolder::CreateFromFile(path, true);
    deleted->DeleteEntry(0);
    EXPECT_EQ(DataOf(*deleted, 0), entries[1].second);
    EXPECT_EQ(DataOf(*deleted, 1), entries[2].second);

    auto sorted = THovFolder::CreateFromFile(path, true);
    sorted->SortEntries();
    EXPECT_EQ(DataOf(*sorted, 0), entries[1].second);
    EXPECT_EQ(DataOf(*sorted, 2), entries[0].second);
}

TEST(HovFolder, CompressedEntryKeepsExactlyItsSize)
{
    // The last chunk gives more than the entry needs; the surplus is dropped.
    const TBytes plain = Pattern(3000, 5);
    TTempDir dir;
    const std::string path =
        dir.Write("c.pak", CompressedArchive({{"a", 2000}, {"b", 100}},
                                             {Zlib(TBytes(plain.begin(), plain.begin() + 1500)),
                                              Zlib(TBytes(plain.begin() + 1500, plain.end())),
                                              Zlib(Pattern(100, 6))}));
    auto folder = THovFolder::CreateFromFile(path, false);
    EXPECT_EQ(DataOf(*folder, 0), TBytes(plain.begin(), plain.begin() + 2000));
    EXPECT_EQ(DataOf(*folder, 1), Pattern(100, 6));
}

TEST(HovFolder, ChunkThatInflatesToNothingIsReportedOnce)
{
    TScriptedMsgBox box;
    TMsgBoxScope scope(box);
    TTempDir dir;
    const std::string path =
        dir.Write("c.pak", CompressedArchive({{"a", 4}}, {Zlib({}), Zlib(Bytes("data"))}));
    auto folder = THovFolder::CreateFromFile(path, false);
    EXPECT_EQ(DataOf(*folder, 0), Bytes("data"));
    ASSERT_EQ(box.Shown.size(), 1u);
    EXPECT_EQ(box.Shown[0].Text, "uh, oh");
    EXPECT_EQ(box.Shown[0].Caption, "decompression problem");
}

TEST(HovFolder, SavingACompressedArchiveWritesItPlain)
{
    const std::vector<std::pair<std::string, TBytes>> entries = {{"z", Pattern(7000, 1)},
                                                                 {"y", Pattern(10, 2)}};
    TTempDir dir;
    const std::string path = dir.Write("c.pak", CompressedArchiveOf(entries, 4096));
    auto folder = THovFolder::CreateFromFile(path, true);
    folder->SaveAs(dir.File("p.pak"));
    auto plain = THovFolder::CreateFromFile(dir.File("p.pak"), true);
    EXPECT_EQ(plain->Layout(), THovLayout::Plain);
    EXPECT_EQ(DataOf(*plain, 0), entries[1].second);
    EXPECT_EQ(DataOf(*plain, 1), entries[0].second);
}

// --- Scrambled layout ------------------------------------------------------------------------

TEST(HovFolder, ScrambledArchivesDescrambleWithTheSeedOfTheirExtension)
{
    const std::vector<std::pair<std::string, TBytes>> stored = {
        {"models\\tree.dxg", Pattern(300, 1)}, {"sky.dxt", Pattern(40, 2)}, {"nil", {}}};
    struct TCase
    {
        bool LongNames;
        const char* File;
        uint8_t Seed;
        THovLayout Layout;
    };
    for (const TCase& c :
         {TCase{false, "modeltga.RES", THovFolder::ScrambleSeedRes, THovLayout::ScrambledShort},
          TCase{true, "more.res", THovFolder::ScrambleSeedRes, THovLayout::ScrambledLong},
          TCase{true, "other.dat", THovFolder::ScrambleSeedOther, THovLayout::ScrambledLong}})
    {
        SCOPED_TRACE(c.File);
        TTempDir dir;
        const std::string path = dir.Write(c.File, ScrambledArchive(c.LongNames, c.Seed, stored));
        for (const bool defer : {false, true})
        {
            auto folder = THovFolder::CreateFromFile(path, defer);
            EXPECT_EQ(folder->Layout(), c.Layout);
            EXPECT_EQ(folder->Seed(), c.Seed);
            ASSERT_EQ(folder->Count(), 3);
            // Long names keep only the file name of the stored path.
            EXPECT_EQ(folder->EntryName(0), c.LongNames ? "tree.dxg" : "models\\tree.dxg");
            EXPECT_EQ(DataOf(*folder, 0), stored[0].second);
            EXPECT_EQ(DataOf(*folder, 1), stored[1].second);
            EXPECT_EQ(DataOf(*folder, 0), stored[0].second); // descrambled only once
            EXPECT_EQ(DataOf(*folder, 2), TBytes());
        }

        // Saved, the archive becomes plain with plain bytes.
        auto folder = THovFolder::CreateFromFile(path, false);
        folder->SaveAs(dir.File("plain.pak"));
        auto plain = THovFolder::CreateFromFile(dir.File("plain.pak"), true);
        EXPECT_EQ(plain->Layout(), THovLayout::Plain);
        EXPECT_EQ(DataOf(*plain, plain->IndexOfName("sky.dxt")), stored[1].second);
    }
}

// --- Damaged archives ------------------------------------------------------------------------

namespace
{
TBytes WithLe32(TBytes b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
    return b;
}

TBytes Truncated(TBytes b, size_t size)
{
    b.resize(size);
    return b;
}
} // namespace

TEST(HovFolder, DamagedArchivesFailCleanly)
{
    TTempDir dir;
    const TBytes plain =
        ReadWholeFile(SavePlain(dir, "ok.pak", {{"a", Pattern(50, 1)}, {"b", Pattern(60, 2)}}));
    const std::vector<std::pair<std::string, TBytes>> two = {{"a", Pattern(9000, 3)},
                                                             {"b", Pattern(300, 4)}};
    const TBytes compressed = CompressedArchiveOf(two, 4096); // 3 + 1 chunks
    const size_t table = 20;                                  // 4 chunks of 2 bytes
    const size_t countAt = table + 8;
    const size_t dirAt = countAt + 8;
    const size_t chunksAt = dirAt + 2 * (4 + 1 + 8);
    TBytes badZlib = compressed;
    badZlib[chunksAt + 5] ^= 0x55;
    badZlib[chunksAt + 6] ^= 0x55;
    TBytes badHeader = compressed;
    badHeader[chunksAt] = 0x79;
    // Written as "bad.pak", so scrambled with the seed of archives other than ".res".
    const TBytes res = ScrambledArchive(false, THovFolder::ScrambleSeedOther, two);
    const TBytes rs2 = ScrambledArchive(true, THovFolder::ScrambleSeedOther, two);

    // A scrambled directory edited in the plain and scrambled again.
    auto rescrambled = [](const TBytes& archive, size_t dirLen, size_t at, uint32_t v)
    {
        TBytes b = archive;
        uint8_t key = THovFolder::ScrambleSeedOther;
        TBytes run(b.begin() + 4, b.end());
        THovFolder::Descramble(run.data(), run.size(), key);
        run = WithLe32(run, at, v);
        Scramble(run.data(), run.size(), key);
        // Only the directory is one run; the data that follows keeps its own scrambling.
        TBytes out(b.begin(), b.begin() + 4);
        out.insert(out.end(), run.begin(), run.begin() + ptrdiff_t(dirLen));
        out.insert(out.end(), b.begin() + 4 + ptrdiff_t(dirLen), b.end());
        return out;
    };

    struct TCase
    {
        const char* What;
        TBytes File;
        bool Decompression;
        const char* Message;
    };
    const std::vector<TCase> cases = {
        {"empty file", {}, false, "too short"},
        {"three bytes", {1, 0, 0}, false, "too short"},
        {"plain count beyond the file", WithLe32(plain, 0, 100000), false, "100000 entries"},
        {"plain count of all bits", WithLe32(plain, 0, 0xFFFFFFFF), false, "entries"},
        {"plain entry past the end", WithLe32(plain, 4 + 104, 1000), false, "\"a\" lies past"},
        {"plain offset past the end", WithLe32(plain, 4 + 108 + 100, 0xFFFFFFF0), false,
         "lies past"},
        {"plain entries overlapping",
         WithLe32(WithLe32(plain, 4 + 108 + 100, 0), 4 + 108 + 104, 110), false, "more bytes"},
        {"plain data cut short", Truncated(plain, plain.size() - 1), false, "lies past"},
        {"compressed header only", Truncated(compressed, 20), false, "too short"},
        {"chunk table past the end", WithLe32(compressed, 16, 0x7FFFFFFF), false, "chunk table"},
        {"directory past the end", WithLe32(compressed, countAt + 4, 0x10000000), false,
         "directory runs past"},
        {"count beyond the directory", WithLe32(compressed, countAt, 0x40000000), false,
         "entries but holds"},
        {"name longer than 80", WithLe32(compressed, dirAt, 81), false, "81 characters"},
        {"name running out of the directory", WithLe32(compressed, dirAt + 13, 70), false,
         "records run past"},
        {"chunks past the end", Truncated(compressed, compressed.size() - 3), false,
         "claims more data"},
        {"size beyond what chunks give", WithLe32(compressed, dirAt + 9, 0xFFFFFFFF), false,
         "more data than the chunks"},
        {"chunk table runs out", WithLe32(compressed, dirAt + 9 + 13, 5000), true,
         "needs more chunks"},
        {"corrupt zlib data", badZlib, true, nullptr},
        {"bad zlib header", badHeader, true, "data error"},
        {"scrambled magic only", {'F', 'A', 'O', 'E'}, false, "too short"},
        {"scrambled count beyond the file", rescrambled(res, 88, 4, 5000000), false,
         "5000000 entries"},
        {"scrambled entry past the end", rescrambled(res, 88, 8 + 40 + 36, 0x7FFFFFFF), false,
         "\"b\" lies past"},
        {"long name past the end", rescrambled(rs2, 34, 8, 0x7FFFFFF0), false, "runs past"},
        {"scrambled data cut short", Truncated(res, res.size() - 1), false, "lies past"},
    };
    TScriptedMsgBox box;
    TMsgBoxScope scope(box);
    for (const TCase& c : cases)
    {
        SCOPED_TRACE(c.What);
        const std::string path = dir.Write("bad.pak", c.File);
        try
        {
            THovFolder::CreateFromFile(path, false);
            ADD_FAILURE() << "opened";
        }
        catch (const EDecompressionError& e)
        {
            EXPECT_TRUE(c.Decompression) << e.what();
            if (c.Message)
            {
                EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
            }
        }
        catch (const EReadError& e)
        {
            EXPECT_FALSE(c.Decompression) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
    // Opened lazily, a compressed archive fails when the bad entry is fetched, and every
    // entry after it fails too.
    const std::string path = dir.Write("bad.pak", badZlib);
    auto folder = THovFolder::CreateFromFile(path, true);
    EXPECT_THROW(folder->EntryData(0), EDecompressionError);
    EXPECT_THROW(folder->EntryData(1), EDecompressionError);
}

TEST(HovFolder, MissingArchiveRaisesTheOpenError)
{
    EXPECT_THROW(THovFolder::CreateFromFile("/nonexistent/none.pak", true), EFOpenError);
}
