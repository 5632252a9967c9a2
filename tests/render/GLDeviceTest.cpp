// The device layer drawing for real, into a headless EGL context (no window system needed).
#include "render/gfx/GLDevice.h"
#include "core/DXCamera.h"
#include "render/gfx/HeadlessContext.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace gfx;

namespace
{
constexpr TColorARGB Blue = 0xff0000ffu;
constexpr TColorARGB Red = 0xffff0000u;
constexpr TColorARGB Green = 0xff00ff00u;

struct TColoredVertex
{
    float x, y, z;
    uint32_t color;
};
struct TTexturedVertex
{
    float x, y, z;
    float u, v;
};
struct TLitVertex
{
    float x, y, z;
    float nx, ny, nz;
};

struct TMesh
{
    std::unique_ptr<TGfxVertexBuffer> Vertices;
    std::unique_ptr<TGfxIndexBuffer> Indices;
    uint32_t Triangles = 0;
};

template <typename V>
TMesh MakeMesh(const std::vector<V>& vertices, const std::vector<uint16_t>& indices, uint32_t fvf)
{
    TMesh mesh;
    mesh.Vertices = TGfxDevice::CreateVertexBuffer(uint32_t(vertices.size()), fvf);
    EXPECT_EQ(FVFStride(fvf), sizeof(V));
    std::memcpy(mesh.Vertices->Lock(), vertices.data(), vertices.size() * sizeof(V));
    mesh.Vertices->Unlock();
    mesh.Indices = TGfxDevice::CreateIndexBuffer(uint32_t(indices.size()));
    std::memcpy(mesh.Indices->Indices(), indices.data(), indices.size() * 2);
    mesh.Triangles = uint32_t(indices.size() / 3);
    return mesh;
}

// A quad in clip space (identity transforms), clockwise on screen.
TMesh ColoredQuad(float left, float top, float right, float bottom, TColorARGB color)
{
    return MakeMesh<TColoredVertex>({{left, top, 0.5f, color},
                                     {right, top, 0.5f, color},
                                     {right, bottom, 0.5f, color},
                                     {left, bottom, 0.5f, color}},
                                    {0, 1, 2, 0, 2, 3}, FVF_XYZ | FVF_DIFFUSE);
}

class GLDevice : public ::testing::Test
{
protected:
    static constexpr uint32_t Size = 64;

    void SetUp() override
    {
        ASSERT_TRUE(Context.Create(Size, Size)) << Context.Error();
        Device = std::make_unique<TGLDevice>();
        TViewport vp;
        vp.Width = Size;
        vp.Height = Size;
        Device->SetViewport(vp);
        Device->SetRenderState(TRenderState::Lighting, 0);
        Device->SetRenderState(TRenderState::CullMode, CullNone);
    }
    void TearDown() override
    {
        Meshes.clear();
        Device.reset();
    }

    void Draw(TMesh mesh)
    {
        Device->SetStreamSource(mesh.Vertices.get());
        Device->SetIndices(mesh.Indices.get());
        EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, mesh.Vertices->VertexCount(), 0,
                                               mesh.Triangles),
                  Ok)
            << Device->LastError();
        Meshes.push_back(std::move(mesh));
    }

    QImage Frame(const std::function<void()>& draw, TColorARGB clear = Blue)
    {
        EXPECT_EQ(Device->Clear(ClearTarget | ClearZBuffer, clear, 1.0f), Ok);
        EXPECT_EQ(Device->BeginScene(), Ok);
        draw();
        EXPECT_EQ(Device->EndScene(), Ok);
        return Context.ReadPixels();
    }

    static QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y); }

    THeadlessContext Context;
    std::unique_ptr<TGLDevice> Device;
    std::vector<TMesh> Meshes;
};

void ExpectColor(QRgb actual, TColorARGB expected, int tolerance = 2)
{
    EXPECT_NEAR(qRed(actual), int(ColorR(expected)), tolerance) << std::hex << actual;
    EXPECT_NEAR(qGreen(actual), int(ColorG(expected)), tolerance) << std::hex << actual;
    EXPECT_NEAR(qBlue(actual), int(ColorB(expected)), tolerance) << std::hex << actual;
}
} // namespace

