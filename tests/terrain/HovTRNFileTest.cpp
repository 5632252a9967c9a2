#include "terrain/HovTRNFile.h"

#include "TrnFixture.h"
#include "platform/Unswizzle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace trnfixture;

namespace
{
// A texture of distinct colours (more than 256 of them).
QImage Gradient(int seed)
{
    QImage image(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgba(x, y, (seed * 37) & 255, 255));
    return image;
}

// A texture of few colours.
QImage Stripes(int seed)
{
    QImage image(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgba((x / 16) * 16, (y / 32) * 32 + seed, seed * 3, 255));
    return image;
}

bool SamePixels(const QImage& a, const QImage& b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

std::vector<uint8_t> Save(THovTRNfile& file, bool eightBit)
{
    TMemoryStream stream;
    file.SaveToStream(stream, eightBit);
    return stream.Bytes();
}

// Each tile block gets its own heights, normals and bytes, so blocks can be told apart.
void MarkTiles(THovTRNfile& file)
{
    for (int t = 0; t < file.TileCount(); ++t)
    {
        uint8_t* tile = file.Tile(t);
        for (int v = 0; v < TileBlock::Vertices; ++v)
        {
            TileBlock::SetHeight(tile, v, uint16_t(t * 200 + v));
            tile[TileBlock::Normals + 3 * v] = uint8_t(v + t);
            tile[TileBlock::Zones + v] = uint8_t(t);
        }
    }
}

TBytes Blank()
{
    TBytes b(TileBlock::Size);
    TileBlock::MakeBlank(b.data(), 1000);
    return b;
}
} // namespace

TEST(HovTRNFile, CreateFlatMakesSharedSectionsOfOneHeight)
{
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(3, 25.0f, 100.0f, 4.0f));
    EXPECT_EQ(file.Variant(), TTrnVariant::LOD);
    EXPECT_EQ(file.SectionRows(), 3);
    EXPECT_EQ(file.SectionColumns(), 3);
    EXPECT_EQ(file.SectionMode(), 2);
    EXPECT_EQ(file.TileCount(), 258);
    EXPECT_EQ(file.TextureCount(), 17);
    EXPECT_FLOAT_EQ(file.TileSpacing(), 4.0f);
    EXPECT_FLOAT_EQ(file.HeightScale(), 25.0f); // 100 / 4: the height range is 100
    EXPECT_EQ(file.Texture(16)->pixel(10, 10), qRgb(192, 192, 192));

    const uint8_t* tile = file.Tile(257);
    EXPECT_EQ(TileBlock::Word(tile, 0), 65535);
    EXPECT_EQ(TileBlock::Height(tile, 100), 16384); // round(0.25 * 65535)
    EXPECT_EQ(int8_t(tile[TileBlock::Normals + 1]), 127);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderA + 2), 289);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderB + 2 * 288), 288);

    EXPECT_EQ(file.Root()->TileIndex(), 1);
    EXPECT_EQ(file.Root()->FormatCode(), 56);
    EXPECT_EQ(file.Root()->TextureEntry(0), TTrnNode::NoTexture);
    const TTrnNode* section = file.SectionNode(2, 1);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->TileIndex(), 1);
    EXPECT_EQ(section->TextureEntry(0), 0u);
    EXPECT_EQ(section->TextureEntry(16), 30u);
    EXPECT_EQ(file.TileIndexOf(2, 1, 3, 5), 16 * 3 + 5 + 2);
    EXPECT_EQ(section->Child(0)->TextureEntry(3), TTrnNode::NoTexture);
    EXPECT_FLOAT_EQ(section->HeightUnit(), 25.0f / 65535.0f);
    EXPECT_EQ(file.SectionNode(3, 0), nullptr);
}

