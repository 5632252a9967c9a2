#include "archive/KexFileStream.h"
#include "archive/KexResourceManager.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using TBytes = std::vector<uint8_t>;

TBytes Bytes(const std::string& s)
{
    return TBytes(s.begin(), s.end());
}

void PutLe32(TBytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// A file header as the format lays it out.
TBytes Header(int major, int minor, uint32_t flags = 0)
{
    TBytes b = {'K', 'E', 'X', 0, uint8_t(major), uint8_t(minor)};
    PutLe32(b, flags);
    return b;
}

// A block as the format lays it out; data is stored as given.
void Block(TBytes& out, int kind, int subKind, const TBytes& data, const std::string& name = {},
           uint32_t claimedSize = UINT32_MAX)
{
    out.push_back(uint8_t(kind));
    out.push_back(uint8_t(subKind));
    PutLe32(out, name.empty() ? 0 : 4);
    PutLe32(out, claimedSize == UINT32_MAX ? uint32_t(data.size()) : claimedSize);
    if (!name.empty())
    {
        TBytes field(80, 0);
        std::memcpy(field.data(), name.data(), name.size());
        out.insert(out.end(), field.begin(), field.end());
    }
    out.insert(out.end(), data.begin(), data.end());
}

// The data as a version 1.1 file stores it, worked out from the key bytes by hand.
TBytes MaskedByHand(TBytes data)
{
    const uint8_t s = uint8_t(data.size());
    for (size_t i = 0; i + 4 <= data.size(); i += 4)
        for (size_t k = 0; k < 4; ++k)
            data[i + k] ^= uint8_t(s ^ KexBlockMaskKey[k]);
    return data;
}

TBytes ReadData(TKexFileStream& f)
{
    std::unique_ptr<TMemoryStream> s;
    EXPECT_EQ(f.ReadBlockData(s), 0);
    return s ? s->Bytes() : TBytes();
}

// Accepts only the first Limit bytes written.
class TShortStream : public TMemoryStream
{
public:
    explicit TShortStream(int64_t limit) : FLimit(limit) {}
    int64_t Write(const void* buffer, int64_t count) override
    {
        const int64_t n = std::min(count, FLimit - Size());
        return n > 0 ? TMemoryStream::Write(buffer, n) : 0;
    }

private:
    int64_t FLimit;
};
} // namespace

TEST(KexFileStream, VersionOneOneMasksWholeWordsAndReadsBack)
{
    TTempDir dir;
    const std::string path = dir.File("ride.kex");
    const TBytes six = {1, 2, 3, 4, 5, 6};
    const TBytes eight = Bytes("abcdefgh");
    {
        TKexFileStream f;
        f.CreateForWrite(path);
        ASSERT_EQ(f.WriteFileHeader(0, 1, 1), 0);
        TMemoryStream first(six);
        ASSERT_EQ(f.WriteBlock(first, 1, 0, 1), 0);
        EXPECT_EQ(first.Bytes(), six); // the caller's bytes stay as they were
        ASSERT_EQ(f.WriteBlock(TMemoryStream(eight), 1, 0, 2, "Named block"), 0);
        EXPECT_EQ(f.BlockKind(), 1);
        EXPECT_EQ(f.BlockSubKind(), 2);
        ASSERT_EQ(f.Close(), 0);
    }

    TBytes expected = Header(1, 1);
    Block(expected, 1, 1, MaskedByHand(six));
    Block(expected, 1, 2, MaskedByHand(eight), "Named block");
    const TBytes written = Bytes(ReadFileText(path));
    EXPECT_EQ(written, expected);
    // Only the first word of the 6 bytes is masked.
    EXPECT_NE(TBytes(written.begin() + 20, written.begin() + 24),
              TBytes(six.begin(), six.begin() + 4));
    EXPECT_EQ(TBytes(written.begin() + 24, written.begin() + 26), TBytes({5, 6}));

    TKexFileStream r;
    ASSERT_EQ(r.OpenForRead(path), 0);
    EXPECT_EQ(r.Major(), 1);
    EXPECT_EQ(r.Minor(), 1);
    ASSERT_EQ(r.NextBlock(), 0);
    EXPECT_TRUE(r.HasBlock());
    EXPECT_EQ(r.BlockSize(), 6u);
    EXPECT_EQ(ReadData(r), six);
    ASSERT_EQ(r.NextBlock(), 0);
    EXPECT_TRUE(r.BlockHasFlag(TKexFileStream::HasNameFlag));
    EXPECT_EQ(r.BlockName(), "Named block");
    EXPECT_EQ(ReadData(r), eight);
    EXPECT_TRUE(r.NoMoreBlocks());
    EXPECT_TRUE(r.AtEnd());
}