TEST_F(GLDevice, ClearsAndDrawsWithTheScreenTheRightWayUp)
{
    // Upper half of clip space: the top rows of the image.
    const QImage image = Frame([&] { Draw(ColoredQuad(-1, 1, 1, 0, Red)); });
    ExpectColor(Pixel(image, 32, 5), Red);
    ExpectColor(Pixel(image, 32, 58), Blue);

    // A viewport given from the top left: the quad fills only the left half.
    TViewport vp;
    vp.Width = Size / 2;
    vp.Height = Size;
    Device->SetViewport(vp);
    const QImage half = Frame([&] { Draw(ColoredQuad(-1, 1, 1, -1, Green)); });
    ExpectColor(Pixel(half, 10, 32), Green);
    ExpectColor(Pixel(half, 50, 32), Blue);
}

TEST_F(GLDevice, CullsCounterClockwiseFacesAndDepthTests)
{
    Device->SetRenderState(TRenderState::CullMode, CullCCW);
    TMesh backwards = MakeMesh<TColoredVertex>(
        {{-1, 1, 0.5f, Red}, {-1, -1, 0.5f, Red}, {1, -1, 0.5f, Red}, {1, 1, 0.5f, Red}},
        {0, 1, 2, 0, 2, 3}, FVF_XYZ | FVF_DIFFUSE);
    QImage image = Frame([&] { Draw(std::move(backwards)); });
    ExpectColor(Pixel(image, 32, 32), Blue);
    image = Frame([&] { Draw(ColoredQuad(-1, 1, 1, -1, Red)); });
    ExpectColor(Pixel(image, 32, 32), Red);

    // The nearer quad wins whatever the order; depth 0..1 of the projection is honoured, so
    // a depth of 0.05 lies in front.
    auto quadAt = [](float z, TColorARGB c)
    {
        return MakeMesh<TColoredVertex>(
            {{-1, 1, z, c}, {1, 1, z, c}, {1, -1, z, c}, {-1, -1, z, c}}, {0, 1, 2, 0, 2, 3},
            FVF_XYZ | FVF_DIFFUSE);
    };
    image = Frame(
        [&]
        {
            Draw(quadAt(0.05f, Green));
            Draw(quadAt(0.5f, Red));
        });
    ExpectColor(Pixel(image, 32, 32), Green);
    // Behind the near plane (negative depth) nothing is drawn.
    image = Frame([&] { Draw(quadAt(-0.2f, Red)); });
    ExpectColor(Pixel(image, 32, 32), Blue);
}

TEST_F(GLDevice, TexturesMapTheirFirstRowToTheTopAndDecodeDXT)
{
    // 2 x 2 texture: red, green / blue, white.
    auto texture = Device->CreateTexture(2, 2, 1, TTextureFormat::ARGB8);
    ASSERT_TRUE(texture);
    const uint32_t texels[4] = {Red, Green, Blue, 0xffffffffu};
    ASSERT_EQ(texture->SetLevel(0, texels, sizeof texels), Ok);
    EXPECT_EQ(texture->SetLevel(0, texels, 8), ErrInvalidCall);
    EXPECT_EQ(texture->SetLevel(3, texels, sizeof texels), ErrInvalidCall);

    auto quad = []
    {
        return MakeMesh<TTexturedVertex>(
            {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}},
            {0, 1, 2, 0, 2, 3}, FVF_XYZ | FVF_TEX1);
    };
    Device->SetTexture(0, texture);
    QImage image = Frame([&] { Draw(quad()); });
    ExpectColor(Pixel(image, 10, 10), Red);
    ExpectColor(Pixel(image, 54, 10), Green);
    ExpectColor(Pixel(image, 10, 54), Blue);
    ExpectColor(Pixel(image, 54, 54), 0xffffffffu);

    // A stage without a texture reads white: the diffuse colour (white here) shows.
    Device->SetTexture(0, nullptr);
    image = Frame([&] { Draw(quad()); });
    ExpectColor(Pixel(image, 10, 10), 0xffffffffu);

    // DXT blocks, through the driver when it offers S3TC and decoded on the CPU otherwise.
    std::vector<squish::u8> rgba(16 * 4);
    for (int i = 0; i < 16; ++i)
    {
        rgba[size_t(i) * 4 + 0] = 255; // orange
        rgba[size_t(i) * 4 + 1] = 128;
        rgba[size_t(i) * 4 + 2] = 0;
        rgba[size_t(i) * 4 + 3] = 255;
    }
    for (auto [format, flags] : {std::pair{TTextureFormat::DXT1, squish::kDxt1},
                                 std::pair{TTextureFormat::DXT3, squish::kDxt3},
                                 std::pair{TTextureFormat::DXT5, squish::kDxt5}})
        for (bool useS3TC : {true, false})
        {
            Device->SetUseS3TC(useS3TC);
            std::vector<uint8_t> block(TextureLevelBytes(format, 4, 4));
            squish::CompressImage(rgba.data(), 4, 4, block.data(), flags);
            auto dxt = Device->CreateTexture(4, 4, 1, format);
            ASSERT_TRUE(dxt);
            ASSERT_EQ(dxt->SetLevel(0, block.data(), block.size()), Ok);
            Device->SetTexture(0, dxt);
            image = Frame([&] { Draw(quad()); });
            ExpectColor(Pixel(image, 32, 32), 0xffff8000u, 8);
        }
}

