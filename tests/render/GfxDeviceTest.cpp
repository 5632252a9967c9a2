// The device layer's own rules, without a graphics context.
#include "render/gfx/RecordingDevice.h"
#include "render/gfx/ShaderGen.h"

#include <gtest/gtest.h>

using namespace gfx;

TEST(GfxDevice, VertexStrideFollowsTheFormat)
{
    const std::pair<uint32_t, uint32_t> cases[] = {
        {FVF_XYZ, 12},
        {FVF_XYZ | FVF_TEX2, 28}, // the terrain tiles' format (514)
        {FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE | FVF_TEX1, 36},
        {FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE | FVF_SPECULAR | FVF_TEX3, 56},
        {0, 0},                   // no format at all
        {FVF_NORMAL, 0},          // no position
        {FVF_XYZ | 0x400, 0},     // four texture sets: not drawable here
        {0x004 | FVF_DIFFUSE, 0}, // transformed positions
    };
    for (auto [fvf, stride] : cases)
        EXPECT_EQ(FVFStride(fvf), stride) << std::hex << fvf;
    EXPECT_EQ(FVFStride(514), 28u);
    EXPECT_FALSE(TGfxDevice::CreateVertexBuffer(10, 0));
    EXPECT_FALSE(TGfxDevice::CreateIndexBuffer(0));
    EXPECT_EQ(TGfxDevice::CreateVertexBuffer(289, 514)->Size(), 289u * 28);
}

TEST(GfxDevice, TextureLevelSizes)
{
    EXPECT_EQ(TextureLevelBytes(TTextureFormat::ARGB8, 3, 5), 60u);
    EXPECT_EQ(TextureLevelBytes(TTextureFormat::DXT1, 4, 4), 8u);
    EXPECT_EQ(TextureLevelBytes(TTextureFormat::DXT1, 5, 1), 16u); // partial blocks count
    EXPECT_EQ(TextureLevelBytes(TTextureFormat::DXT5, 256, 256), 65536u);
    EXPECT_EQ(TextureLevelBytes(TTextureFormat::DXT3, 0, 4), 0u);
}

TEST(GfxDevice, DrawsAreCheckedAgainstTheBoundBuffersAndRecorded)
{
    TRecordingDevice device;
    auto vertices = TGfxDevice::CreateVertexBuffer(4, FVF_XYZ | FVF_TEX1);
    auto indices = TGfxDevice::CreateIndexBuffer(6);
    const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
    std::copy(quad, quad + 6, indices->Indices());
    device.SetStreamSource(vertices.get());
    device.SetIndices(indices.get());
    auto texture = device.CreateTexture(8, 8, 1, TTextureFormat::ARGB8);
    device.SetTexture(0, texture);
    device.SetRenderState(TRenderState::FillMode, FillWireFrame);

    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), ErrInvalidCall);
    ASSERT_EQ(device.BeginScene(), Ok);
    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 2), Ok);
    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleList, 0, 4, 3, 2), ErrInvalidCall);
    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleStrip, 0, 4, 0, 4), Ok);
    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleStrip, 0, 4, 0, 5), ErrInvalidCall);
    // Indices must fall inside the vertex range the call names.
    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleList, 1, 3, 0, 1), ErrInvalidCall);
    EXPECT_EQ(device.DrawIndexedPrimitive(PrimTriangleList, 0, 4, 0, 0), ErrInvalidCall);
    EXPECT_EQ(device.DrawIndexedPrimitive(TPrimitive(99), 0, 4, 0, 1), ErrInvalidCall);
    EXPECT_EQ(device.EndScene(), Ok);

    ASSERT_EQ(device.Draws.size(), 2u);
    EXPECT_EQ(device.Refused, 6);
    EXPECT_EQ(device.Draws[0].FVF, FVF_XYZ | FVF_TEX1);
    EXPECT_EQ(device.Draws[0].Textures[0], texture.get());
    EXPECT_EQ(device.Draws[0].State.Get(TRenderState::FillMode), FillWireFrame);
}

TEST(GfxDevice, ShaderKeysSeparateOnlyWhatChangesTheCode)
{
    TPipelineState state;
    const TShaderKey base = MakeShaderKey(state, FVF_XYZ | FVF_TEX1);
    EXPECT_EQ(base.Stages, 1); // stage 0 modulates by default, stage 1 is disabled

    // Uniform values (fog distances, alpha reference, colours) share the program.
    state.Render[size_t(TRenderState::FogStart)] = FloatBits(25.0f);
    state.Render[size_t(TRenderState::AlphaRef)] = 128;
    state.Render[size_t(TRenderState::Ambient)] = 0xff102030u;
    EXPECT_EQ(MakeShaderKey(state, FVF_XYZ | FVF_TEX1).Id(), base.Id());
    // A fog mode without fog enabled, or an alpha function without the test, changes nothing.
    state.Render[size_t(TRenderState::FogMode)] = FogLinear;
    state.Render[size_t(TRenderState::AlphaFunc)] = CmpGreater;
    EXPECT_EQ(MakeShaderKey(state, FVF_XYZ | FVF_TEX1).Id(), base.Id());

    state.Render[size_t(TRenderState::FogEnable)] = 1;
    const TShaderKey fogged = MakeShaderKey(state, FVF_XYZ | FVF_TEX1);
    EXPECT_NE(fogged.Id(), base.Id());
    EXPECT_NE(FragmentShaderSource(fogged).find("uFogColor.rgb"), std::string::npos);
    EXPECT_NE(MakeShaderKey(state, FVF_XYZ | FVF_TEX2).Id(), fogged.Id());
}
