#include "terrain/OstTrn.h"

#include "core/Streams.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace
{
constexpr float Spacing = 2.0f;
constexpr float Range = 100.0f;

// A 2 x 2 flat terrain whose sections were all given storage of their own, so samples can be
// set one section at a time.
class OstTerrainTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Ground.CreateFlatTerrain(2, 0.0f, Range, Spacing));
        ASSERT_TRUE(Ground.MakeSectionUnique(0, 1));
        ASSERT_TRUE(Ground.MakeSectionUnique(1, 0));
        ASSERT_TRUE(Ground.MakeSectionUnique(1, 1));
    }

    // Writes a stored height into every tile that holds sample (u, v).
    void SetSample(int u, int v, uint16_t value)
    {
        THovTRNfile* file = Ground.File();
        for (int du = 0; du <= 1; ++du)
            for (int dv = 0; dv <= 1; ++dv)
            {
                const int su = u - du, sv = v - dv;
                if (su < 0 || sv < 0)
                    continue;
                if ((du && su % 16 != 15) || (dv && sv % 16 != 15))
                    continue;
                const int tu = su / 16, tv = sv / 16;
                if (du && (u % 256 == 0))
                    continue; // the sample belongs to the next section only
                if (dv && (v % 256 == 0))
                    continue;
                const int index = file->TileIndexOf(tv / 16, tu / 16, tv % 16, tu % 16);
                ASSERT_GE(index, 0);
                TileBlock::SetHeight(file->Tile(index), 17 * (v - 16 * tv) + (u - 16 * tu), value);
            }
    }
    static float World(uint16_t value) { return float(value) / 65535.0f * Range; }

    std::vector<uint8_t> Section(int row, int column)
    {
        std::vector<uint8_t> bytes;
        for (int t = 0; t < 256; ++t)
        {
            const int index = Ground.File()->TileIndexOf(row, column, t / 16, t % 16);
            const uint8_t* tile = Ground.File()->Tile(index);
            bytes.insert(bytes.end(), tile, tile + TileBlock::Size);
        }
        return bytes;
    }

    TOstTerrain Ground;
    TScriptedMsgBox Box;
    TMsgBoxScope Scope{Box};
};
} // namespace