TEST(HovTRNFile, CreateFlatBoundsItsArguments)
{
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(1, 500.0f, 100.0f, 2.0f)); // 1 -> 2 sections, base -> max
    EXPECT_EQ(file.SectionRows(), 2);
    EXPECT_EQ(TileBlock::Height(file.Tile(5), 0), 65535);
    ASSERT_TRUE(file.CreateFlat(40, 0.0f, 100.0f, 2.0f));
    EXPECT_EQ(file.SectionRows(), 16);
    EXPECT_FALSE(file.CreateFlat(2, 0.0f, 0.0f, 2.0f));
    EXPECT_FALSE(file.CreateFlat(2, 0.0f, 10.0f, 0.0f));
}

TEST(HovTRNFile, LodRoundTripKeepsTilesAndTrueColourTextures)
{
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(2, 10.0f, 80.0f, 2.5f));
    MarkTiles(file);
    for (int i = 0; i < file.TextureCount(); ++i)
        file.ReplaceTexture(i, Gradient(i));
    int lastPhase = -1;
    file.OnProgress = [&](int phase, int, int) { lastPhase = phase; };
    const std::vector<uint8_t> bytes = Save(file, false);
    EXPECT_EQ(lastPhase, 6);
    // Header, palette, info, offsets, blocks, the tree (root, 4 sections, 1024 tiles) and
    // the trailer.
    const size_t tree = (1 + 4 + 1024) * 97 + 5 * 1024;
    EXPECT_EQ(bytes.size(),
              45 + 1024 + 20 + 4 * 258 + 8 + 4 * 17 + 3408 * 258 + 349648 * 17 + tree + 24);

    THovTRNfile loaded;
    std::vector<int> phases;
    loaded.OnProgress = [&](int phase, int, int) { phases.push_back(phase); };
    ASSERT_TRUE(loaded.LoadFromMemory(bytes.data(), bytes.size())) << loaded.LastError();
    EXPECT_EQ(phases.front(), 0);
    EXPECT_EQ(phases.back(), 2);
    EXPECT_EQ(loaded.SectionRows(), 2);
    EXPECT_EQ(loaded.SectionColumns(), 2);
    EXPECT_FLOAT_EQ(loaded.TileSpacing(), 2.5f);
    EXPECT_FLOAT_EQ(loaded.HeightScale(), 32.0f);
    ASSERT_EQ(loaded.TileCount(), file.TileCount());
    EXPECT_EQ(std::memcmp(loaded.Tile(0), file.Tile(0), size_t(258) * TileBlock::Size), 0);
    for (int i = 0; i < 17; ++i)
        EXPECT_TRUE(SamePixels(*loaded.Texture(i), *file.Texture(i))) << i;
    EXPECT_EQ(loaded.TileIndexOf(1, 1, 15, 15), 257);

    // Without the trailer the file loads the same.
    THovTRNfile cut;
    EXPECT_TRUE(cut.LoadFromMemory(bytes.data(), bytes.size() - 24));
}

TEST(HovTRNFile, EightBitTexturesKeepFewColoursExactly)
{
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(2, 10.0f, 80.0f, 2.5f));
    for (int i = 0; i < file.TextureCount(); ++i)
        file.ReplaceTexture(i, Stripes(i % 4)); // 16 x 8 x 4 = 512 colours: merged
    file.ReplaceTexture(0, Stripes(0));
    for (int i = 1; i < file.TextureCount(); ++i)
        file.ReplaceTexture(i, Stripes(0)); // 128 colours: kept exactly
    const std::vector<uint8_t> bytes = Save(file, true);
    EXPECT_EQ(bytes.size() - (45 + 1024 + 20 + 4 * 258 + 8 + 4 * 17 + 3408 * 258),
              size_t(87505) * 17 + (1 + 4 + 1024) * 97 + 5 * 1024 + 24);
    // The texture blocks hold swizzled indices (format 56).
    uint32_t format;
    std::memcpy(&format, bytes.data() + 45 + 1024 + 20 + 4 * 258 + 8 + 4 * 17 + 3408 * 258, 4);
    EXPECT_EQ(format, 56u);

    THovTRNfile loaded;
    ASSERT_TRUE(loaded.LoadFromMemory(bytes.data(), bytes.size()));
    for (int i = 0; i < 17; ++i)
        EXPECT_TRUE(SamePixels(*loaded.Texture(i), Stripes(0))) << i;
}