TEST(KexFileStream, VersionOneZeroIsStoredAndReadAsItIs)
{
    TTempDir dir;
    const TBytes data = Bytes("plain words!");
    TBytes file = Header(1, 0);
    Block(file, 1, 1, data);
    Block(file, 1, 2, data); // skipped unread by NextBlock
    Block(file, 2, 7, Bytes("xyz"));
    TKexFileStream r;
    ASSERT_EQ(r.OpenForRead(dir.Write("old.kex", file)), 0);
    ASSERT_EQ(r.NextBlock(), 0);
    EXPECT_EQ(ReadData(r), data);
    ASSERT_EQ(r.NextBlock(), 0);
    ASSERT_EQ(r.NextBlock(), 0);
    EXPECT_EQ(r.BlockKind(), 2);
    EXPECT_EQ(r.BlockSubKind(), 7);
    EXPECT_EQ(ReadData(r), Bytes("xyz"));

    // Written as 1.0, the data is stored unmasked too, so the file reads back.
    const std::string path = dir.File("new.kex");
    TKexFileStream w;
    w.CreateForWrite(path);
    ASSERT_EQ(w.WriteFileHeader(0, 1, 0), 0);
    ASSERT_EQ(w.WriteBlock(TMemoryStream(data), 1, 0, 1), 0);
    ASSERT_EQ(w.Close(), 0);
    TBytes expected = Header(1, 0);
    Block(expected, 1, 1, data);
    EXPECT_EQ(Bytes(ReadFileText(path)), expected);
}

TEST(KexFileStream, HeaderOnlyFileHasNoBlocks)
{
    TTempDir dir;
    TKexFileStream r;
    ASSERT_EQ(r.OpenForRead(dir.Write("h.kex", Header(1, 1))), 0);
    EXPECT_TRUE(r.NoMoreBlocks());
    EXPECT_EQ(r.NextBlock(), TKexFileStream::keBlockHeaderRead);
    EXPECT_FALSE(r.HasBlock());

    // A description follows the header when its flag is set.
    TBytes described = Header(1, 1, 4);
    TBytes field(80, 0);
    std::memcpy(field.data(), "Soft springs", 12);
    described.insert(described.end(), field.begin(), field.end());
    ASSERT_EQ(r.OpenForRead(dir.Write("d.kex", described)), 0);
    EXPECT_EQ(r.Description(), "Soft springs");
    EXPECT_TRUE(r.NoMoreBlocks());
}

