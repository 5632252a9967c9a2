// The 3D device layer: a small fixed-function device in the manner of Direct3D 8. The
// renderables speak to it in its terms (render states, texture stage states, transforms,
// one directional light, a material, vertex buffers with flexible vertex formats, 16-bit
// index buffers, textures, scenes) and never see the graphics API behind it.
//
// This header needs no GL: TGLDevice implements it on OpenGL 3.3 core, TRecordingDevice
// records the calls for tests that run without a context.
#pragma once

#include "core/MatrixMaths.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gfx
{
// Results: 0 success, negative failures (the layer's own codes).
enum : int
{
    Ok = 0,
    ErrInvalidCall = -1,
    ErrOutOfMemory = -2,
    ErrNotAvailable = -3,
    ErrDeviceLost = -4,
};

// --- flexible vertex format bits ---
enum : uint32_t
{
    FVF_XYZ = 0x002,
    FVF_NORMAL = 0x010,
    FVF_DIFFUSE = 0x040,
    FVF_SPECULAR = 0x080,
    FVF_TEXCOUNT_MASK = 0xf00,
    FVF_TEXCOUNT_SHIFT = 8,
    FVF_TEX1 = 0x100,
    FVF_TEX2 = 0x200,
    FVF_TEX3 = 0x300,
};
// Bytes per vertex: 12 for the position, 12 for a normal, 4 per colour, 8 per texture set.
// 0 for formats this layer cannot draw (no XYZ position, or more than three sets).
uint32_t FVFStride(uint32_t fvf);
uint32_t FVFTexCount(uint32_t fvf);

enum class TRenderState : uint8_t
{
    ZEnable,          // bool
    ZWriteEnable,     // bool
    ZFunc,            // TCmp
    AlphaBlendEnable, // bool
    SrcBlend,         // TBlend
    DestBlend,        // TBlend
    AlphaTestEnable,  // bool
    AlphaRef,         // 0..255
    AlphaFunc,        // TCmp
    FillMode,         // TFill
    CullMode,         // TCull
    ShadeMode,        // 1 flat, 2 Gouraud
    Lighting,         // bool
    Ambient,          // ARGB
    SpecularEnable,   // bool
    NormalizeNormals, // bool
    Dither,           // bool (accepted, no effect)
    FogEnable,        // bool
    FogColor,         // ARGB
    FogMode,          // TFog (vertex fog)
    FogStart,         // float bits
    FogEnd,           // float bits
    FogDensity,       // float bits
    RangeFogEnable,   // bool
    TextureFactor,    // ARGB
    Count
};

enum TBlend : uint32_t
{
    BlendZero = 1,
    BlendOne = 2,
    BlendSrcColor = 3,
    BlendInvSrcColor = 4,
    BlendSrcAlpha = 5,
    BlendInvSrcAlpha = 6,
    BlendDestAlpha = 7,
    BlendInvDestAlpha = 8,
    BlendDestColor = 9,
    BlendInvDestColor = 10,
};
enum TCmp : uint32_t
{
    CmpNever = 1,
    CmpLess = 2,
    CmpEqual = 3,
    CmpLessEqual = 4,
    CmpGreater = 5,
    CmpNotEqual = 6,
    CmpGreaterEqual = 7,
    CmpAlways = 8,
};
enum TFill : uint32_t
{
    FillPoint = 1,
    FillWireFrame = 2,
    FillSolid = 3,
};
// Faces are clockwise on screen when they face the viewer; CullCCW removes the others.
enum TCull : uint32_t
{
    CullNone = 1,
    CullCW = 2,
    CullCCW = 3,
};
enum TFog : uint32_t
{
    FogNone = 0,
    FogExp = 1,
    FogExp2 = 2,
    FogLinear = 3,
};

enum class TStageState : uint8_t
{
    ColorOp,
    ColorArg1,
    ColorArg2,
    AlphaOp,
    AlphaArg1,
    AlphaArg2,
    TexCoordIndex, // set number, or TCICameraSpacePosition
    AddressU,
    AddressV,
    MagFilter,
    MinFilter,
    MipFilter,
    TextureTransformFlags, // TTFCount3 | TTFProjected, or 0
    Count
};

enum TTextureOp : uint32_t
{
    OpDisable = 1,
    OpSelectArg1 = 2,
    OpSelectArg2 = 3,
    OpModulate = 4,
    OpModulate2X = 5,
    OpModulate4X = 6,
    OpAdd = 7,
    OpAddSigned = 8,
    OpAddSigned2X = 9,
    OpSubtract = 10,
    OpAddSmooth = 11,
    OpBlendDiffuseAlpha = 12,
    OpBlendTextureAlpha = 13,
    OpBlendFactorAlpha = 14,
    OpBlendCurrentAlpha = 16,
};
enum TTextureArg : uint32_t
{
    ArgDiffuse = 0,
    ArgCurrent = 1,
    ArgTexture = 2,
    ArgTFactor = 3,
    ArgSpecular = 4,
    ArgSelectMask = 0x0f,
    ArgComplement = 0x10,
    ArgAlphaReplicate = 0x20,
};
enum : uint32_t
{
    TCICameraSpacePosition = 0x20000,
    TTFCount2 = 2,
    TTFCount3 = 3,
    TTFCount4 = 4,
    TTFProjected = 256,
};
enum TAddress : uint32_t
{
    AddressWrap = 1,
    AddressMirror = 2,
    AddressClamp = 3,
};
enum TFilter : uint32_t
{
    FilterNone = 0,
    FilterPoint = 1,
    FilterLinear = 2,
};

enum class TTransform : uint8_t
{
    World,
    View,
    Projection,
    Texture0,
    Texture1,
    Texture2,
    Texture3,
    Count
};

enum TPrimitive : uint32_t
{
    PrimPointList = 1,
    PrimLineList = 2,
    PrimLineStrip = 3,
    PrimTriangleList = 4,
    PrimTriangleStrip = 5,
    PrimTriangleFan = 6,
};

enum : uint32_t
{
    ClearTarget = 1,
    ClearZBuffer = 2,
    ClearStencil = 4,
};

constexpr int MaxStages = 4;

struct TColorValue
{
    float r = 0, g = 0, b = 0, a = 0;
};

enum TLightType : uint32_t
{
    LightPoint = 1,
    LightSpot = 2,
    LightDirectional = 3,
};

struct TLight
{
    uint32_t Type = LightDirectional;
    TColorValue Diffuse{1, 1, 1, 0};
    TColorValue Specular;
    TColorValue Ambient;
    TVector3f Position;
    TVector3f Direction{0, 0, 1};
    float Range = 1000.0f;
    float Attenuation0 = 1.0f;
};

struct TMaterial
{
    TColorValue Diffuse{1, 1, 1, 1};
    TColorValue Ambient{1, 1, 1, 1};
    TColorValue Specular;
    TColorValue Emissive;
    float Power = 0.0f;
};

uint32_t FloatBits(float f);
float BitsFloat(uint32_t bits);

// Every state the fixed-function pipeline reads, with Direct3D's defaults.
struct TPipelineState
{
    TPipelineState();

    std::array<uint32_t, size_t(TRenderState::Count)> Render{};
    std::array<std::array<uint32_t, size_t(TStageState::Count)>, MaxStages> Stage{};
    std::array<TMatrix4f, size_t(TTransform::Count)> Transforms{};
    TLight Light;
    bool LightEnabled = false;
    TMaterial Material;
    TViewport Viewport;

    uint32_t Get(TRenderState s) const { return Render[size_t(s)]; }
    uint32_t Get(int stage, TStageState s) const { return Stage[size_t(stage)][size_t(s)]; }
    // The stages that take part: up to the first whose colour operation is disabled.
    int ActiveStages() const;
};

// What a device keeps of a buffer (its GPU copy); freed with the buffer.
struct TGpuResource
{
    virtual ~TGpuResource() = default;
};

// Vertex and index data live in CPU memory; the device uploads them when they changed. So a
// renderable can fill its buffers before any device exists.
class TGfxBuffer
{
public:
    virtual ~TGfxBuffer() = default;
    uint8_t* Lock()
    {
        FDirty = true;
        return FData.data();
    }
    void Unlock() {}
    const std::vector<uint8_t>& Data() const { return FData; }
    size_t Size() const { return FData.size(); }
    bool Dirty() const { return FDirty; }
    void MarkClean() { FDirty = false; }
    // The drawing device's copy, owned here so that it goes with the buffer.
    std::unique_ptr<TGpuResource> Gpu;

protected:
    explicit TGfxBuffer(size_t bytes) : FData(bytes) {}

private:
    std::vector<uint8_t> FData;
    bool FDirty = true;
};

class TGfxVertexBuffer : public TGfxBuffer
{
public:
    TGfxVertexBuffer(uint32_t vertexCount, uint32_t fvf)
        : TGfxBuffer(size_t(vertexCount) * FVFStride(fvf)), FFVF(fvf), FCount(vertexCount)
    {
    }
    uint32_t FVF() const { return FFVF; }
    uint32_t VertexCount() const { return FCount; }

private:
    uint32_t FFVF;
    uint32_t FCount;
};

class TGfxIndexBuffer : public TGfxBuffer
{
public:
    explicit TGfxIndexBuffer(uint32_t indexCount)
        : TGfxBuffer(size_t(indexCount) * 2), FCount(indexCount)
    {
    }
    uint32_t IndexCount() const { return FCount; }
    uint16_t* Indices() { return reinterpret_cast<uint16_t*>(Lock()); }

private:
    uint32_t FCount;
};

enum class TTextureFormat : uint8_t
{
    ARGB8, // 32-bit pixels, alpha in the top byte (TColorARGB)
    DXT1,
    DXT3,
    DXT5,
};

// Bytes of one level of a texture of that format and size (0 when the size is 0).
size_t TextureLevelBytes(TTextureFormat format, uint32_t width, uint32_t height);

class TGfxTexture
{
public:
    TGfxTexture(uint32_t width, uint32_t height, uint32_t levels, TTextureFormat format)
        : FWidth(width), FHeight(height), FLevels(levels), FFormat(format)
    {
    }
    virtual ~TGfxTexture() = default;
    uint32_t Width() const { return FWidth; }
    uint32_t Height() const { return FHeight; }
    uint32_t Levels() const { return FLevels; }
    TTextureFormat Format() const { return FFormat; }
    uint32_t LevelWidth(uint32_t level) const { return std::max(1u, FWidth >> level); }
    uint32_t LevelHeight(uint32_t level) const { return std::max(1u, FHeight >> level); }
    // Replaces one level; data holds exactly TextureLevelBytes of the level's size.
    virtual int SetLevel(uint32_t level, const void* data, size_t bytes) = 0;

private:
    uint32_t FWidth, FHeight, FLevels;
    TTextureFormat FFormat;
};

class TGfxDevice
{
public:
    virtual ~TGfxDevice() = default;

    // --- resources ---
    // Buffers are plain CPU memory until drawn; any device makes them.
    static std::unique_ptr<TGfxVertexBuffer> CreateVertexBuffer(uint32_t count, uint32_t fvf);
    static std::unique_ptr<TGfxIndexBuffer> CreateIndexBuffer(uint32_t count);
    // levels 0 = a full mip chain. Null when the size or format is not possible.
    virtual std::shared_ptr<TGfxTexture> CreateTexture(uint32_t width, uint32_t height,
                                                       uint32_t levels, TTextureFormat format) = 0;

    // --- state ---
    virtual void SetRenderState(TRenderState state, uint32_t value);
    void SetRenderStateF(TRenderState state, float value)
    {
        SetRenderState(state, FloatBits(value));
    }
    virtual void SetTextureStageState(int stage, TStageState state, uint32_t value);
    virtual void SetTransform(TTransform which, const TMatrix4f& m);
    virtual void SetLight(const TLight& light);
    virtual void LightEnable(bool enable);
    virtual void SetMaterial(const TMaterial& material);
    virtual void SetViewport(const TViewport& viewport);
    virtual void SetTexture(int stage, std::shared_ptr<TGfxTexture> texture);
    virtual void SetStreamSource(TGfxVertexBuffer* buffer);
    virtual void SetIndices(TGfxIndexBuffer* buffer);
    const TPipelineState& State() const { return FState; }
    TGfxTexture* Texture(int stage) const;

    // --- frame ---
    virtual int Clear(uint32_t flags, TColorARGB color, float z) = 0;
    virtual int BeginScene();
    virtual int EndScene();
    bool InScene() const { return FInScene; }
    // Draws primCount primitives from the index buffer, starting at startIndex; the indices
    // must lie in [minIndex, minIndex + numVertices) of the stream.
    virtual int DrawIndexedPrimitive(TPrimitive type, uint32_t minIndex, uint32_t numVertices,
                                     uint32_t startIndex, uint32_t primCount) = 0;

    // Checks a draw call against the bound buffers: ErrInvalidCall when something is missing
    // or out of range, else Ok; also reports the index count to draw.
    int ValidateDraw(TPrimitive type, uint32_t minIndex, uint32_t numVertices, uint32_t startIndex,
                     uint32_t primCount, uint32_t& indexCount) const;

protected:
    TPipelineState FState;
    std::array<std::shared_ptr<TGfxTexture>, MaxStages> FTextures;
    TGfxVertexBuffer* FStream = nullptr;
    TGfxIndexBuffer* FIndices = nullptr;
    bool FInScene = false;
};

} // namespace gfx
