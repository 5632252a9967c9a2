#include "TestUtil.h"
#include "terrain/OstTrn.h"
#include "terrain/VellTga.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

TEST(Ze2Terrain, HeightAndDisplacementMapsInAndOut)
{
    TTempDir dir;
    const std::string trn = dir.File("t.trn");
    {
        TOstTerrain ground;
        ASSERT_TRUE(ground.CreateFlatTerrain(2, 25.0f, 100.0f, 2.0f));
        ASSERT_TRUE(ground.MakeSectionUnique(0, 1));
        ground.File()->SaveToFile(trn, false);
    }
    // The flat height as stored (25 of 100, rounded to the 16-bit step).
    char flat[32];
    std::snprintf(flat, sizeof flat, "%.4f\n", 16384 / 65535.0 * 100.0);
    TRunResult r = RunZe2({"terrain", "height", trn, "100.5", "700"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, flat);

    // A 16-bit map into section column 1, row 0; exported back unchanged.
    QImage map(257, 257, QImage::Format_BGR888);
    for (int y = 0; y < 257; ++y)
        for (int x = 0; x < 257; ++x)
            map.setPixel(x, y, qRgb(x % 256, y % 256, y % 256));
    ASSERT_TRUE(TVellqTarga().SaveToFile(dir.File("map.tga"), map, TVellqTarga::td24));
    r = RunZe2({"terrain", "import-displacement", trn, "1", "0", dir.File("map.tga"),
                dir.File("out.trn")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    r = RunZe2({"terrain", "export-displacement", dir.File("out.trn"), "1", "0",
                dir.File("back.tga"), "--16bit"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    QImage back;
    ASSERT_TRUE(TVellqTarga().LoadFromFile(dir.File("back.tga"), TVellqTarga::tmTrue, back));
    EXPECT_EQ(back.convertToFormat(QImage::Format_BGR888), map);
    // Sample column 256 + 10, row 0 is image pixel (10, 256): stored 10 x 256 + 0.
    r = RunZe2({"terrain", "height", dir.File("out.trn"), std::to_string(266 * 2.0), "0"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.4f\n", 2560 / 65535.0 * 100.0);
    EXPECT_EQ(r.Out, expected);
    // Section (0, 0) kept its height.
    r = RunZe2({"terrain", "height", dir.File("out.trn"), "10", "10"});
    EXPECT_EQ(r.Out, flat);

    // Other depths are refused and nothing is written.
    ASSERT_TRUE(TVellqTarga().SaveToFile(
        dir.File("map16.tga"), map.convertToFormat(QImage::Format_ARGB32), TVellqTarga::tdKeep));
    r = RunZe2({"terrain", "import-displacement", trn, "1", "0", dir.File("map16.tga"),
                dir.File("bad.trn")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("The displacement map is not a 24bit TGA file."), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.File("bad.trn"))));

    EXPECT_EQ(RunZe2({"terrain", "export-displacement", trn, "2", "0", dir.File("x.tga")}).ExitCode,
              1);
    EXPECT_EQ(RunZe2({"terrain", "height", trn, "abc", "0"}).ExitCode, 2);
    EXPECT_EQ(RunZe2({"terrain", "height", dir.File("none.trn"), "0", "0"}).ExitCode, 1);
}
