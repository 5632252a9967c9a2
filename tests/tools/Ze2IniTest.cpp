#include "TestUtil.h"

#include <gtest/gtest.h>

TEST(Ze2Ini, SetThenGet)
{
    TTempDir dir;
    const std::string file = dir.File("track.emt");
    // A missing file starts empty on set.
    ASSERT_EQ(RunProgram({ZE2_BINARY, "ini", "set", file, "Sky", "FOV", "60"}).ExitCode, 0);
    ASSERT_EQ(RunProgram({ZE2_BINARY, "ini", "set", file, "sky", "Speed", "5"}).ExitCode, 0);
    EXPECT_EQ(ReadFileText(file), "[Sky]\r\nSpeed=5\r\nFOV=60\r\n");

    TRunResult r = RunProgram({ZE2_BINARY, "ini", "get", file, "SKY", "fov"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "60\n");
    r = RunProgram({ZE2_BINARY, "ini", "get", file, "Sky", "absent"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "\n");

    r = RunProgram({ZE2_BINARY, "ini", "get", dir.File("none.ini"), "Sky", "fov"});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("none.ini"), std::string::npos);
    EXPECT_EQ(RunProgram({ZE2_BINARY, "ini", "get", file, "Sky"}).ExitCode, 2);
}