TEST(OstTerrain, EmptyTerrainAnswersZeroAndUp)
{
    TOstTerrain ground;
    EXPECT_FALSE(ground.HasHeights());
    EXPECT_EQ(ground.GetHeight(10.0f, 10.0f), 0.0f);
    TVector3f n;
    ground.GetNormal(1.0f, 1.0f, n);
    EXPECT_EQ(n, MakeVector(0.0f, 1.0f, 0.0f));
    EXPECT_TRUE(ground.DisplacementMapImage(0, 0).isNull());
    const uint8_t junk[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(ground.LoadFromMemory(junk, sizeof junk));
    EXPECT_FALSE(ground.LastError().empty());
    EXPECT_FALSE(ground.HasHeights());
}

TEST(OstTerrain, FlatTerrainTakesOverTheFileAndResets)
{
    TOstTerrain ground;
    ASSERT_TRUE(ground.CreateFlatTerrain(3, 25.0f, 100.0f, 4.0f));
    EXPECT_EQ(ground.SectionsX(), 3);
    EXPECT_EQ(ground.SectionsY(), 3);
    EXPECT_FLOAT_EQ(ground.TileSpacing(), 4.0f);
    EXPECT_FLOAT_EQ(ground.SectionSize(), 1024.0f);
    EXPECT_FLOAT_EQ(ground.HeightRange(), 100.0f);
    EXPECT_NEAR(ground.GetHeight(1234.5f, 2000.25f), 25.0f, 0.01f);
    EXPECT_TRUE(ground.Modified());
    // Sections of a flat terrain share their tile blocks.
    EXPECT_EQ(ground.SectionsSharing(1, 1), 8);
    ground.Reset();
    EXPECT_FALSE(ground.HasHeights());
    EXPECT_FALSE(ground.Modified());
    EXPECT_FALSE(ground.CreateFlatTerrain(3, 25.0f, 0.0f, 4.0f));
}

TEST_F(OstTerrainTest, HeightsInterpolateOverTheCellTriangles)
{
    // Samples around tile, section and terrain borders.
    const int us[] = {0, 1, 2, 15, 16, 17, 255, 256, 257, 510, 511};
    uint16_t value = 1000;
    for (int u : us)
        for (int v : us)
        {
            SetSample(u, v, value);
            value = uint16_t(value + 977);
        }
    const auto H = [&](int u, int v) { return Ground.SampleHeight(u, v); };
    for (int u : us)
        for (int v : us)
        {
            SCOPED_TRACE(std::to_string(u) + "," + std::to_string(v));
            // A sample position answers that sample.
            EXPECT_NEAR(Ground.GetHeight(u * Spacing, v * Spacing), H(u, v), 1e-3f);
            if (u == 511 || v == 511)
                continue;
            // The cell centre is the mean of the two samples on the split diagonal.
            EXPECT_NEAR(Ground.GetHeight((u + 0.5f) * Spacing, (v + 0.5f) * Spacing),
                        (H(u, v + 1) + H(u + 1, v)) / 2, 1e-3f);
            // Inside the first triangle: from (u, v) towards (u + 1, v) and (u, v + 1).
            const float expected =
                H(u, v) + (H(u + 1, v) - H(u, v)) * 0.25f + (H(u, v + 1) - H(u, v)) * 0.5f;
            EXPECT_NEAR(Ground.GetHeight((u + 0.25f) * Spacing, (v + 0.5f) * Spacing), expected,
                        1e-3f);
            // Inside the second one: from (u + 1, v + 1).
            const float second = H(u + 1, v + 1) + (H(u, v + 1) - H(u + 1, v + 1)) * 0.25f +
                                 (H(u + 1, v) - H(u + 1, v + 1)) * 0.25f;
            EXPECT_NEAR(Ground.GetHeight((u + 0.75f) * Spacing, (v + 0.75f) * Spacing), second,
                        1e-3f);
        }
    // Between columns 1 and 2 of row 0.
    EXPECT_NEAR(Ground.GetHeight(1.5f * Spacing, 0.0f), (H(1, 0) + H(2, 0)) / 2, 1e-3f);
    // Outside the terrain: the clamped edge.
    EXPECT_NEAR(Ground.GetHeight(-50.0f, -50.0f), H(0, 0), 1e-3f);
    EXPECT_NEAR(Ground.GetHeight(1e9f, 1e9f), H(511, 511), 1e-3f);
    EXPECT_NEAR(Ground.GetHeight(NAN, 0.0f), H(0, 0), 1e-3f);
    EXPECT_NEAR(World(1000), H(0, 0), 1e-3f);
}

TEST_F(OstTerrainTest, NormalsOfASlope)
{
    // Height rising along X by one stored step of 655 per sample across section (0, 0).
    for (int u = 0; u <= 256; ++u)
        for (int v = 0; v <= 40; ++v)
            SetSample(u, v, uint16_t(655 * (u % 100)));
    const float rise = World(655);
    TVector3f n;
    for (float f : {0.2f, 0.8f})
    {
        Ground.GetNormal((10 + f) * Spacing, (10 + f) * Spacing, n);
        const float length = std::sqrt(rise * rise + Spacing * Spacing);
        EXPECT_NEAR(n.x, -rise / length, 1e-4f);
        EXPECT_NEAR(n.y, Spacing / length, 1e-4f);
        EXPECT_NEAR(n.z, 0.0f, 1e-4f);
    }
}

TEST_F(OstTerrainTest, DisplacementImagesRoundTripAndStayInTheirSection)
{
    std::mt19937 random(7);
    for (bool sixteen : {false, true})
    {
        SCOPED_TRACE(sixteen ? "16-bit" : "grey");
        Ground.HeightMapMode = sixteen;
        QImage map(257, 257, QImage::Format_BGR888);
        for (int y = 0; y < 257; ++y)
            for (int x = 0; x < 257; ++x)
            {
                const int high = int(random() % 256), low = int(random() % 256);
                map.setPixel(x, y, sixteen ? qRgb(high, low, low) : qRgb(high, high, high));
            }
        const auto before00 = Section(0, 0), before01 = Section(0, 1), before11 = Section(1, 1);
        ASSERT_TRUE(Ground.ImportDisplacementMap(1, 0, map));
        EXPECT_EQ(Ground.DisplacementMapImage(1, 0), map);
        EXPECT_EQ(Section(0, 0), before00);
        EXPECT_EQ(Section(0, 1), before01);
        EXPECT_EQ(Section(1, 1), before11);
        // Image row 256 is the section's first sample row.
        const int stored = TileBlock::Height(
            Ground.File()->Tile(Ground.File()->TileIndexOf(1, 0, 0, 0)), 17 * 0 + 3);
        const QRgb p = map.pixel(3, 256);
        EXPECT_EQ(stored, sixteen ? qRed(p) * 256 + qGreen(p) : qRed(p) * 256);
    }
    EXPECT_TRUE(Box.Shown.empty());
}

TEST_F(OstTerrainTest, ImportRebuildsTheSectionsNormals)
{
    QImage map(257, 257, QImage::Format_BGR888);
    for (int y = 0; y < 257; ++y)
        for (int x = 0; x < 257; ++x)
            map.setPixel(x, y, qRgb(x % 200, x % 200, x % 200));
    ASSERT_TRUE(Ground.ImportDisplacementMap(0, 0, map));
    const uint8_t* tile = Ground.File()->Tile(Ground.File()->TileIndexOf(0, 0, 4, 4));
    const int8_t nx = int8_t(tile[TileBlock::Normals + 3 * (17 * 8 + 8)]);
    EXPECT_LT(nx, -10); // tilted away from the rise along X
    EXPECT_TRUE(Ground.Modified());
}

TEST_F(OstTerrainTest, DisplacementImportRefusesBadMaps)
{
    const auto before = Section(0, 0);
    struct TCase
    {
        QImage Map;
        const char* Text;
    };
    QImage grey8(257, 257, QImage::Format_Indexed8);
    grey8.setColorCount(256);
    grey8.fill(0);
    const TCase cases[] = {
        {QImage(257, 257, QImage::Format_ARGB32), "The displacement map is not a 24bit TGA file."},
        {grey8, "The displacement map is not a 24bit TGA file."},
        {QImage(), "The displacement map is not a 24bit TGA file."},
        {QImage(256, 257, QImage::Format_BGR888), "The displacement map must be 257x257 pixels."},
    };
    for (const TCase& c : cases)
    {
        Box.Shown.clear();
        EXPECT_FALSE(Ground.ImportDisplacementMap(0, 0, c.Map));
        ASSERT_EQ(Box.Shown.size(), 1u);
        EXPECT_EQ(Box.Shown[0].Text, c.Text);
        EXPECT_EQ(Box.Shown[0].Caption, "Import displacement error");
    }
    QImage good(257, 257, QImage::Format_BGR888);
    good.fill(Qt::white);
    EXPECT_FALSE(Ground.ImportDisplacementMap(2, 0, good));
    EXPECT_EQ(Section(0, 0), before);

    TOstTerrain empty;
    Box.Shown.clear();
    EXPECT_FALSE(empty.ImportDisplacementMap(0, 0, good));
    ASSERT_EQ(Box.Shown.size(), 1u);
    EXPECT_EQ(Box.Shown[0].Text, "There is no TRN loaded to import the displacement map into.");
}

TEST(OstTerrain, MakeSectionUniqueLeavesTheOthersSharing)
{
    TOstTerrain ground;
    ASSERT_TRUE(ground.CreateFlatTerrain(3, 40.0f, 100.0f, 1.0f));
    THovTRNfile* file = ground.File();
    const int tiles = file->TileCount(), textures = file->TextureCount();
    EXPECT_FALSE(ground.MakeSectionUnique(3, 0));
    EXPECT_FALSE(ground.MakeSectionUnique(0, -1));
    ASSERT_TRUE(ground.MakeSectionUnique(1, 2));
    EXPECT_EQ(file->TileCount(), tiles + 257);
    EXPECT_EQ(file->TextureCount(), textures + 17);
    EXPECT_EQ(ground.SectionsSharing(1, 2), 0);
    EXPECT_EQ(ground.SectionsSharing(0, 0), 7);
    for (int t = 0; t < 256; ++t)
    {
        EXPECT_GE(file->TileIndexOf(1, 2, t / 16, t % 16), tiles);
        EXPECT_EQ(file->TileIndexOf(0, 0, t / 16, t % 16), file->TileIndexOf(2, 2, t / 16, t % 16));
    }
    // The section keeps what it showed, and its textures are distinct from each other.
    EXPECT_NEAR(ground.GetHeight(2.5f * 256 + 3.0f, 1.5f * 256), 40.0f, 0.01f);
    const TTrnNode* node = file->SectionNode(1, 2);
    std::set<uint32_t> entries;
    for (int k = 0; k < 17; ++k)
    {
        EXPECT_GE(node->TextureEntry(k) / 2, uint32_t(textures));
        EXPECT_LT(node->TextureEntry(k) / 2, uint32_t(textures + 17));
        entries.insert(node->TextureEntry(k));
    }
    EXPECT_EQ(entries.size(), 17u);
    // Edits of the unique section leave the shared storage alone.
    QImage map(257, 257, QImage::Format_BGR888);
    map.fill(Qt::white);
    TScriptedMsgBox box;
    TMsgBoxScope scope(box);
    ASSERT_TRUE(ground.ImportDisplacementMap(1, 2, map));
    EXPECT_NEAR(ground.GetHeight(2.5f * 256, 1.5f * 256), 255 * 256 / 65535.0f * 100.0f, 0.01f);
    EXPECT_NEAR(ground.GetHeight(0.5f * 256, 0.5f * 256), 40.0f, 0.01f);
}

TEST(OstTerrain, RebuildTakesTheTilesAboveTheFirstRowFromTheLastSectionRow)
{
    TOstTerrain ground;
    ASSERT_TRUE(ground.CreateFlatTerrain(3, 0.0f, 100.0f, 1.0f));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
        {
            if (r || c)
            {
                ASSERT_TRUE(ground.MakeSectionUnique(r, c));
            }
        }
    THovTRNfile* file = ground.File();
    // Raise tile row 15 of section (2, 0): the tiles of row 0 of section (0, 0) then see a
    // slope at their first vertex row.
    for (int tc = 0; tc < 16; ++tc)
    {
        uint8_t* tile = file->Tile(file->TileIndexOf(2, 0, 15, tc));
        for (int v = 0; v < 17 * 16; ++v)
            TileBlock::SetHeight(tile, v, 30000);
    }
    ground.RebuildSection(0, 0);
    const uint8_t* tile = file->Tile(file->TileIndexOf(0, 0, 0, 5));
    EXPECT_NE(int8_t(tile[TileBlock::Normals + 3 * 8 + 2]), 0);
    const uint8_t* inner = file->Tile(file->TileIndexOf(0, 0, 8, 5));
    EXPECT_EQ(int8_t(inner[TileBlock::Normals + 3 * 8 + 2]), 0);
}
