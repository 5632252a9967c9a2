// A device that draws nothing and records what it was asked to draw: the test double of the
// device layer, for renderables tested without a graphics context.
#pragma once

#include "render/gfx/GfxDevice.h"

#include <vector>

namespace gfx
{
class TRecordingDevice : public TGfxDevice
{
public:
    struct TDraw
    {
        TPrimitive Type;
        uint32_t MinIndex, NumVertices, StartIndex, PrimCount;
        uint32_t FVF;
        TPipelineState State;
        std::array<TGfxTexture*, MaxStages> Textures;
    };
    struct TClear
    {
        uint32_t Flags;
        TColorARGB Color;
        float Z;
    };

    std::shared_ptr<TGfxTexture> CreateTexture(uint32_t width, uint32_t height, uint32_t levels,
                                               TTextureFormat format) override;
    int Clear(uint32_t flags, TColorARGB color, float z) override;
    int DrawIndexedPrimitive(TPrimitive type, uint32_t minIndex, uint32_t numVertices,
                             uint32_t startIndex, uint32_t primCount) override;

    std::vector<TDraw> Draws;
    std::vector<TClear> Clears;
    // Draw calls refused by validation.
    int Refused = 0;
};

} // namespace gfx