TEST_F(GLDevice, AlphaTestAndBlendingFollowTheRenderStates)
{
    constexpr TColorARGB ClearRed = 0x00ff0000u;
    constexpr TColorARGB HalfRed = 0x80ff0000u;
    Device->SetRenderState(TRenderState::AlphaTestEnable, 1);
    Device->SetRenderState(TRenderState::AlphaRef, 0);
    Device->SetRenderState(TRenderState::AlphaFunc, CmpGreater);
    // The default first stage takes alpha from the texture, white when there is none; the
    // diffuse alpha comes through when the stage selects it.
    Device->SetTextureStageState(0, TStageState::AlphaArg1, ArgDiffuse);
    QImage image = Frame([&] { Draw(ColoredQuad(-1, 1, 1, -1, ClearRed)); });
    ExpectColor(Pixel(image, 32, 32), Blue);

    Device->SetRenderState(TRenderState::AlphaTestEnable, 0);
    Device->SetRenderState(TRenderState::AlphaBlendEnable, 1);
    Device->SetRenderState(TRenderState::SrcBlend, BlendSrcAlpha);
    Device->SetRenderState(TRenderState::DestBlend, BlendInvSrcAlpha);
    image = Frame([&] { Draw(ColoredQuad(-1, 1, 1, -1, HalfRed)); });
    ExpectColor(Pixel(image, 32, 32), 0xff80007fu, 3);
}

TEST_F(GLDevice, FogLightingAndWireFrame)
{
    // A camera looking along +z at a wall 50 away; linear fog from 10 to 40 hides it.
    TDXCamera camera;
    TMatrix4f view;
    camera.BuildView(view);
    Device->SetTransform(TTransform::View, view);
    Device->SetTransform(TTransform::Projection, camera.Projection());
    auto wall = [](float z)
    {
        return MakeMesh<TLitVertex>({{-100, 100, z, 0, 0, -1},
                                     {100, 100, z, 0, 0, -1},
                                     {100, -100, z, 0, 0, -1},
                                     {-100, -100, z, 0, 0, -1}},
                                    {0, 1, 2, 0, 2, 3}, FVF_XYZ | FVF_NORMAL);
    };
    Device->SetRenderState(TRenderState::FogEnable, 1);
    Device->SetRenderState(TRenderState::FogMode, FogLinear);
    Device->SetRenderState(TRenderState::FogColor, Green);
    Device->SetRenderStateF(TRenderState::FogStart, 10);
    Device->SetRenderStateF(TRenderState::FogEnd, 40);
    QImage image = Frame([&] { Draw(wall(50)); });
    ExpectColor(Pixel(image, 32, 32), Green);
    // Halfway through the fog: half wall (white), half fog.
    image = Frame([&] { Draw(wall(25)); });
    ExpectColor(Pixel(image, 32, 32), 0xff80ff80u, 4);
    Device->SetRenderState(TRenderState::FogEnable, 0);

    // One directional light shining into the wall's face lights it fully; from behind only
    // the ambient colour remains.
    Device->SetRenderState(TRenderState::Lighting, 1);
    Device->SetRenderState(TRenderState::Ambient, 0xff202020u);
    TLight light;
    light.Diffuse = {1.0f, 0.5f, 0.0f, 1.0f};
    light.Direction = {0, 0, 1};
    Device->SetLight(light);
    Device->LightEnable(true);
    image = Frame([&] { Draw(wall(50)); });
    ExpectColor(Pixel(image, 32, 32), 0xffffa020u, 3);
    light.Direction = {0, 0, -1};
    Device->SetLight(light);
    image = Frame([&] { Draw(wall(50)); });
    ExpectColor(Pixel(image, 32, 32), 0xff202020u, 3);
    Device->SetRenderState(TRenderState::Lighting, 0);

    // Wire-frame leaves the inside of a quad at the clear colour and draws its edges.
    Device->SetTransform(TTransform::View, TMatrix4f::Identity());
    Device->SetTransform(TTransform::Projection, TMatrix4f::Identity());
    Device->SetRenderState(TRenderState::FillMode, FillWireFrame);
    image = Frame([&] { Draw(ColoredQuad(-0.5f, 0.5f, 0.5f, -0.5f, Red)); });
    ExpectColor(Pixel(image, 40, 24), Blue);
    int redPixels = 0;
    for (int y = 0; y < int(Size); ++y)
        redPixels += qRed(Pixel(image, 16, y)) > 200 || qRed(Pixel(image, 15, y)) > 200;
    EXPECT_GE(redPixels, 30);
}

