#include "render/gfx/GfxDevice.h"

#include <algorithm>
#include <cstring>

namespace gfx
{
uint32_t FVFTexCount(uint32_t fvf)
{
    return (fvf & FVF_TEXCOUNT_MASK) >> FVF_TEXCOUNT_SHIFT;
}

uint32_t FVFStride(uint32_t fvf)
{
    if ((fvf & 0x00e) != FVF_XYZ || FVFTexCount(fvf) > 3)
        return 0;
    uint32_t stride = 12;
    if (fvf & FVF_NORMAL)
        stride += 12;
    if (fvf & FVF_DIFFUSE)
        stride += 4;
    if (fvf & FVF_SPECULAR)
        stride += 4;
    return stride + 8 * FVFTexCount(fvf);
}

uint32_t FloatBits(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

float BitsFloat(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

TPipelineState::TPipelineState()
{
    auto set = [this](TRenderState s, uint32_t v) { Render[size_t(s)] = v; };
    set(TRenderState::ZEnable, 1);
    set(TRenderState::ZWriteEnable, 1);
    set(TRenderState::ZFunc, CmpLessEqual);
    set(TRenderState::SrcBlend, BlendOne);
    set(TRenderState::DestBlend, BlendZero);
    set(TRenderState::AlphaFunc, CmpAlways);
    set(TRenderState::FillMode, FillSolid);
    set(TRenderState::CullMode, CullCCW);
    set(TRenderState::ShadeMode, 2);
    set(TRenderState::Lighting, 1);
    set(TRenderState::Dither, 0);
    set(TRenderState::FogStart, FloatBits(0.0f));
    set(TRenderState::FogEnd, FloatBits(1.0f));
    set(TRenderState::FogDensity, FloatBits(1.0f));
    set(TRenderState::TextureFactor, 0xffffffffu);
    for (int i = 0; i < MaxStages; ++i)
    {
        auto& s = Stage[size_t(i)];
        s[size_t(TStageState::ColorOp)] = i == 0 ? OpModulate : OpDisable;
        s[size_t(TStageState::ColorArg1)] = ArgTexture;
        s[size_t(TStageState::ColorArg2)] = ArgCurrent;
        s[size_t(TStageState::AlphaOp)] = i == 0 ? OpSelectArg1 : OpDisable;
        s[size_t(TStageState::AlphaArg1)] = ArgTexture;
        s[size_t(TStageState::AlphaArg2)] = ArgCurrent;
        s[size_t(TStageState::TexCoordIndex)] = uint32_t(i);
        s[size_t(TStageState::AddressU)] = AddressWrap;
        s[size_t(TStageState::AddressV)] = AddressWrap;
        s[size_t(TStageState::MagFilter)] = FilterPoint;
        s[size_t(TStageState::MinFilter)] = FilterPoint;
        s[size_t(TStageState::MipFilter)] = FilterNone;
        s[size_t(TStageState::TextureTransformFlags)] = 0;
    }
    for (auto& m : Transforms)
        m = TMatrix4f::Identity();
}

int TPipelineState::ActiveStages() const
{
    int n = 0;
    while (n < MaxStages && Get(n, TStageState::ColorOp) != OpDisable)
        ++n;
    return n;
}

size_t TextureLevelBytes(TTextureFormat format, uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0)
        return 0;
    const size_t blocks = size_t((width + 3) / 4) * size_t((height + 3) / 4);
    switch (format)
    {
    case TTextureFormat::ARGB8:
        return size_t(width) * height * 4;
    case TTextureFormat::DXT1:
        return blocks * 8;
    case TTextureFormat::DXT3:
    case TTextureFormat::DXT5:
        return blocks * 16;
    }
    return 0;
}

std::unique_ptr<TGfxVertexBuffer> TGfxDevice::CreateVertexBuffer(uint32_t count, uint32_t fvf)
{
    if (count == 0 || FVFStride(fvf) == 0)
        return nullptr;
    return std::make_unique<TGfxVertexBuffer>(count, fvf);
}

std::unique_ptr<TGfxIndexBuffer> TGfxDevice::CreateIndexBuffer(uint32_t count)
{
    if (count == 0)
        return nullptr;
    return std::make_unique<TGfxIndexBuffer>(count);
}

void TGfxDevice::SetRenderState(TRenderState state, uint32_t value)
{
    if (state < TRenderState::Count)
        FState.Render[size_t(state)] = value;
}

void TGfxDevice::SetTextureStageState(int stage, TStageState state, uint32_t value)
{
    if (stage >= 0 && stage < MaxStages && state < TStageState::Count)
        FState.Stage[size_t(stage)][size_t(state)] = value;
}

void TGfxDevice::SetTransform(TTransform which, const TMatrix4f& m)
{
    if (which < TTransform::Count)
        FState.Transforms[size_t(which)] = m;
}

void TGfxDevice::SetLight(const TLight& light)
{
    FState.Light = light;
}

void TGfxDevice::LightEnable(bool enable)
{
    FState.LightEnabled = enable;
}

void TGfxDevice::SetMaterial(const TMaterial& material)
{
    FState.Material = material;
}

void TGfxDevice::SetViewport(const TViewport& viewport)
{
    FState.Viewport = viewport;
}

void TGfxDevice::SetTexture(int stage, std::shared_ptr<TGfxTexture> texture)
{
    if (stage >= 0 && stage < MaxStages)
        FTextures[size_t(stage)] = std::move(texture);
}

TGfxTexture* TGfxDevice::Texture(int stage) const
{
    return stage >= 0 && stage < MaxStages ? FTextures[size_t(stage)].get() : nullptr;
}

void TGfxDevice::SetStreamSource(TGfxVertexBuffer* buffer)
{
    FStream = buffer;
}

void TGfxDevice::SetIndices(TGfxIndexBuffer* buffer)
{
    FIndices = buffer;
}

int TGfxDevice::BeginScene()
{
    if (FInScene)
        return ErrInvalidCall;
    FInScene = true;
    return Ok;
}

int TGfxDevice::EndScene()
{
    if (!FInScene)
        return ErrInvalidCall;
    FInScene = false;
    return Ok;
}

int TGfxDevice::ValidateDraw(TPrimitive type, uint32_t minIndex, uint32_t numVertices,
                             uint32_t startIndex, uint32_t primCount, uint32_t& indexCount) const
{
    indexCount = 0;
    if (!FInScene || !FStream || !FIndices || primCount == 0)
        return ErrInvalidCall;
    uint64_t count = 0;
    switch (type)
    {
    case PrimPointList:
        count = primCount;
        break;
    case PrimLineList:
        count = uint64_t(primCount) * 2;
        break;
    case PrimLineStrip:
        count = uint64_t(primCount) + 1;
        break;
    case PrimTriangleList:
        count = uint64_t(primCount) * 3;
        break;
    case PrimTriangleStrip:
    case PrimTriangleFan:
        count = uint64_t(primCount) + 2;
        break;
    default:
        return ErrInvalidCall;
    }
    if (uint64_t(startIndex) + count > FIndices->IndexCount())
        return ErrInvalidCall;
    const uint64_t vertexEnd =
        std::min<uint64_t>(uint64_t(minIndex) + numVertices, FStream->VertexCount());
    // Every index must name a vertex that exists: the graphics API would read past the
    // buffer otherwise.
    const auto* indices = reinterpret_cast<const uint16_t*>(FIndices->Data().data());
    for (uint64_t i = startIndex; i < startIndex + count; ++i)
        if (indices[i] < minIndex || indices[i] >= vertexEnd)
            return ErrInvalidCall;
    indexCount = uint32_t(count);
    return Ok;
}

} // namespace gfx