TEST(HovTRNFile, EightBitTexturesWithManyColoursStayClose)
{
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(2, 10.0f, 80.0f, 2.5f));
    file.ReplaceTexture(3, Gradient(1));
    const std::vector<uint8_t> bytes = Save(file, true);
    THovTRNfile loaded;
    ASSERT_TRUE(loaded.LoadFromMemory(bytes.data(), bytes.size()));
    const QImage& t = *loaded.Texture(3);
    // 65536 colours in 256 entries: every pixel lands near its colour, and the picture
    // keeps its orientation (no swizzle mix-up).
    long total = 0;
    for (int y = 0; y < 256; y += 5)
        for (int x = 0; x < 256; x += 5)
        {
            const QRgb p = t.pixel(x, y);
            total += std::abs(qRed(p) - x) + std::abs(qGreen(p) - y);
        }
    EXPECT_LT(double(total) / (52 * 52), 24.0);
}

TEST(HovTRNFile, SwizzleInterleavesColumnAndRowBits)
{
    // 4 x 2: index = x1 y0 x0.
    const uint8_t rows[8] = {0, 1, 2, 3, 10, 11, 12, 13};
    uint8_t sw[8], back[8];
    SwizzleRect(rows, sw, 4, 2);
    const uint8_t expected[8] = {0, 1, 10, 11, 2, 3, 12, 13};
    EXPECT_EQ(std::memcmp(sw, expected, 8), 0);
    UnswizzleRect(sw, back, 4, 2);
    EXPECT_EQ(std::memcmp(back, rows, 8), 0);
    // Sides that are not powers of two stay in row order.
    SwizzleRect(rows, sw, 3, 2);
    EXPECT_EQ(std::memcmp(sw, rows, 6), 0);
}

TEST(HovTRNFile, ExportSectionOfTwoByTwo)
{
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(2, 10.0f, 80.0f, 2.5f));
    file.SetTileCount(258 + 257);
    MarkTiles(file);
    // Section (1, 0) gets tile blocks 258.. and textures of its own.
    TTrnNode* section = file.SectionNode(1, 0);
    section->SetTileIndex(258);
    for (int e = 0; e < 256; ++e)
        section->Child(e)->SetTileIndex(uint16_t(259 + e));
    for (int k = 1; k <= 16; ++k)
    {
        file.ReplaceTexture(file.TextureCount(), Stripes(k));
        section->SetTextureEntry(k, uint32_t(2 * (file.TextureCount() - 1)));
    }

    TMemoryStream none;
    EXPECT_EQ(file.ExportSection(2, 0, &none), 0);
    EXPECT_EQ(file.ExportSection(1, 0, nullptr), 0);
    EXPECT_EQ(none.Size(), 0);

    TMemoryStream out;
    const int written = file.ExportSection(1, 0, &out);
    EXPECT_EQ(written, out.Size());
    EXPECT_EQ(size_t(written), 45 + 1024 + 20 + 4 * 257 + 8 + 4 * 17 + 3408 * 257 + 349648 * 17 +
                                   257 * 97 + 1024 + 24);
    THovTRNfile part;
    ASSERT_TRUE(part.LoadFromMemory(out.Memory(), size_t(out.Size()))) << part.LastError();
    EXPECT_EQ(part.SectionMode(), 1);
    EXPECT_EQ(part.SectionRows(), 1);
    EXPECT_EQ(part.TileCount(), 257);
    EXPECT_EQ(part.TextureCount(), 17);
    EXPECT_EQ(std::memcmp(part.Tile(0), file.Tile(258), TileBlock::Size), 0);
    // Tile block 1 + 16 i + j is the tile in row j, column i.
    for (const auto& [j, i] : {std::pair{0, 0}, {3, 7}, {15, 2}})
    {
        EXPECT_EQ(part.TileIndexOf(0, 0, j, i), 1 + 16 * i + j);
        EXPECT_EQ(
            std::memcmp(part.Tile(1 + 16 * i + j), file.Tile(259 + 16 * j + i), TileBlock::Size),
            0);
        EXPECT_EQ(part.Root()->Child(j, i)->TextureEntry(1), TTrnNode::NoTexture);
    }
    const TTrnNode* root = part.Root();
    EXPECT_EQ(root->TileIndex(), 0);
    EXPECT_EQ(root->MaxError(), 0);
    EXPECT_EQ(root->TextureEntry(0), TTrnNode::NoTexture);
    EXPECT_EQ(root->TextureEntry(5), 8u);
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(SamePixels(*part.Texture(k), Stripes(k + 1))) << k;
    EXPECT_FLOAT_EQ(part.HeightScale(), file.HeightScale());
}