TEST(KexFileStream, DamagedFilesGiveTheirErrorAndKeepThePositionUsable)
{
    TBytes good = Header(1, 1);
    Block(good, 1, 1, MaskedByHand(Bytes("12345678")));
    const size_t afterGood = good.size();

    struct TCase
    {
        const char* What;
        TBytes File;
        int OpenCode;
        int BlockCode; // of the second NextBlock (the first reads the good block)
        int DataCode;  // of ReadBlockData after it
    };
    auto with = [&](auto add)
    {
        TBytes b = good;
        add(b);
        return b;
    };
    const TCase cases[] = {
        {"short header", TBytes{'K', 'E', 'X', 0, 1}, 4097, 0, 0},
        {"wrong magic", with([](TBytes& b) { b[2] = 'Y'; }), 4098, 0, 0},
        {"cut description", with([](TBytes& b) { b[6] = 4; }), 4099, 0, 0},
        {"cut block header",
         with(
             [](TBytes& b) {
                 b.insert(b.end(), {1, 1, 0, 0, 0});
             }),
         0, 8193, 0},
        {"cut block name",
         with(
             [](TBytes& b)
             {
                 Block(b, 1, 1, Bytes("data"), "Name");
                 b.resize(b.size() - 60);
             }),
         0, 8194, 0},
        {"cut block data", with([](TBytes& b) { Block(b, 1, 1, Bytes("data"), {}, 1u << 31); }), 0,
         0, 8195},
    };
    TTempDir dir;
    for (const TCase& c : cases)
    {
        SCOPED_TRACE(c.What);
        TKexFileStream r;
        ASSERT_EQ(r.OpenForRead(dir.Write("damaged.kex", c.File)), c.OpenCode);
        EXPECT_EQ(r.LastError(), c.OpenCode);
        if (c.OpenCode != 0)
            continue;
        ASSERT_EQ(r.NextBlock(), 0);
        EXPECT_EQ(ReadData(r), Bytes("12345678"));
        ASSERT_EQ(r.NextBlock(), c.BlockCode);
        if (c.BlockCode != 0)
        {
            // Back at the damaged block's start; trying again gives the same answer.
            EXPECT_EQ(r.Stream()->Position(), int64_t(afterGood));
            EXPECT_EQ(r.NextBlock(), c.BlockCode);
            continue;
        }
        std::unique_ptr<TMemoryStream> s;
        EXPECT_EQ(r.ReadBlockData(s), c.DataCode);
        EXPECT_EQ(s->Size(), 0);
        // The next block would start past the damaged one: nothing more is read.
        EXPECT_EQ(r.NextBlock(), TKexFileStream::keBlockHeaderRead);
    }
}

TEST(KexFileStream, WriteFailuresAndMisuseGiveTheirCodes)
{
    {
        TKexFileStream w;
        w.CreateForWrite(std::make_unique<TShortStream>(5));
        EXPECT_EQ(w.WriteFileHeader(0, 1, 1), TKexFileStream::keHeaderWrite);
    }
    {
        TKexFileStream w;
        w.CreateForWrite(std::make_unique<TShortStream>(15));
        ASSERT_EQ(w.WriteFileHeader(0, 1, 1), 0);
        EXPECT_EQ(w.WriteBlock(TMemoryStream(Bytes("data")), 1, 0, 1),
                  TKexFileStream::keBlockHeaderWrite);
    }
    {
        TKexFileStream w;
        w.CreateForWrite(std::make_unique<TShortStream>(22));
        ASSERT_EQ(w.WriteFileHeader(0, 1, 1), 0);
        EXPECT_EQ(w.WriteBlock(TMemoryStream(Bytes("data")), 1, 0, 1),
                  TKexFileStream::keBlockDataWrite);
        EXPECT_EQ(w.Close(), TKexFileStream::keBlockDataWrite);
    }
    TKexFileStream none;
    std::unique_ptr<TMemoryStream> s;
    EXPECT_EQ(none.NextBlock(), TKexFileStream::keInvalidStream);
    EXPECT_EQ(none.ReadBlockData(s), TKexFileStream::keInvalidStream);
    EXPECT_EQ(none.WriteFileHeader(0, 1, 1), TKexFileStream::keInvalidStream);
    EXPECT_EQ(none.WriteBlock(TMemoryStream(), 1, 0, 1), TKexFileStream::keInvalidStream);

    const struct
    {
        int Code;
        const char* Text;
    } texts[] = {{4097, "error reading the header."},
                 {4098, "unrecognised file type."},
                 {4099, "problem reading file description from header."},
                 {4100, "error writing the file header."},
                 {8193, "error reading the block header."},
                 {8194, "problem reading block filename from header."},
                 {8195, "problem reading block data."},
                 {8196, "error writing the block header."},
                 {8197, "error writing the block data."},
                 {8198, "error invalid stream"},
                 {0, "Unknown stream error"},
                 {-1, "Unknown stream error"}};
    for (const auto& t : texts)
        EXPECT_EQ(TKexFileStream::ErrorText(t.Code), t.Text) << t.Code;
}