TEST_F(GLDevice, RefusesDrawsOutsideASceneOrBeyondItsBuffers)
{
    TMesh mesh = ColoredQuad(-1, 1, 1, -1, Red);
    Device->SetStreamSource(mesh.Vertices.get());
    Device->SetIndices(mesh.Indices.get());
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), ErrInvalidCall);
    ASSERT_EQ(Device->BeginScene(), Ok);
    EXPECT_EQ(Device->BeginScene(), ErrInvalidCall);
    // More triangles than indices, an index past the vertices, no buffers.
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 3), ErrInvalidCall);
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 4, 1), ErrInvalidCall);
    mesh.Indices->Indices()[5] = 4;
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), ErrInvalidCall);
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 1), Ok);
    Device->SetIndices(nullptr);
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 1), ErrInvalidCall);
    EXPECT_EQ(Device->EndScene(), Ok);
    EXPECT_EQ(Device->EndScene(), ErrInvalidCall);
    // Buffers freed while the device lives give their names back on its next call.
    mesh = {};
    EXPECT_EQ(Device->Clear(ClearTarget, Blue, 1.0f), Ok);
}

TEST_F(GLDevice, EveryTextureOperationAndStateCombinationCompiles)
{
    // Each combination is its own program; a GLSL mistake in a rarely used operation shows
    // up here rather than on an author's screen.
    TMesh mesh = MakeMesh<TTexturedVertex>(
        {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}},
        {0, 1, 2, 0, 2, 3}, FVF_XYZ | FVF_TEX1);
    Device->SetStreamSource(mesh.Vertices.get());
    Device->SetIndices(mesh.Indices.get());
    ASSERT_EQ(Device->BeginScene(), Ok);
    const uint32_t ops[] = {OpSelectArg1,       OpSelectArg2,        OpModulate,
                            OpModulate2X,       OpModulate4X,        OpAdd,
                            OpAddSigned,        OpAddSigned2X,       OpSubtract,
                            OpAddSmooth,        OpBlendDiffuseAlpha, OpBlendTextureAlpha,
                            OpBlendFactorAlpha, OpBlendCurrentAlpha};
    const uint32_t args[] = {ArgDiffuse,
                             ArgCurrent,
                             ArgTexture,
                             ArgTFactor,
                             ArgSpecular,
                             ArgTexture | ArgComplement,
                             ArgCurrent | ArgAlphaReplicate};
    for (uint32_t op : ops)
    {
        Device->SetTextureStageState(1, TStageState::ColorOp, op);
        Device->SetTextureStageState(1, TStageState::AlphaOp, op);
        EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), Ok)
            << "op " << op << ": " << Device->LastError();
    }
    for (uint32_t arg : args)
    {
        Device->SetTextureStageState(1, TStageState::ColorArg1, arg);
        Device->SetTextureStageState(1, TStageState::AlphaArg2, arg);
        EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), Ok)
            << "arg " << arg << ": " << Device->LastError();
    }
    // Projected camera-space coordinates (the shadow map's), every fog mode and alpha test.
    Device->SetTextureStageState(2, TStageState::ColorOp, OpModulate);
    Device->SetTextureStageState(2, TStageState::TexCoordIndex, TCICameraSpacePosition);
    Device->SetTextureStageState(2, TStageState::TextureTransformFlags, TTFCount3 | TTFProjected);
    Device->SetRenderState(TRenderState::FogEnable, 1);
    Device->SetRenderState(TRenderState::AlphaTestEnable, 1);
    for (uint32_t fog : {FogExp, FogExp2, FogLinear})
        for (uint32_t cmp = CmpNever; cmp <= CmpAlways; ++cmp)
        {
            Device->SetRenderState(TRenderState::FogMode, fog);
            Device->SetRenderState(TRenderState::RangeFogEnable, cmp & 1);
            Device->SetRenderState(TRenderState::AlphaFunc, cmp);
            Device->SetRenderState(TRenderState::Lighting, cmp & 2);
            Device->SetRenderState(TRenderState::SpecularEnable, cmp & 4);
            EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), Ok)
                << "fog " << fog << " cmp " << cmp << ": " << Device->LastError();
        }
    EXPECT_EQ(Device->EndScene(), Ok);
    // Programs are shared by equal state: drawing again adds none.
    const size_t programs = Device->ProgramCount();
    ASSERT_EQ(Device->BeginScene(), Ok);
    EXPECT_EQ(Device->DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), Ok);
    EXPECT_EQ(Device->EndScene(), Ok);
    EXPECT_EQ(Device->ProgramCount(), programs);
}