TEST(HovTRNFile, RebuildFlatTileAndSingleLowVertex)
{
    THovTRNfile file;
    std::vector<TBytes> blocks(9, Blank());
    std::array<uint8_t*, 9> around;
    for (int i = 0; i < 9; ++i)
        around[size_t(i)] = blocks[size_t(i)].data();
    uint8_t* tile = around[4];
    std::memset(tile + TileBlock::Normals, 0, 867);
    std::memset(tile + TileBlock::MaxErrors, 9, 289);
    file.RebuildTile(nullptr, around, 0, 0, TCustomTRNFile::rbAll);
    for (int v = 0; v < TileBlock::Vertices; ++v)
    {
        EXPECT_EQ(tile[TileBlock::MaxErrors + v], 0);
        EXPECT_EQ(tile[TileBlock::Visibility + v], 0);
        EXPECT_EQ(int8_t(tile[TileBlock::Normals + 3 * v + 1]), 127);
    }
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderA + 2), 289);

    TileBlock::SetHeight(tile, 17 * 5 + 9, 500);
    file.RebuildTile(nullptr, around, 0, 0, TCustomTRNFile::rbVisibility);
    EXPECT_EQ(tile[TileBlock::Visibility + 17 * 5 + 9], 234); // 1002 mod 256
    EXPECT_EQ(tile[TileBlock::Visibility + 17 * 4 + 8], 0);   // a lower neighbour adds nothing
}

TEST(HovTRNFile, RebuildNormalsOfASlopeAcrossNeighbours)
{
    // Height values 1000 per column, continued by the tiles left and right; HeightScale
    // 65.535 makes that a rise of one sample spacing per column: normal (-1, 1, 0) / sqrt 2.
    THovTRNfile file;
    ASSERT_TRUE(file.CreateFlat(2, 0.0f, 65.535f, 1.0f));
    std::vector<TBytes> blocks(9, Blank());
    std::array<uint8_t*, 9> around;
    for (int i = 0; i < 9; ++i)
    {
        around[size_t(i)] = blocks[size_t(i)].data();
        const int dc = i % 3 - 1;
        for (int r = 0; r <= 16; ++r)
            for (int c = 0; c <= 16; ++c)
                TileBlock::SetHeight(around[size_t(i)], 17 * r + c,
                                     uint16_t((c + 16 + 16 * dc) * 1000));
    }
    file.RebuildTile(nullptr, around, 0, 0,
                     TCustomTRNFile::rbNormals | TCustomTRNFile::rbMaxErrors);
    for (const int v : {0, 16, 144, 288})
    {
        const int8_t* n = reinterpret_cast<const int8_t*>(around[4] + TileBlock::Normals + 3 * v);
        EXPECT_EQ(n[0], -90) << v;
        EXPECT_EQ(n[1], 90) << v;
        EXPECT_EQ(n[2], 0) << v;
        EXPECT_EQ(around[4][TileBlock::MaxErrors + v], 0); // a plane has no error
    }
}

