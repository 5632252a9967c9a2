#include "archive/KexResourceManager.h"
#include "archive/HovFolder.h"
#include "archive/HovResPlugIns.h"
#include "archive/KexFileStream.h"
#include "archive/KexIniFile.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <zlib.h>

namespace
{
using TBytes = std::vector<uint8_t>;

TBytes Bytes(const std::string& s)
{
    return TBytes(s.begin(), s.end());
}

std::string Text(const TMemoryStream& s)
{
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

// A plain archive made by the archive writer, entries stored under the names given.
std::string MakePak(const TTempDir& dir, const std::string& name,
                    const std::vector<std::pair<std::string, std::string>>& entries)
{
    const std::string path = dir.File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    auto pak = THovFolder::CreateEmpty(path);
    for (const auto& [entry, bytes] : entries)
    {
        TMemoryStream s(Bytes(bytes));
        EXPECT_TRUE(pak->AddOrReplace(entry, &s));
    }
    pak->SaveAs(path);
    return path;
}

// A block file with one block per text, all of kind 1.
std::string MakeKex(const TTempDir& dir, const std::string& name,
                    const std::vector<std::string>& blocks)
{
    const std::string path = dir.File(name);
    TKexFileStream f;
    f.CreateForWrite(path);
    EXPECT_EQ(f.WriteFileHeader(0, 1, 1), 0);
    for (const std::string& b : blocks)
        EXPECT_EQ(f.WriteBlock(TMemoryStream(Bytes(b)), 1, 0, 1), 0);
    EXPECT_EQ(f.Close(), 0);
    return path;
}

// A manager with the game's archive plug-ins registered (the plug-ins outlive it).
class ResManagerTest : public ::testing::Test
{
protected:
    ResManagerTest()
    {
        Res.RegisterPlugIn(&Pak);
        Res.RegisterPlugIn(&Kex);
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> c;
        for (int i = 0; i < Res.Count(); ++i)
            c.push_back(Res.FolderCaption(i));
        return c;
    }
    std::string Open(const std::string& name)
    {
        std::unique_ptr<TMemoryStream> s;
        return Res.OpenFile(name, s, false) == 0 ? Text(*s) : "<none>";
    }

    TTempDir Dir;
    THovFilePlugIn Pak;
    TKexFileStreamPlugIn Kex;
    TKexResManager Res;
};
} // namespace

TEST(ResManager, TypeIndexAndDisplayName)
{
    const std::string known = TKexResManager::DefaultKnownTypes;
    const struct
    {
        const char* Ext;
        int Index;
    } types[] = {{".slb", 0}, {".dxg", 9},  {".dxt", 11}, {".stadium", 17},
                 {".dx", 9},  {".txt", -1}, {"", -1}};
    for (const auto& t : types)
        EXPECT_EQ(TKexResManager::TypeIndex(t.Ext, known), t.Index) << t.Ext;

    const struct
    {
        const char* Name;
        const char* Shown;
    } names[] = {{"bigJump2-left.dxg", "big Jump 2left"},
                 {"Start_01", "Start  01"},
                 {"StartGate01.dxg", "Start Gate 01"},
                 {"ABC.tga", "ABC"},
                 {"", ""}};
    for (const auto& n : names)
        EXPECT_EQ(TKexResManager::DisplayName(n.Name), n.Shown) << n.Name;
}

TEST_F(ResManagerTest, FirstFolderThatHasTheNameWinsWhateverItsCase)
{
    Dir.Write("Track/Start.DXG", "from the track");
    MakePak(Dir, "common.pak",
            {{"Data\\Common\\start.dxg", "from common"}, {"Data\\Common\\Rock.dxt", "rock"}});

    ASSERT_EQ(Res.AddFolder(Dir.File("Track"), 0, {}), 0);
    ASSERT_EQ(Res.AddFolder(Dir.File("common.pak"), 1, "Common"), 0);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"\\Track", "Common"}));

    int folder = -1, entry = -1;
    ASSERT_EQ(Res.FindFile("START.dxg", folder, entry), 0);
    EXPECT_EQ(folder, 0);
    EXPECT_EQ(Open("start.DXG"), "from the track");
    EXPECT_EQ(Open("rock.DXT"), "rock");
    EXPECT_EQ(Open("absent.dxg"), "<none>");
    EXPECT_EQ(Res.FindFile("absent.dxg", folder, entry), -1);
    // Archive entries go by their file name; the stored path is not part of it.
    EXPECT_EQ(Open("Data\\Common\\Rock.dxt"), "<none>");
    std::unique_ptr<TMemoryStream> s;
    EXPECT_EQ(Res.OpenFile(" Data\\Common\\Rock.dxt ", s, true), 0);
    EXPECT_EQ(Text(*s), "rock");

    // Mounted the other way round, the archive answers first.
    ASSERT_EQ(Res.RemoveFolder(0), 0);
    EXPECT_EQ(Res.RemoveFolder(5), -1);
    ASSERT_EQ(Res.AddFolder(Dir.File("Track"), 0, {}), 0);
    EXPECT_EQ(Open("start.dxg"), "from common");
    ASSERT_EQ(Res.FindFile("start.dxg", folder, entry), 0);
    EXPECT_EQ(Res.FolderFamily(folder), 2);
    EXPECT_EQ(Res.FolderKind(folder), TKexCustomFolder::fkArchive);
    EXPECT_EQ(Res.EntryPath(folder, entry, false), "start.dxg");
    EXPECT_EQ(Res.EntryTypeIndex(folder, entry), 9);
    EXPECT_EQ(Res.EntrySize(folder, entry), 11);
    EXPECT_EQ(Res.IndexOfFolderPath(Res.FolderPath(1)), 1);
    EXPECT_EQ(Res.FolderKind(1), TKexCustomFolder::fkDirectory);
    EXPECT_EQ(Res.FolderFamily(1), 0);
    EXPECT_EQ(std::filesystem::path(Res.EntryPath(1, 0, false)).filename(), "Start.DXG");
    EXPECT_EQ(Res.EntryPath(1, 0, true), "Start.DXG");
    EXPECT_EQ(Res.EntryPath(1, 7, true), "");
}

