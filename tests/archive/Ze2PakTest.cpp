// ze2 pak: the archive subcommands, run as the program.
#include "archive/HovFolder.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Ze2Pak, CreateListCatAddAndRemove)
{
    TTempDir dir;
    const std::string a = dir.Write("a.txt", std::string("alpha"));
    const std::string b = dir.Write("b.bin", std::string("bravo!!"));
    const std::string pak = dir.File("t.pak");

    ASSERT_EQ(RunZe2({"pak", "create", pak, "Data\\b.trn=" + b, "A.tdf=" + a}).ExitCode, 0);
    TRunResult r = RunZe2({"pak", "list", pak});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "0\t5\tA.tdf\n1\t7\tData\\b.trn\n");

    r = RunZe2({"pak", "cat", pak, "data\\B.TRN"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "bravo!!");
    EXPECT_EQ(RunZe2({"pak", "cat", pak, "nothing"}).ExitCode, 1);

    const std::string before = ReadFileText(pak);
    ASSERT_EQ(RunZe2({"pak", "add", pak, "c=" + a, "a.tdf=" + b}).ExitCode, 0);
    EXPECT_EQ(ReadFileText(dir.File("t.bak")), before);
    EXPECT_EQ(RunZe2({"pak", "list", pak}).Out, "0\t7\ta.tdf\n1\t5\tc\n2\t7\tData\\b.trn\n");

    // A missing name changes nothing.
    const std::string three = ReadFileText(pak);
    r = RunZe2({"pak", "rm", pak, "c", "missing"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("missing"), std::string::npos);
    EXPECT_EQ(ReadFileText(pak), three);
    ASSERT_EQ(RunZe2({"pak", "rm", pak, "C", "A.TDF"}).ExitCode, 0);
    EXPECT_EQ(RunZe2({"pak", "list", pak}).Out, "0\t7\tData\\b.trn\n");
    EXPECT_EQ(ReadFileText(dir.File("t.bak")), three);

    EXPECT_EQ(RunZe2({"pak", "create", pak, "no-equals-sign"}).ExitCode, 2);
    EXPECT_EQ(RunZe2({"pak", "list", dir.File("none.pak")}).ExitCode, 1);
}

TEST(Ze2Pak, ExtractRefusesNamesThatLeaveTheFolder)
{
    TTempDir dir;
    const std::string pak = dir.File("x.pak");
    {
        auto folder = THovFolder::CreateEmpty(pak);
        for (const char* name : {"Data\\Tracks\\t.trn", "top.txt", "..\\evil.txt",
                                 "a\\..\\..\\evil2.txt", "\\abs.txt", "/abs2.txt", "C:\\x.txt"})
        {
            TMemoryStream s(std::vector<uint8_t>{'o', 'k'});
            folder->AddEntry(name, &s);
        }
        folder->SaveAs(pak);
    }
    const std::string out = dir.MakeDir("inner/out");
    const TRunResult r = RunZe2({"pak", "extract", pak, out});
    EXPECT_EQ(r.ExitCode, 1);
    for (const char* refused : {"..\\evil.txt", "evil2.txt", "\\abs.txt", "/abs2.txt", "C:\\x.txt"})
        EXPECT_NE(r.Err.find(refused), std::string::npos) << refused;

    EXPECT_EQ(ReadFileText(out + "/Data/Tracks/t.trn"), "ok");
    EXPECT_EQ(ReadFileText(out + "/top.txt"), "ok");
    // Nothing but what we asked for was written anywhere in the temporary folder.
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path()))
        if (e.is_regular_file())
            files.push_back(std::filesystem::relative(e.path(), dir.Path()).string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"inner/out/Data/Tracks/t.trn", "inner/out/top.txt",
                                               "x.pak"}));
}