TEST(HovTRNFile, RebuildErrorsAndOrderTablesOfASpike)
{
    THovTRNfile file;
    std::vector<TBytes> blocks(9, TBytes(TileBlock::Size));
    std::array<uint8_t*, 9> around;
    for (int i = 0; i < 9; ++i)
    {
        TileBlock::MakeBlank(blocks[size_t(i)].data(), 0);
        around[size_t(i)] = blocks[size_t(i)].data();
    }
    uint8_t* tile = around[4];
    TileBlock::SetHeight(tile, 17 * 8 + 8, 65535);
    TTrnNode node;
    file.RebuildTile(&node, around, 0, 0,
                     TCustomTRNFile::rbMaxErrors | TCustomTRNFile::rbOrderTables);
    auto error = [&](int r, int c) { return int(tile[TileBlock::MaxErrors + 17 * r + c]); };
    EXPECT_EQ(error(8, 8), 255);  // parents (0, 0) and (16, 16)
    EXPECT_EQ(error(4, 8), 238);  // parents (0, 8) and (8, 8): half the range
    EXPECT_EQ(error(8, 4), 238);  // parents (8, 0) and (8, 8)
    EXPECT_EQ(error(4, 12), 238); // parents (0, 16) and (8, 8)
    EXPECT_EQ(error(2, 2), 0);
    EXPECT_EQ(error(0, 8), 0);
    EXPECT_EQ(node.MaxError(), 65535);
    // 24 vertices have (8, 8) as one parent and the error byte 238 (at distances 4, 2 and 1);
    // 264 have none. Sorted: 264 zeros, 24 times 238, the spike last.
    EXPECT_EQ(error(12, 4), 238);
    EXPECT_EQ(error(6, 6), 238);
    EXPECT_EQ(error(7, 7), 238);
    EXPECT_EQ(std::count(tile + TileBlock::MaxErrors, tile + TileBlock::MaxErrors + 289, 238), 24);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderB + 2 * (17 * 8 + 8)), 288);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderB + 2 * 0), 0);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderA + 2 * 1), 264);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderA + 2 * 23), 264);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderA + 2 * 24), 288);
    EXPECT_EQ(TileBlock::Word(tile, TileBlock::OrderA + 2 * 25), 289);

    // The corner's parents depend on the tile's place in its 4 x 4 block: at (1, 1) they
    // are (-16, -16) and (16, 16).
    TileBlock::SetHeight(tile, 17 * 8 + 8, 0);
    TileBlock::SetHeight(tile, 288, 65535);
    file.RebuildTile(&node, around, 0, 0, TCustomTRNFile::rbMaxErrors);
    EXPECT_EQ(error(0, 0), 0);
    file.RebuildTile(&node, around, 5, 1, TCustomTRNFile::rbMaxErrors);
    EXPECT_EQ(error(0, 0), 238);
}