TEST_F(ResManagerTest, DirectoriesListOnlyFilesOfKnownTypes)
{
    Dir.Write("Mixed/a.dxg", "model");
    Dir.Write("Mixed/Sky.TGA", "image");
    Dir.Write("Mixed/notes.txt", "text");
    Dir.Write("Mixed/noextension", "text");
    Dir.Write("Mixed/inner/b.dxg", "model");
    Dir.Write("TextOnly/readme.txt", "text");
    Dir.MakeDir("Empty");

    EXPECT_EQ(Res.AddFolder(Dir.File("TextOnly"), 0, "Text"), -1);
    EXPECT_EQ(Res.AddFolder(Dir.File("Empty"), 0, {}), -1);
    EXPECT_EQ(Res.AddFolder(Dir.File("nowhere"), 0, {}), -1);
    EXPECT_EQ(Res.Count(), 0);

    ASSERT_EQ(Res.AddFolder(Dir.File("Mixed"), 2, {}), 0);
    const TKexCustomFolder& f = Res.Folder(0);
    EXPECT_EQ(f.Count(), 2);
    EXPECT_GE(f.IndexOf("a.dxg"), 0);
    EXPECT_GE(f.IndexOf("sky.tga"), 0);
    EXPECT_EQ(f.IndexOf("notes.txt"), -1);
    EXPECT_EQ(f.IndexOf("b.dxg"), -1); // subfolders are not searched
    EXPECT_EQ(Res.FolderFlags(0), 2u);
    EXPECT_EQ(f.Entry(f.IndexOf("a.dxg"))->Size, 5u);
    EXPECT_EQ(f.Entry(f.IndexOf("sky.tga"))->TypeIndex, 2);

    // A file that went away after the scan gives an error, not an empty file.
    std::filesystem::remove(Dir.File("Mixed/a.dxg"));
    EXPECT_EQ(Open("a.dxg"), "<none>");
}

TEST_F(ResManagerTest, AddPathMountsSubfoldersAndTheArchivesInsideInNameOrder)
{
    Dir.Write("Media/top.dxg", "top");
    Dir.Write("Media/Zed/z.dxg", "zed");
    Dir.Write("Media/Alpha/a.dxg", "alpha");
    Dir.Write("Media/Alpha/Deeper/d.dxg", "deep");
    Dir.MakeDir("Media/Nothing");
    MakePak(Dir, "Media/pack.PAK", {{"p.dxg", "packed"}, {"top.dxg", "shadowed"}});
    MakeKex(Dir, "Media/ride.kex", {"physics"});
    Dir.Write("Media/other.zip", "not an archive we know");

    EXPECT_EQ(Res.AddPath(Dir.File("Media"), "Media", true, 3), 0);
    EXPECT_EQ(Captions(),
              (std::vector<std::string>{"Media", "\\Alpha", "\\Zed", "pack.PAK", "ride.kex"}));
    for (int i = 0; i < Res.Count(); ++i)
        EXPECT_EQ(Res.FolderFlags(i), 3u);
    EXPECT_EQ(Open("top.dxg"), "top");
    EXPECT_EQ(Open("p.dxg"), "packed");
    EXPECT_EQ(Open("d.dxg"), "<none>"); // one level only
    EXPECT_EQ(Open("PhysicsData_1"), "physics");

    // Without recursion only the folder and its archives.
    TKexResManager plain;
    plain.RegisterPlugIn(&Pak);
    plain.AddPath(Dir.File("Media") + "/", {}, false, 0);
    ASSERT_EQ(plain.Count(), 2);
    EXPECT_EQ(plain.FolderCaption(0), "\\Media");
    EXPECT_EQ(plain.FolderCaption(1), "pack.PAK");
    EXPECT_EQ(plain.FolderDisplayName(1), "pack");
}

