#include "render/DX8Object.h"
#include "render/gfx/RecordingDevice.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace gfx;

namespace
{
// A terrain tile: 17 x 17 vertices of position + two texture sets, 16 x 16 quads.
struct TTileVertex
{
    float x, y, z, u0, v0, u1, v1;
};

std::unique_ptr<TDX8Object> MakeTile(uint32_t perCall = 50)
{
    auto tile = std::make_unique<TDX8Object>(FVF_XYZ | FVF_TEX2);
    // The callback writes in small runs, as a streaming owner would.
    tile->FillVertices = [perCall](uint8_t* dest, uint32_t first, uint32_t count)
    {
        const uint32_t n = std::min(count, perCall);
        for (uint32_t i = 0; i < n; ++i)
        {
            const uint32_t k = first + i;
            const TTileVertex v{float(k % 17), float(k) * 0.5f, float(k / 17), 0, 0, 0, 0};
            std::memcpy(dest + i * sizeof v, &v, sizeof v);
        }
        return n;
    };
    tile->FillIndices = [](uint16_t* dest, uint32_t primitives)
    {
        uint32_t p = 0;
        for (uint16_t z = 0; z < 16; ++z)
            for (uint16_t x = 0; x < 16 && p < primitives; ++x, p += 2)
            {
                const uint16_t a = uint16_t(z * 17 + x), b = uint16_t(a + 1), c = uint16_t(a + 17),
                               d = uint16_t(c + 1);
                const uint16_t six[6] = {a, c, d, a, d, b};
                std::memcpy(dest + p * 3, six, sizeof six);
            }
    };
    return tile;
}
} // namespace

TEST(DX8Object, ATileDrawsOnceAStageFromBuffersBuiltWithoutADevice)
{
    auto tile = MakeTile();
    ASSERT_EQ(tile->CreateVertices(289), Ok);
    ASSERT_EQ(tile->CreateIndices(512), Ok);
    ASSERT_EQ(tile->Positions().size(), 289u);
    EXPECT_EQ(tile->Positions()[18], (TVector3f{1, 9, 1}));

    TRecordingDevice device;
    auto grass = device.CreateTexture(4, 4, 1, TTextureFormat::ARGB8);
    auto detail = device.CreateTexture(4, 4, 1, TTextureFormat::ARGB8);
    tile->AddStage(grass, OpModulate, OpSelectArg1);
    tile->AddStage(detail, OpModulate2X, OpSelectArg2);
    tile->Transform = MatrixTranslation(100, 0, 0);
    ASSERT_EQ(device.BeginScene(), Ok);
    ASSERT_EQ(tile->Render(device), Ok);
    ASSERT_EQ(device.Draws.size(), 2u);
    for (const auto& draw : device.Draws)
    {
        EXPECT_EQ(draw.NumVertices, 289u);
        EXPECT_EQ(draw.PrimCount, 512u);
        EXPECT_EQ(draw.FVF, 514u);
        EXPECT_EQ(draw.State.Transforms[size_t(TTransform::World)].m[3][0], 100.0f);
    }
    EXPECT_EQ(device.Draws[0].Textures[0], grass.get());
    EXPECT_EQ(device.Draws[1].Textures[0], detail.get());
    EXPECT_EQ(device.Draws[1].State.Get(0, TStageState::ColorOp), uint32_t(OpModulate2X));
    // The world transform goes back to identity after the mesh.
    EXPECT_EQ(device.State().Transforms[size_t(TTransform::World)], TMatrix4f::Identity());

    // Without stages the mesh still draws once, untextured.
    auto bare = MakeTile();
    ASSERT_EQ(bare->CreateVertices(289), Ok);
    ASSERT_EQ(bare->CreateIndices(512), Ok);
    device.Draws.clear();
    EXPECT_EQ(bare->Render(device), Ok);
    ASSERT_EQ(device.Draws.size(), 1u);
    EXPECT_EQ(device.Draws[0].Textures[0], nullptr);
}

TEST(DX8Object, BadFormatsCountsAndCallbacksFailCleanly)
{
    TDX8Object noFormat(0);
    noFormat.FillVertices = [](uint8_t*, uint32_t, uint32_t count) { return count; };
    EXPECT_EQ(noFormat.CreateVertices(4), ErrInvalidCall);

    // A callback that stops producing vertices does not hang the fill.
    auto stalled = MakeTile();
    stalled->FillVertices = [](uint8_t*, uint32_t first, uint32_t)
    { return first < 10 ? 10u : 0u; };
    EXPECT_EQ(stalled->CreateVertices(289), ErrInvalidCall);
    EXPECT_EQ(stalled->VertexCount(), 0u);
    // Nor may one claim more than it had room for.
    stalled->FillVertices = [](uint8_t*, uint32_t, uint32_t count) { return count + 1; };
    EXPECT_EQ(stalled->CreateVertices(8), ErrInvalidCall);

    // More vertices than 16-bit indices can name.
    auto big = MakeTile(100000);
    EXPECT_EQ(big->CreateVertices(70000), ErrInvalidCall);

    // Drawing before the buffers exist is refused, not attempted.
    TRecordingDevice device;
    ASSERT_EQ(device.BeginScene(), Ok);
    EXPECT_EQ(big->Render(device), ErrInvalidCall);
    EXPECT_TRUE(device.Draws.empty());
}

TEST(DX8Object, AppendAndUpdateKeepPositionsInStep)
{
    auto tile = MakeTile();
    ASSERT_EQ(tile->CreateVertices(100), Ok);
    ASSERT_EQ(tile->AppendVertices(189), Ok);
    EXPECT_EQ(tile->VertexCount(), 289u);
    ASSERT_EQ(tile->Positions().size(), 289u);
    EXPECT_EQ(tile->Positions()[150], (TVector3f{float(150 % 17), 75, float(150 / 17)}));
    EXPECT_EQ(tile->Positions()[10], (TVector3f{10, 5, 0}));

    tile->UpdateVerticesCallback = [](uint8_t* dest, uint32_t first, uint32_t count)
    {
        for (uint32_t i = 0; i < count; ++i)
        {
            const TTileVertex v{0, -1, 0, 0, 0, 0, 0};
            std::memcpy(dest + size_t(i) * sizeof v, &v, sizeof v);
        }
        return count;
    };
    // Asking for more than exist rewrites only what exists.
    ASSERT_EQ(tile->UpdateVertices(1000), Ok);
    EXPECT_EQ(tile->Positions()[288].y, -1.0f);

    TMultiPartObject model;
    model.AddPart(MakeTile());
    EXPECT_EQ(model.PartCount(), 1u);
    model.ClearParts();
    EXPECT_EQ(model.PartCount(), 0u);
}