TEST(HovTRNFile, ReadsThePackedLayout)
{
    TFixture f;
    f.Magic = "TRN";
    f.Offsets = false;
    for (const size_t n : {768, 32768, 65536})
    {
        TBytes extra(n);
        for (size_t i = 0; i < n; ++i)
            extra[i] = uint8_t(i * 7 / 5);
        Append(f.TrnPrefix, Chunk(extra, n != 768));
    }
    Put32(f.TrnPrefix, 0xDEADBEEF);
    for (int t = 0; t < 2; ++t)
    {
        TBytes a(512), b(578), v(2312);
        for (size_t i = 0; i < a.size(); ++i)
            a[i] = uint8_t(i + t);
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = uint8_t(3 * i);
        for (int c = 0; c <= 16; ++c)
            for (int r = 0; r <= 16; ++r)
            {
                uint8_t* rec = v.data() + 8 * (17 * c + r);
                rec[0] = uint8_t(r); // zone
                rec[1] = uint8_t(c); // error
                const uint16_t h = uint16_t(1000 * r + c + t);
                std::memcpy(rec + 2, &h, 2);
                rec[4] = 1, rec[5] = 2, rec[6] = uint8_t(r + c);
                rec[7] = uint8_t(100 + c); // visibility
            }
        TBytes tile = Chunk(a, t == 0);
        Append(tile, Chunk(b, true));
        Append(tile, Chunk(v, t == 1));
        f.Tiles.push_back(tile);
    }
    // A raw 2 x 1 texture and a packed 2 x 2 mip chain (largest level first).
    TBytes raw;
    Put32(raw, 2), Put32(raw, 1), Put32(raw, 5);
    Put32(raw, 0x03E07C00); // pixels 0x7C00 (red), 0x03E0 (green)
    f.Textures.push_back(raw);
    TBytes chain;
    for (int i = 0; i < 4; ++i)
        chain.push_back(0x1F), chain.push_back(0x00); // blue
    chain.push_back(0xFF), chain.push_back(0x7F);     // the 1 x 1 level
    TBytes packed;
    Put32(packed, 2), Put32(packed, 2), Put32(packed, 22);
    Append(packed, Chunk(chain, true));
    f.Textures.push_back(packed);
    TBytes bytes = f.Build();
    bytes[f.TreeOffset + 92] = 22;

    THovTRNfile file;
    ASSERT_TRUE(file.LoadFromMemory(bytes.data(), bytes.size())) << file.LastError();
    EXPECT_EQ(file.Variant(), TTrnVariant::TRN);
    EXPECT_EQ(file.SectionRows(), 1);
    EXPECT_EQ(file.TrnExtra().size(), size_t(768 + 32768 + 65536));
    EXPECT_EQ(file.TrnExtra()[768 + 100], uint8_t(100 * 7 / 5));
    EXPECT_EQ(file.Root()->FormatCode(), 56);
    EXPECT_FLOAT_EQ(file.HeightScale(), 100.0f);
    const uint8_t* tile = file.Tile(1);
    EXPECT_EQ(TileBlock::Word(tile, 0), 0);
    EXPECT_EQ(tile[TileBlock::OrderA + 7], 8);
    EXPECT_EQ(tile[TileBlock::OrderB + 5], 15);
    const int v = 17 * 3 + 11; // vertex (3, 11) from record 17 * 11 + 3
    EXPECT_EQ(TileBlock::Height(tile, v), 3011 + 1);
    EXPECT_EQ(tile[TileBlock::Zones + v], 3);
    EXPECT_EQ(tile[TileBlock::MaxErrors + v], 11);
    EXPECT_EQ(tile[TileBlock::Normals + 3 * v + 2], 14);
    EXPECT_EQ(tile[TileBlock::Visibility + v], 111);
    ASSERT_EQ(file.TextureCount(), 2);
    EXPECT_EQ(file.Texture(0)->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(file.Texture(0)->pixel(1, 0), qRgb(0, 251, 0)); // 5-6-5 with the low green bit 0
    EXPECT_EQ(file.Texture(1)->size(), QSize(2, 2));
    EXPECT_EQ(file.Texture(1)->pixel(1, 1), qRgb(0, 0, 255));
}

TEST(HovTRNFile, ReadsThePlaneLayout)
{
    TFixture f;
    f.Magic = "PLN";
    // Stored palette: red and blue exchanged, entries 8..15 and 16..23 of each 32 exchanged.
    for (int i = 0; i < 256; ++i)
    {
        const int group = i & ~31, k = i & 31;
        const int real = group + (k >= 8 && k < 16 ? k + 8 : k >= 16 && k < 24 ? k - 8 : k);
        const uint32_t c = 0xFF000000u | uint32_t(real) | uint32_t(255 - real) << 8 | 0x7Bu << 16;
        Set32(f.Palette, 4 * size_t(i), c);
    }
    TBytes tile = {1, 2, 3, 4};
    for (int r = 0; r <= 16; ++r)
    {
        for (int c = 0; c <= 16; ++c)
        {
            const uint16_t h = uint16_t(100 * r + c);
            tile.push_back(uint8_t(h)), tile.push_back(uint8_t(h >> 8));
        }
        tile.resize(tile.size() + 6, 0xEE);
    }
    for (int i = 0; i < 867 + 289 + 289; ++i)
        tile.push_back(uint8_t(i % 251));
    f.Tiles.push_back(tile);
    // An 8-bit texture with rows in order (format 39), behind a smaller level.
    f.Textures.push_back(TextureBlock(39, {{1, 1}, {2, 2}}, {9, 10, 17, 200}));
    const TBytes bytes = f.Build();

    THovTRNfile file;
    ASSERT_TRUE(file.LoadFromMemory(bytes.data(), bytes.size())) << file.LastError();
    EXPECT_EQ(file.Variant(), TTrnVariant::PLN);
    // Entry i holds red i, green 255 - i, blue 0x7B.
    EXPECT_EQ(file.Palette()[10], 0xFF00007Bu | 10u << 16 | 245u << 8);
    EXPECT_EQ(file.Palette()[17 + 32], 0xFF00007Bu | 49u << 16 | uint32_t(255 - 49) << 8);
    const uint8_t* t = file.Tile(0);
    EXPECT_EQ(t[0], 1);
    EXPECT_EQ(TileBlock::Height(t, 17 * 16 + 16), 1616);
    EXPECT_EQ(t[TileBlock::Normals + 5], 5);
    EXPECT_EQ(t[TileBlock::Visibility], uint8_t(867 % 251));
    EXPECT_EQ(t[TileBlock::Zones + 288], uint8_t((867 + 289 + 288) % 251));
    ASSERT_EQ(file.Texture(0)->size(), QSize(2, 2));
    EXPECT_EQ(file.Texture(0)->pixel(1, 0), file.Palette()[10]);
    EXPECT_EQ(file.Texture(0)->pixel(1, 1), file.Palette()[200]);
}

TEST(HovTRNFile, SequentialBlocksAndSwizzledTextures)
{
    TFixture f;
    f.Offsets = false;
    f.Trailer = false;
    for (int i = 0; i < 256; ++i)
        Set32(f.Palette, 4 * size_t(i), 0xFF000000u | uint32_t(i) << 8);
    f.Tiles = {Blank(), Blank()};
    const uint8_t rows[8] = {0, 1, 2, 3, 10, 11, 12, 13};
    TBytes swizzled(8);
    SwizzleRect(rows, swizzled.data(), 4, 2);
    f.Textures.push_back(TextureBlock(77, {{4, 2}}, swizzled));
    const TBytes bytes = f.Build();
    THovTRNfile file;
    ASSERT_TRUE(file.LoadFromMemory(bytes.data(), bytes.size())) << file.LastError();
    EXPECT_EQ(file.TileCount(), 2);
    EXPECT_EQ(qGreen(file.Texture(0)->pixel(2, 1)), 12);
    EXPECT_EQ(qGreen(file.Texture(0)->pixel(3, 0)), 3);
}

// Damaged files: each loads as unusable (false) or raises the decoder's error, never more.
TEST(HovTRNFile, DamagedFilesAreRejected)
{
    TFixture base;
    base.Tiles = {Blank(), Blank()};
    base.Textures.push_back(TextureBlock(39, {{2, 2}}, {1, 2, 3, 4}));
    const TBytes good = base.Build();
    {
        THovTRNfile file;
        ASSERT_TRUE(file.LoadFromMemory(good.data(), good.size()));
    }
    const size_t info = base.InfoOffset;
    const size_t texture = good.size() - 24 - (97 + 1024 + 256 * 97) - (16 + 12 + 4);
    struct TCase
    {
        const char* Name;
        std::function<void(TBytes&)> Damage;
    };
    const std::vector<TCase> cases = {
        {"empty", [](TBytes& b) { b.clear(); }},
        {"unknown header", [](TBytes& b) { b[0] = 'X'; }},
        {"cut in the header", [](TBytes& b) { b.resize(30); }},
        {"cut in the tiles", [&](TBytes& b) { b.resize(info + 20 + 8 + 8 + 4 + 3000); }},
        {"cut in the tree", [&](TBytes& b) { b.resize(base.RootTable + 500); }},
        {"zero spacing", [&](TBytes& b) { Set32(b, info, 0); }},
        {"section mode 7", [&](TBytes& b) { Set32(b, info + 4, 7); }},
        {"tree outside the file", [&](TBytes& b) { Set32(b, info + 8, 0x7FFFFFF0); }},
        {"huge tile count", [&](TBytes& b) { Set32(b, info + 12, 0xFFFFFFF0); }},
        {"tile count beyond the data", [&](TBytes& b) { Set32(b, info + 12, 60); }},
        {"tile offset outside", [&](TBytes& b) { Set32(b, info + 20, uint32_t(b.size() - 100)); }},
        {"huge texture count", [&](TBytes& b) { Set32(b, info + 28, 0x40000000); }},
        {"texture 257 wide", [&](TBytes& b) { Set32(b, texture + 8, 257); }},
        {"texture format 513", [&](TBytes& b) { Set32(b, texture, 513); }},
        {"ten levels", [&](TBytes& b) { Set32(b, texture + 4, 10); }},
        {"level larger than its bytes", [&](TBytes& b) { Set32(b, texture + 16, 200); }},
        {"level bytes beyond the file", [&](TBytes& b) { Set32(b, texture + 24, 0x7FFFFFFF); }},
        {"child table outside",
         [&](TBytes& b) { Set32(b, base.TreeOffset + 93, uint32_t(b.size() - 10)); }},
        {"child table points into itself",
         [&](TBytes& b) { Set32(b, base.RootTable + 40, uint32_t(base.RootTable + 8)); }},
        {"child points back to the root",
         [&](TBytes& b) { Set32(b, base.RootTable + 40, uint32_t(base.TreeOffset)); }},
        {"missing tile node", [&](TBytes& b) { Set32(b, base.RootTable + 4 * 77, 0); }},
        {"tile index beyond the tiles",
         [&](TBytes& b) { b[base.RootTable + 1024 + 97 * 3 + 18] = 9; }},
        {"NaN height unit", [&](TBytes& b) { Set32(b, base.TreeOffset + 4, 0x7FC00000); }},
    };
    for (const TCase& c : cases)
    {
        TBytes bytes = good;
        c.Damage(bytes);
        THovTRNfile file;
        EXPECT_FALSE(file.LoadFromMemory(bytes.data(), bytes.size())) << c.Name;
        EXPECT_FALSE(file.Loaded()) << c.Name;
        EXPECT_EQ(file.TileCount(), 0) << c.Name;
        EXPECT_FALSE(file.LastError().empty()) << c.Name;
    }
}

TEST(HovTRNFile, RandomDamageNeverBreaksTheReader)
{
    TFixture lod;
    lod.Tiles = {Blank()};
    lod.Textures.push_back(TextureBlock(56, {{1, 1}, {4, 4}}, TBytes(16, 7)));
    TFixture trn;
    trn.Magic = "TRN";
    for (const size_t n : {768, 32768, 65536})
        Append(trn.TrnPrefix, Chunk(TBytes(n, 5), true));
    Put32(trn.TrnPrefix, 0);
    TBytes tile = Chunk(TBytes(512, 1), true);
    Append(tile, Chunk(TBytes(578, 2), true));
    Append(tile, Chunk(TBytes(2312, 3), true));
    trn.Tiles = {tile};
    std::mt19937 random(12345);
    for (TFixture* f : {&lod, &trn})
    {
        const TBytes good = f->Build();
        for (int round = 0; round < 300; ++round)
        {
            TBytes bytes = good;
            const int flips = 1 + int(random() % 8);
            for (int k = 0; k < flips; ++k)
                bytes[random() % bytes.size()] = uint8_t(random());
            if (round % 3 == 0)
                bytes.resize(random() % bytes.size());
            THovTRNfile file;
            try
            {
                if (file.LoadFromMemory(bytes.data(), bytes.size()))
                {
                    EXPECT_GT(file.TileCount(), 0);
                }
            }
            catch (const EReadError&)
            {
                EXPECT_FALSE(file.Loaded());
            }
        }
    }
}
