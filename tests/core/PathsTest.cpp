#include "core/Paths.h"
#include "core/StrUtils.h"
#include "core/Streams.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

TEST(Paths, GameStyleNamesFindFilesWhateverTheirCase)
{
    TTempDir dir;
    dir.Write("Game/Data/Common.pak", "x");
    const std::string root = dir.Path() + "/game/";
    EXPECT_TRUE(FileExists(root + "data\\common.pak"));
    EXPECT_TRUE(FileExists(root + "Data\\Common.pak"));
    EXPECT_EQ(ResolvePath(root + "DATA\\COMMON.PAK"), dir.Path() + "/Game/Data/Common.pak");
    EXPECT_TRUE(DirectoryExists(root + "data\\"));
    EXPECT_FALSE(FileExists(root + "data\\tex.pak"));
    EXPECT_FALSE(FileExists(root + "data")); // a folder is not a file
    // A missing part keeps the name as given from there on.
    EXPECT_EQ(ResolvePath(root + "Media\\Stadium\\"), dir.Path() + "/Game/Media/Stadium/");
}

TEST(Paths, WritingReplacesAFileAtomicallyAndKeepsTheOldOneOnFailure)
{
    TTempDir dir;
    const std::string file = dir.Write("Track.txt", "old");
    // A name in another case writes the existing file.
    WriteFileAtomically(dir.Path() + "/TRACK.txt", "new", 3);
    EXPECT_EQ(ReadFileText(file), "new");
    EXPECT_THROW(WriteFileAtomically(dir.Path() + "/missing/folder/x.txt", "y", 1), EStreamError);
    EXPECT_EQ(ReadFileText(file), "new");
}

TEST(StrUtils, FileNameHelpersTakeEitherSeparator)
{
    EXPECT_EQ(ExtractFileName("Data\\UserTracks\\Nat\\Nat.scn"), "Nat.scn");
    EXPECT_EQ(ExtractFileName("/a/b/c.pak"), "c.pak");
    EXPECT_EQ(ExtractFilePath("Data\\UserTracks\\Nat.scn"), "Data\\UserTracks\\");
    EXPECT_EQ(ExtractFileExt("a.b\\track"), "");
    EXPECT_EQ(ExtractFileExt("track.PAK"), ".PAK");
    EXPECT_EQ(ChangeFileExt("x\\track.pak", ".scn"), "x\\track.scn");
    EXPECT_EQ(ChangeFileExt("track", ".kex"), "track.kex");
}

TEST(StrUtils, CaseAndEncoding)
{
    EXPECT_TRUE(SameText("Version", "VERSION"));
    EXPECT_TRUE(SameText("Straße", "STRASSE") || !SameText("a", "b")); // no crash on UTF-8
    EXPECT_TRUE(SameText("Ärger", "ärger"));
    EXPECT_FALSE(SameText("abc", "abd"));
    // Windows-1252 round trip, including the 0x80..0x9F block.
    const std::string ansi = "caf\xE9 \x80 \x93ok\x94 \x81\x8D\x8F\x90\x9D";
    EXPECT_EQ(AnsiToUtf8(ansi).substr(0, 18),
              "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D");
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(ansi)), ansi);
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");
    // Cutting to a number of characters never splits one.
    EXPECT_EQ(Utf8Prefix("\xC3\xA4"
                         "bc\xE2\x82\xAC",
                         4),
              "\xC3\xA4"
              "bc\xE2\x82\xAC");
    EXPECT_EQ(Utf8Prefix("\xC3\xA4"
                         "bc\xE2\x82\xAC",
                         3),
              "\xC3\xA4"
              "bc");
    EXPECT_EQ(Utf8Prefix("ab", 9), "ab");
}

TEST(StrUtils, IntegerParsing)
{
    int64_t v = 0;
    EXPECT_TRUE(TryStrToInt(" -42 ", v));
    EXPECT_EQ(v, -42);
    EXPECT_TRUE(TryStrToInt("$1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(TryStrToInt("0x10", v));
    EXPECT_EQ(v, 16);
    for (const char* bad : {"", "-", "12a", "99999999999999999999", "0x"})
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
}

TEST(Streams, ReadBufferNeverReadsPastItsBlock)
{
    const uint8_t data[4] = {1, 2, 3, 4};
    TReadBuffer rb(data, 4);
    uint8_t out[8] = {};
    EXPECT_EQ(rb.Read(out, 8), 4);
    EXPECT_EQ(rb.Read(out, 1), 0);
    EXPECT_EQ(rb.Seek(100, TSeekOrigin::Begin), 4);
    EXPECT_EQ(rb.Seek(-100, TSeekOrigin::Current), 0);
    uint32_t word = 0;
    EXPECT_TRUE(rb.ReadValue(word));
    EXPECT_FALSE(rb.ReadValue(word));
}

TEST(Streams, MemoryAndFileStreams)
{
    TTempDir dir;
    TMemoryStream m;
    m.WriteValue<uint32_t>(0xDEADBEEF);
    m.WriteBuffer("abc", 3);
    EXPECT_EQ(m.Size(), 7);
    m.SetPosition(0);
    EXPECT_EQ(m.ReadValue<uint32_t>(), 0xDEADBEEFu);
    char buf[8] = {};
    EXPECT_THROW(m.ReadBuffer(buf, 8), EReadError);
    m.SaveToFile(dir.File("m.bin"));

    TFileStream f(dir.File("m.bin"), TFileStream::fmOpenRead);
    EXPECT_EQ(f.Size(), 7);
    f.Seek(4, TSeekOrigin::Begin);
    EXPECT_EQ(f.Read(buf, 8), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_THROW(TFileStream(dir.File("none.bin"), TFileStream::fmOpenRead), EFOpenError);
}