TEST(KexFileStream, TheFileIsReplacedOnlyWhenTheWritingEnds)
{
    TTempDir dir;
    const std::string path = dir.Write("ride.kex", "old contents");
    // A writer abandoned by an exception leaves the old file.
    try
    {
        TKexFileStream w;
        w.CreateForWrite(path);
        ASSERT_EQ(w.WriteFileHeader(0, 1, 1), 0);
        throw std::runtime_error("the writer gave up");
    }
    catch (const std::runtime_error&)
    {
    }
    EXPECT_EQ(ReadFileText(path), "old contents");
    {
        TKexFileStream w;
        w.CreateForWrite(path);
        w.WriteFileHeader(0, 1, 1);
        w.WriteBlock(TMemoryStream(Bytes("x")), 1, 0, 1);
        EXPECT_EQ(ReadFileText(path), "old contents"); // nothing on disk until the end
    }
    // Freed without Close after writes that worked: written.
    TBytes expected = Header(1, 1);
    Block(expected, 1, 1, Bytes("x"));
    EXPECT_EQ(Bytes(ReadFileText(path)), expected);

    EXPECT_THROW(TKexFileStream().CreateForWrite(dir.File("no/such/folder/x.kex")), EFCreateError);
    EXPECT_THROW(TKexFileStream().OpenForRead(dir.File("missing.kex")), EFOpenError);
}

TEST(KexFileStream, ResourceFoldersListBlocksByNameOrKind)
{
    TTempDir dir;
    const std::string path = dir.File("ride.kex");
    {
        TKexFileStream w;
        w.CreateForWrite(path);
        w.WriteFileHeader(0, 1, 1);
        w.WriteBlock(TMemoryStream(Bytes("engine")), 1, 0, 1);
        w.WriteBlock(TMemoryStream(Bytes("gearbox")), 1, 0, 2);
        w.WriteBlock(TMemoryStream(Bytes("track")), 9, 0, 3, "Main line");
        w.WriteBlock(TMemoryStream(Bytes("who")), 3, 0, 0);
        w.WriteBlock(TMemoryStream(Bytes("odd")), 100, 0, 0);
        w.WriteBlock(TMemoryStream(Bytes("raw")), 0, 0, 0);
        ASSERT_EQ(w.Close(), 0);
    }
    TKexFileStreamPlugIn plugIn;
    TKexResManager res;
    res.RegisterPlugIn(&plugIn);
    ASSERT_EQ(res.AddFolder(path, 0, {}), 0);
    const TKexCustomFolder& f = res.Folder(0);
    std::vector<std::string> names;
    for (int i = 0; i < f.Count(); ++i)
        names.push_back(f.Name(i));
    EXPECT_EQ(names, (std::vector<std::string>{"PhysicsData_1", "PhysicsData_2", "Main line",
                                               "CreatorInfo_1", "Unknown_1", "Unknown_2"}));
    EXPECT_EQ(f.Entry(1)->TypeIndex, 1 * 256 + 2);
    EXPECT_EQ(f.Entry(1)->Size, 7u);
    EXPECT_EQ(res.FolderFamily(0), 3);
    std::unique_ptr<TMemoryStream> s;
    ASSERT_EQ(res.OpenFile("physicsdata_2", s, false), 0);
    EXPECT_EQ(s->Bytes(), Bytes("gearbox"));
    ASSERT_EQ(res.OpenFile("MAIN LINE", s, false), 0);
    EXPECT_EQ(s->Bytes(), Bytes("track"));

    // A block cut short ends the list; the blocks before it stay readable.
    TBytes cut = Header(1, 0);
    Block(cut, 1, 1, Bytes("whole"));
    Block(cut, 1, 1, Bytes("cut short"));
    cut.resize(cut.size() - 3);
    ASSERT_EQ(res.AddFolder(dir.Write("cut.kex", cut), 0, {}), 0);
    EXPECT_EQ(res.Folder(1).Count(), 1);
    ASSERT_EQ(res.OpenEntry(1, 0, s), 0);
    EXPECT_EQ(s->Bytes(), Bytes("whole"));
    // Entries of a file changed after mounting fail with the plug-in's codes.
    dir.Write("cut.kex", Header(1, 0));
    EXPECT_EQ(res.OpenEntry(1, 0, s), -3);
    TBytes shorter = Header(1, 0);
    Block(shorter, 1, 1, Bytes("who"), {}, 5);
    dir.Write("cut.kex", shorter);
    EXPECT_EQ(res.OpenEntry(1, 0, s), -2);
    res.UnregisterPlugIn(&plugIn);
}
