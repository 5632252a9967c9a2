#include "terrain/VellTga.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace
{
using TBytes = std::vector<uint8_t>;

TBytes Header(int type, int depth, int w, int h, int descriptor = 0, int mapType = 0,
              int mapLength = 0, int mapBits = 0)
{
    return {0,
            uint8_t(mapType),
            uint8_t(type),
            0,
            0,
            uint8_t(mapLength),
            uint8_t(mapLength >> 8),
            uint8_t(mapBits),
            0,
            0,
            0,
            0,
            uint8_t(w),
            uint8_t(w >> 8),
            uint8_t(h),
            uint8_t(h >> 8),
            uint8_t(depth),
            uint8_t(descriptor)};
}

// 3 x 2 pixels of 24 bits, rows in file order (bottom row first unless top-left).
const TBytes kRows24 = {10, 20, 30, 40, 50, 60, 70, 80, 90, // file row 0
                        1,  2,  3,  4,  5,  6,  7,  8,  9}; // file row 1

// The same rows run-length coded: a repeat packet would be wrong here, so use literal and
// repeat packets over a picture that has a run.
TBytes Rle(const TBytes& pixels, size_t unit)
{
    TBytes out;
    size_t i = 0;
    const size_t n = pixels.size() / unit;
    while (i < n)
    {
        size_t run = 1;
        while (i + run < n && run < 128 &&
               std::equal(pixels.begin() + ptrdiff_t(i * unit),
                          pixels.begin() + ptrdiff_t((i + 1) * unit),
                          pixels.begin() + ptrdiff_t((i + run) * unit)))
            ++run;
        if (run > 1)
        {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixels.begin() + ptrdiff_t(i * unit),
                       pixels.begin() + ptrdiff_t((i + 1) * unit));
            i += run;
        }
        else
        {
            out.push_back(0);
            out.insert(out.end(), pixels.begin() + ptrdiff_t(i * unit),
                       pixels.begin() + ptrdiff_t((i + 1) * unit));
            ++i;
        }
    }
    return out;
}

QImage Load(const TBytes& bytes, int mode, bool* ok = nullptr)
{
    TVellqTarga tga;
    QImage image;
    const bool result = tga.LoadFromMemory(bytes.data(), bytes.size(), mode, image);
    if (ok)
        *ok = result;
    return image;
}

TBytes Concat(TBytes a, const TBytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
} // namespace

TEST(VellTga, TrueColourOriginsMirrorAndRunLength)
{
    const QImage bottomUp = Load(Concat(Header(2, 24, 3, 2), kRows24), 0);
    ASSERT_EQ(bottomUp.format(), QImage::Format_BGR888);
    EXPECT_EQ(bottomUp.pixel(0, 1), qRgb(30, 20, 10)); // file row 0 is the bottom row
    EXPECT_EQ(bottomUp.pixel(2, 0), qRgb(9, 8, 7));

    // The top-left twin (rows stored the other way round) is the same picture.
    TBytes flipped(kRows24.begin() + 9, kRows24.end());
    flipped.insert(flipped.end(), kRows24.begin(), kRows24.begin() + 9);
    EXPECT_EQ(Load(Concat(Header(2, 24, 3, 2, 0x20), flipped), 0), bottomUp);
    // Right-to-left rows are mirrored.
    const QImage mirrored = Load(Concat(Header(2, 24, 3, 2, 0x10), kRows24), 0);
    EXPECT_EQ(mirrored.pixel(2, 1), qRgb(30, 20, 10));
    // Type 10 loads as type 2.
    TBytes runs = kRows24;
    std::copy(runs.begin(), runs.begin() + 3, runs.begin() + 3); // a run of two
    EXPECT_EQ(Load(Concat(Header(10, 24, 3, 2), Rle(runs, 3)), 0),
              Load(Concat(Header(2, 24, 3, 2), runs), 0));

    // 16 bits: 5-5-5, each channel x 8; 32 bits keep alpha.
    const QImage p16 = Load(Concat(Header(2, 16, 1, 1), {0x1F, 0x7C}), 0);
    EXPECT_EQ(p16.pixel(0, 0), qRgb(248, 0, 248));
    const QImage p32 = Load(Concat(Header(2, 32, 1, 1), {1, 2, 3, 128}), 0);
    EXPECT_EQ(p32.format(), QImage::Format_ARGB32);
    EXPECT_EQ(p32.pixel(0, 0), qRgba(3, 2, 1, 128));
    // Mode 1: grey indices (32 R + 64 G + 12 B) / 108 shown through a grey ramp.
    const QImage grey = Load(Concat(Header(10, 24, 3, 2), Rle(kRows24, 3)), 1);
    ASSERT_EQ(grey.format(), QImage::Format_Indexed8);
    EXPECT_EQ(grey.pixelIndex(0, 1), (32 * 30 + 64 * 20 + 12 * 10) / 108);
    EXPECT_EQ(grey.color(100), qRgb(100, 100, 100));
}

