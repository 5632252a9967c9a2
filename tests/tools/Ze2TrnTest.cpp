#include "TestUtil.h"
#include "archive/HovFolder.h"
#include "terrain/HovTRNFile.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(Ze2Trn, FlatInfoAndResave)
{
    TTempDir dir;
    const std::string flat = dir.File("flat.trn");
    TRunResult r = RunZe2({"trn", "flat", flat, "--tiles", "3", "--base", "10", "--max", "100",
                           "--grid", "4", "--8bit"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    r = RunZe2({"trn", "info", flat});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "variant\tLOD\nsections\t3x3\ntiles\t258\ntextures\t17\n"
                     "spacing\t4.000000\nheightscale\t25.000000\n");

    // Inside a package: the first entry whose name contains ".trn".
    {
        auto pak = THovFolder::CreateEmpty(dir.File("t.pak"));
        TMemoryStream text(std::vector<uint8_t>{'x'});
        pak->AddEntry("Data\\UserTracks\\T\\T.txt", &text);
        pak->AddFile("Data\\UserTracks\\T\\T.trn", flat);
        pak->SaveAs(dir.File("t.pak"));
    }
    r = RunZe2({"trn", "resave", dir.File("t.pak"), dir.File("out.trn")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    THovTRNfile out;
    ASSERT_TRUE(out.LoadFromFile(dir.File("out.trn")));
    EXPECT_EQ(out.TextureCount(), 17);
    EXPECT_EQ(out.Texture(3)->pixel(0, 0), qRgb(192, 192, 192));

    dir.Write("bad.trn", std::string("LOD\0garbage", 11));
    r = RunZe2({"trn", "info", dir.File("bad.trn")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("cannot use the terrain file"), std::string::npos);
    EXPECT_EQ(RunZe2({"trn", "flat", flat, "--tiles", "3"}).ExitCode, 2);
    EXPECT_EQ(
        RunZe2({"trn", "flat", flat, "--tiles", "3", "--base", "0", "--max", "0", "--grid", "1"})
            .ExitCode,
        1);
}

TEST(Ze2Tga, PngRoundTrip)
{
    TTempDir dir;
    QImage image(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, qRgb(x * 60, y * 100, 9));
    ASSERT_TRUE(image.save(QString::fromStdString(dir.File("in.png"))));
    TRunResult r =
        RunZe2({"tga", "frompng", dir.File("in.png"), dir.File("a.tga"), "--depth", "2"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ReadFileText(dir.File("a.tga"))[16], 24);
    r = RunZe2({"tga", "topng", dir.File("a.tga"), dir.File("out.png"), "--mode", "1"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    QImage grey(QString::fromStdString(dir.File("out.png")));
    EXPECT_EQ(qRed(grey.pixel(3, 2)), (32 * 180 + 64 * 200 + 12 * 9) / 108);
    r = RunZe2({"tga", "topng", dir.File("a.tga"), dir.File("out.png")});
    ASSERT_EQ(r.ExitCode, 0);
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("out.png"))).pixel(1, 2), image.pixel(1, 2));

    dir.Write("bad.tga", std::string(30, '\7'));
    r = RunZe2({"tga", "topng", dir.File("bad.tga"), dir.File("x.png")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("Invalid TGA file!"), std::string::npos);
    EXPECT_EQ(
        RunZe2({"tga", "topng", dir.File("a.tga"), dir.File("x.png"), "--mode", "5"}).ExitCode, 2);
}
