// The shader family behind the fixed-function device: one GLSL program per combination of
// vertex format and the pipeline states that change the code (lighting, fog mode, alpha
// test, the texture stages' operations and coordinate sources). Everything else is uniform.
#pragma once

#include "render/gfx/GfxDevice.h"

#include <string>

namespace gfx
{
struct TShaderStage
{
    uint32_t ColorOp = OpDisable, ColorArg1 = ArgTexture, ColorArg2 = ArgCurrent;
    uint32_t AlphaOp = OpDisable, AlphaArg1 = ArgTexture, AlphaArg2 = ArgCurrent;
    uint32_t TexCoordIndex = 0;
    uint32_t TransformFlags = 0;
    friend bool operator==(const TShaderStage&, const TShaderStage&) = default;
};

struct TShaderKey
{
    uint32_t FVF = FVF_XYZ;
    bool Lighting = false;
    uint32_t Fog = FogNone; // FogNone when fog is off
    bool RangeFog = false;
    uint32_t AlphaFunc = CmpAlways; // CmpAlways when the alpha test is off
    bool Specular = false;
    int Stages = 0;
    TShaderStage Stage[MaxStages];

    friend bool operator==(const TShaderKey&, const TShaderKey&) = default;
    // A compact text naming the combination, for caching.
    std::string Id() const;
};

TShaderKey MakeShaderKey(const TPipelineState& state, uint32_t fvf);

// Attribute locations shared by the generated programs and the device.
enum : int
{
    AttrPosition = 0,
    AttrNormal = 1,
    AttrDiffuse = 2,
    AttrSpecular = 3,
    AttrTex0 = 4, // 4, 5, 6
};

std::string VertexShaderSource(const TShaderKey& key);
std::string FragmentShaderSource(const TShaderKey& key);

} // namespace gfx