TEST_F(ResManagerTest, ArchivesThePlugInsCannotReadAreNotMounted)
{
    // A compressed archive (one zlib chunk holding one entry).
    TBytes chunk(64);
    uLongf len = uLongf(chunk.size());
    const TBytes plain = Bytes("entry");
    ASSERT_EQ(compress(chunk.data(), &len, plain.data(), uLong(plain.size())), Z_OK);
    chunk.resize(len);
    TBytes compressed = {3, 0};
    compressed.resize(16, 0);
    auto le32 = [&](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            compressed.push_back(uint8_t(v >> (8 * i)));
    };
    le32(2);
    compressed.push_back(uint8_t(len - 1));
    compressed.push_back(uint8_t((len - 1) >> 8));
    le32(1);
    le32(4 + 5 + 8);
    le32(5);
    for (char c : std::string("a.dxg"))
        compressed.push_back(uint8_t(c));
    le32(0);
    le32(uint32_t(plain.size()));
    compressed.insert(compressed.end(), chunk.begin(), chunk.end());
    Dir.Write("compressed.pak", compressed);
    // A plain directory that claims more than the file holds.
    Dir.Write("damaged.pak", TBytes{9, 0, 0, 0, 'x'});
    Dir.Write("scrambled.pak", Bytes("FAOE and some scrambled bytes"));
    Dir.Write("header.kex", Bytes(std::string("KEX\0\1\1\0\0\0\0", 10)));
    MakePak(Dir, "empty.pak", {});
    MakePak(Dir, "good.zip", {{"a.dxg", "a"}}); // a readable archive with another extension

    for (const char* name :
         {"compressed.pak", "damaged.pak", "scrambled.pak", "header.kex", "empty.pak", "good.zip"})
        EXPECT_EQ(Res.AddFolder(Dir.File(name), 0, {}), -1) << name;
    EXPECT_EQ(Res.Count(), 0);

    // The archive the plug-in accepted still fails cleanly when it is cut short afterwards.
    const std::string good = MakePak(Dir, "good.pak", {{"a.dxg", std::string(100, 'a')}});
    ASSERT_EQ(Res.AddFolder(good, 0, {}), 0);
    std::filesystem::resize_file(good, 4 + 108 + 50);
    EXPECT_EQ(Open("a.dxg"), "<none>");
}

TEST_F(ResManagerTest, UnregisteringAPlugInClosesItsFolders)
{
    MakePak(Dir, "a.pak", {{"a.dxg", "a"}});
    Dir.Write("Loose/b.dxg", "b");
    Res.AddFolder(Dir.File("a.pak"), 0, {});
    Res.AddFolder(Dir.File("Loose"), 0, {});
    EXPECT_EQ(Res.ArchiveExtensions(), ".pak.kex");
    Res.UnregisterPlugIn(&Pak);
    EXPECT_EQ(Res.ArchiveExtensions(), ".kex");
    EXPECT_EQ(Open("a.dxg"), "<none>");
    EXPECT_EQ(Open("b.dxg"), "b");
    EXPECT_EQ(Res.AddFolder(Dir.File("a.pak"), 0, {}), -1);
    EXPECT_EQ(Res.RegisterPlugIn(nullptr), -1);
}

TEST_F(ResManagerTest, FindingEntriesByType)
{
    Dir.Write("One/a.dxg", "");
    Dir.Write("One/b.tga", "");
    Dir.Write("Two/c.DXG", "");
    Dir.Write("Two/d.wav", "");
    Res.AddFolder(Dir.File("One"), 0, {});
    Res.AddFolder(Dir.File("Two"), 0, {});

    auto walk = [&](const std::string& exts)
    {
        std::vector<std::string> names;
        int f = 0, e = 0;
        for (bool ok = Res.FindFirstOfTypes(exts, f, e); ok; ok = Res.FindNextOfTypes(exts, f, e))
            names.push_back(Res.EntryName(f, e));
        return names;
    };
    EXPECT_EQ(walk(".dxg"), (std::vector<std::string>{"a.dxg", "c.DXG"}));
    EXPECT_EQ(walk(".WAV.tga"), (std::vector<std::string>{"b.tga", "d.wav"}));
    EXPECT_EQ(walk(""), (std::vector<std::string>{"a.dxg", "b.tga", "c.DXG", "d.wav"}));
    EXPECT_TRUE(walk(".txt").empty());
}

TEST_F(ResManagerTest, IniFilesLoadThroughTheResources)
{
    MakePak(Dir, "track.pak", {{"Data\\UserTracks\\T\\T.emt", "[Sky]\r\nFOV=60\r\n"}});
    Publish(&Res);
    Res.AddFolder(Dir.File("track.pak"), 0, {});
    THovIniFile ini;
    EXPECT_TRUE(ini.LoadFromResources("t.EMT", 0));
    EXPECT_EQ(ini.ReadInteger("Sky", "FOV"), 60);
    EXPECT_TRUE(ini.LoadFromResources("C:\\somewhere\\T.emt", 1));
    EXPECT_FALSE(ini.LoadFromResources("C:\\somewhere\\T.emt", 0));
    EXPECT_FALSE(ini.LoadFromResources("other.emt", 0));
    Publish<TKexResManager>(nullptr);
}