TEST(VellTga, ColourMappedAndGreyImages)
{
    // Colour map of 24-bit entries (blue, green, red), reduced to 6 bits.
    TBytes map = {0, 0, 0, 255, 128, 4, 7, 200, 100};
    const TBytes pixels = {2, 1, 0, 1};
    const TBytes file = Concat(Concat(Header(1, 8, 2, 2, 0x20, 1, 3, 24), map), pixels);
    const QImage indexed = Load(file, 0);
    ASSERT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_EQ(indexed.pixelIndex(0, 0), 2);
    EXPECT_EQ(indexed.color(1), qRgb((4 >> 2) * 4, (128 >> 2) * 4, (255 >> 2) * 4));
    // Mode 2: expanded as channel x 4 + 3.
    const QImage expanded = Load(file, 2);
    ASSERT_EQ(expanded.format(), QImage::Format_BGR888);
    EXPECT_EQ(expanded.pixel(0, 0), qRgb((100 >> 2) * 4 + 3, (200 >> 2) * 4 + 3, (7 >> 2) * 4 + 3));
    // Type 9 loads as type 1; a 16-bit map takes each 5-bit channel x 2.
    EXPECT_EQ(Load(Concat(Concat(Header(9, 8, 2, 2, 0x20, 1, 3, 24), map), Rle(pixels, 1)), 0),
              indexed);
    const QImage map16 = Load(Concat(Header(1, 8, 1, 1, 0, 1, 1, 16), {0x1F, 0x7C, 0}), 0);
    EXPECT_EQ(map16.color(0), qRgb(31 * 2 * 4, 0, 31 * 2 * 4));

    // Greyscale without a map: entry i = i x 63 / 255 (x 4 in the bitmap).
    const QImage grey = Load(Concat(Header(3, 8, 2, 1), {255, 128}), 0);
    EXPECT_EQ(grey.color(255), qRgb(252, 252, 252));
    EXPECT_EQ(grey.pixelIndex(1, 0), 128);
    EXPECT_EQ(Load(Concat(Header(11, 8, 2, 1), {0x81, 255}), 0).pixelIndex(1, 0), 255);
    // One bit per pixel: black and white.
    const QImage mono = Load(Concat(Header(3, 1, 3, 1), {0xA0}), 0);
    ASSERT_EQ(mono.format(), QImage::Format_Mono);
    EXPECT_EQ(mono.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(mono.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(VellTga, BadHeadersAndShortData)
{
    for (const TBytes& bad :
         {TBytes{1, 2, 3}, Header(4, 24, 2, 2), Header(2, 12, 2, 2), Header(2, 24, 0, 2),
          Header(12, 24, 2, 2), Header(2, 24, 60000, 60000)}) // far more pixels than bytes
    {
        TVellqTarga tga;
        QImage image;
        EXPECT_FALSE(tga.LoadFromMemory(bad.data(), bad.size(), 0, image));
        EXPECT_EQ(tga.ErrorText(), "Invalid TGA file!");
        EXPECT_EQ(image.size(), QSize(1, 1));
    }
    // A short image keeps what it has; the rest stays zero.
    bool ok = false;
    const QImage cut = Load(Concat(Header(2, 24, 3, 2), {10, 20, 30}), 0, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(cut.pixel(0, 1), qRgb(30, 20, 10));
    EXPECT_EQ(cut.pixel(1, 1), qRgb(0, 0, 0));
    // A run that claims more pixels than the image has stops at its end; a literal packet
    // cut short keeps the pixels present.
    EXPECT_EQ(Load(Concat(Header(10, 24, 2, 1), {0xFF, 1, 2, 3}), 0).pixel(1, 0), qRgb(3, 2, 1));
    EXPECT_EQ(Load(Concat(Header(10, 24, 3, 1), {0x02, 1, 2, 3, 4}), 0).pixel(1, 0), qRgb(0, 0, 0));
}

TEST(VellTga, WriterRoundTripsAndEndsWithTheFooter)
{
    TTempDir dir;
    QImage rgb(5, 3, QImage::Format_BGR888);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            rgb.setPixel(x, y, qRgb(x * 50, y * 80, 7));
    TVellqTarga tga;
    ASSERT_TRUE(tga.SaveToFile(dir.File("a.tga"), rgb, 0));
    const std::string text = ReadFileText(dir.File("a.tga"));
    ASSERT_EQ(text.size(), 18 + 5 * 3 * 3 + 26);
    EXPECT_EQ(text[2], 2);
    EXPECT_EQ(text[16], 24);
    EXPECT_EQ(text.substr(text.size() - 18), std::string("TRUEVISION-XFILE.\0", 18));
    QImage back;
    ASSERT_TRUE(tga.LoadFromFile(dir.File("a.tga"), 0, back));
    EXPECT_EQ(back, rgb);

    // 8 bits: colour map type 1, 256 entries of 24 bits, each reduced to 6 bits.
    QImage indexed(2, 2, QImage::Format_Indexed8);
    QList<QRgb> table(256, qRgb(0, 0, 0));
    table[1] = qRgb(255, 130, 3);
    indexed.setColorTable(table);
    indexed.fill(1);
    const std::vector<uint8_t> bytes = TVellqTarga::Encode(indexed, 0);
    ASSERT_EQ(bytes.size(), size_t(18 + 768 + 4 + 26));
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[7], 24);
    EXPECT_EQ(bytes[18 + 3], 0);   // blue 3 -> 0
    EXPECT_EQ(bytes[18 + 4], 129); // green 130 -> 32 -> 129
    EXPECT_EQ(bytes[18 + 5], 255);
    const QImage reread = Load(bytes, 0);
    EXPECT_EQ(reread.pixelIndex(1, 1), 1);

    // Depth 1 writes 5-5-5 pixels; 32-bit bitmaps keep alpha.
    const std::vector<uint8_t> p16 = TVellqTarga::Encode(rgb, 1);
    EXPECT_EQ(p16[16], 16);
    EXPECT_EQ(Load(p16, 0).pixel(1, 2), qRgb(48, 160, 0));
    QImage argb(1, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(1, 2, 3, 4));
    EXPECT_EQ(Load(TVellqTarga::Encode(argb, 0), 0).pixel(0, 0), qRgba(1, 2, 3, 4));
}