TEST_F(GLDevice, GroundFillsTheViewBelowTheHorizonAndClearColourAbove)
{
    // A 9 x 9 grid of ground, 2000 units wide, seen by the editor's camera from 30 up.
    std::vector<TColoredVertex> vertices;
    std::vector<uint16_t> indices;
    constexpr int N = 9;
    for (int z = 0; z < N; ++z)
        for (int x = 0; x < N; ++x)
            vertices.push_back(
                {-1000.0f + 250.0f * float(x), 0.0f, -1000.0f + 250.0f * float(z), 0xff30a030u});
    for (int z = 0; z + 1 < N; ++z)
        for (int x = 0; x + 1 < N; ++x)
        {
            const auto a = uint16_t(z * N + x), b = uint16_t(a + 1), c = uint16_t(a + N),
                       d = uint16_t(c + 1);
            // Clockwise seen from above: kept by counter-clockwise culling.
            indices.insert(indices.end(), {a, c, d, a, d, b});
        }
    TDXCamera camera;
    camera.SetAspect(1.0f);
    camera.SetAxes({0, 0, 1}, {0, 1, 0}, {0, 30, -200});
    camera.LookAt({0, 0, 300}, false);
    TMatrix4f view;
    camera.BuildView(view);
    Device->SetTransform(TTransform::View, view);
    Device->SetTransform(TTransform::Projection, camera.Projection());
    Device->SetRenderState(TRenderState::CullMode, CullCCW);

    const QImage image =
        Frame([&] { Draw(MakeMesh(vertices, indices, FVF_XYZ | FVF_DIFFUSE)); }, 0xff405080u);
    // Where the camera looks the ground shows; the top rows are sky.
    ExpectColor(Pixel(image, 32, 40), 0xff30a030u);
    ExpectColor(Pixel(image, 32, 63), 0xff30a030u);
    ExpectColor(Pixel(image, 32, 2), 0xff405080u);
    // The horizon agrees with the camera's projection of a far point.
    TViewMapping mapping;
    mapping.Viewport.Width = Size;
    mapping.Viewport.Height = Size;
    int sx = 0, sy = 0;
    ProjectPoint(camera, mapping, {0, 0, 990}, sx, sy);
    ExpectColor(Pixel(image, sx, sy + 2), 0xff30a030u);
    ExpectColor(Pixel(image, sx, sy - 3), 0xff405080u);
}
