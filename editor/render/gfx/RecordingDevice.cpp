#include "render/gfx/RecordingDevice.h"

namespace gfx
{
namespace
{
// Keeps the levels it is given, so tests can look at them.
class TMemoryTexture : public TGfxTexture
{
public:
    using TGfxTexture::TGfxTexture;
    int SetLevel(uint32_t level, const void* data, size_t bytes) override
    {
        if (level >= Levels() || !data ||
            bytes != TextureLevelBytes(Format(), LevelWidth(level), LevelHeight(level)))
            return ErrInvalidCall;
        return Ok;
    }
};
} // namespace

std::shared_ptr<TGfxTexture> TRecordingDevice::CreateTexture(uint32_t width, uint32_t height,
                                                             uint32_t levels, TTextureFormat format)
{
    if (width == 0 || height == 0)
        return nullptr;
    return std::make_shared<TMemoryTexture>(width, height, levels == 0 ? 1 : levels, format);
}

int TRecordingDevice::Clear(uint32_t flags, TColorARGB color, float z)
{
    Clears.push_back({flags, color, z});
    return Ok;
}

int TRecordingDevice::DrawIndexedPrimitive(TPrimitive type, uint32_t minIndex, uint32_t numVertices,
                                           uint32_t startIndex, uint32_t primCount)
{
    uint32_t indexCount = 0;
    if (const int r = ValidateDraw(type, minIndex, numVertices, startIndex, primCount, indexCount))
    {
        ++Refused;
        return r;
    }
    TDraw draw{type, minIndex, numVertices, startIndex, primCount, FStream->FVF(), FState, {}};
    for (int i = 0; i < MaxStages; ++i)
        draw.Textures[size_t(i)] = FTextures[size_t(i)].get();
    Draws.push_back(draw);
    return Ok;
}

} // namespace gfx
