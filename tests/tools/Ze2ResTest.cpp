#include "archive/HovFolder.h"
#include "archive/KexFileStream.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace
{
std::vector<uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}
} // namespace

TEST(Ze2Res, FindSearchesTheFoldersInOrder)
{
    TTempDir dir;
    dir.Write("Track/Start.dxg", "0123456789");
    const std::string pak = dir.File("common.pak");
    {
        auto folder = THovFolder::CreateEmpty(pak);
        TMemoryStream s(Bytes("abc"));
        folder->AddOrReplace("Data\\start.DXG", &s);
        folder->SaveAs(pak);
    }
    TRunResult r = RunProgram({ZE2_BINARY, "res", "find", "START.DXG", dir.File("Track"), pak});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "0\t\\Track\t10\n");
    r = RunProgram({ZE2_BINARY, "res", "find", "start.dxg", pak, dir.File("Track")});
    EXPECT_EQ(r.Out, "0\tcommon.pak\t3\n");
    r = RunProgram({ZE2_BINARY, "res", "find", "other.dxg", pak, dir.File("Track")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(RunProgram({ZE2_BINARY, "res", "find", "start.dxg"}).ExitCode, 2);
}

TEST(Ze2Kex, ListShowsEveryBlock)
{
    TTempDir dir;
    const std::string path = dir.File("ride.kex");
    {
        TKexFileStream f;
        f.CreateForWrite(path);
        f.WriteFileHeader(0, 1, 1);
        f.WriteBlock(TMemoryStream(Bytes("engine")), 1, 0, 1);
        f.WriteBlock(TMemoryStream(Bytes("line")), 9, 0, 2, "Main line");
        ASSERT_EQ(f.Close(), 0);
    }
    TRunResult r = RunProgram({ZE2_BINARY, "kex", "list", path});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "0\tPhysicsData\t1\t6\t\n1\tSpline\t2\t4\tMain line\n");
    r = RunProgram({ZE2_BINARY, "kex", "list", dir.Write("bad.kex", "KEY")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("error reading the header."), std::string::npos);
    std::string cut = ReadFileText(path);
    cut.resize(cut.size() - 2);
    r = RunProgram({ZE2_BINARY, "kex", "list", dir.Write("cut.kex", cut)});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("problem reading block data."), std::string::npos);
}
