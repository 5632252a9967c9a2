// A renderable mesh: vertex and 16-bit index data produced by its owner's callbacks (terrain
// tiles, models, the sky), a list of texture stages and an optional model transform. The
// data is built in memory without a device and uploaded when first drawn.
#pragma once

#include "render/gfx/GfxDevice.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TRenderableObject
{
public:
    virtual ~TRenderableObject() = default;
    virtual int Render(gfx::TGfxDevice& device) = 0;
};

// One texture stage of a mesh.
struct TTextureStage
{
    std::shared_ptr<gfx::TGfxTexture> Texture;
    uint32_t ColorOp = gfx::OpModulate;
    uint32_t AlphaOp = gfx::OpSelectArg1;
    std::string Name; // lower-cased
    TColorARGB TextureFactor = 0xff808080u;
};

class TDX8Object : public TRenderableObject
{
public:
    // Writes up to count vertices of the object's format at dest, starting at vertex first;
    // returns how many it wrote.
    using TFillVertices = std::function<uint32_t(uint8_t* dest, uint32_t first, uint32_t count)>;
    // Writes primitiveCount x IndicesPerPrimitive indices.
    using TFillIndices = std::function<void(uint16_t* dest, uint32_t primitiveCount)>;
    using TBeforeDraw = std::function<void(gfx::TGfxDevice&)>;

    explicit TDX8Object(uint32_t fvf) : FFVF(fvf) {}

    // 0 on success, gfx::ErrInvalidCall for a format that cannot be drawn, a count that
    // does not fit 16-bit indices, or a callback that stops short.
    int CreateVertices(uint32_t count);
    int CreateIndices(uint32_t primitiveCount);
    int UpdateVertices(uint32_t count);
    int AppendVertices(uint32_t count);

    void AddStage(std::shared_ptr<gfx::TGfxTexture> texture, uint32_t colorOp, uint32_t alphaOp);
    void SetStage(size_t index, std::shared_ptr<gfx::TGfxTexture> texture, uint32_t colorOp,
                  uint32_t alphaOp);
    const std::vector<TTextureStage>& Stages() const { return FStages; }

    // Draws every stage (once without a texture when there are none).
    int Render(gfx::TGfxDevice& device) override;
    virtual uint32_t IndicesPerPrimitive() const { return 3; }

    uint32_t FVF() const { return FFVF; }
    uint32_t VertexCount() const { return FVertexCount; }
    uint32_t IndexCount() const { return FIndexCount; } // primitives in the index buffer
    const std::vector<TVector3f>& Positions() const { return FPositions; }

    std::optional<TMatrix4f> Transform;
    TFillVertices FillVertices;
    TFillVertices UpdateVerticesCallback;
    TFillIndices FillIndices;
    TBeforeDraw BeforeDraw;
    std::shared_ptr<gfx::TGfxTexture> ShadowTexture;

private:
    int Fill(const TFillVertices& fill, uint8_t* base, uint32_t first, uint32_t count);
    void CopyPositions();
    int DrawStage(gfx::TGfxDevice& device, const TTextureStage* stage);

    uint32_t FFVF;
    std::unique_ptr<gfx::TGfxVertexBuffer> FVertices;
    std::unique_ptr<gfx::TGfxIndexBuffer> FIndices;
    uint32_t FVertexCount = 0;
    uint32_t FIndexCount = 0;
    std::vector<TVector3f> FPositions;
    std::vector<TTextureStage> FStages;
};

class TMultiPartObject : public TRenderableObject
{
public:
    TDX8Object& AddPart(std::unique_ptr<TDX8Object> part);
    void ClearParts() { FParts.clear(); }
    size_t PartCount() const { return FParts.size(); }
    int Render(gfx::TGfxDevice& device) override;

private:
    std::vector<std::unique_ptr<TDX8Object>> FParts;
};
