// The scene's one directional light (the sun), set on the device each frame.
#pragma once

#include "core/MatrixMaths.h"

namespace gfx
{
class TGfxDevice;
}

class TKexLighting
{
public:
    TVector3f Position{0, 100, 0};
    TVector3f Target{0, 0, 0};

    // Direction from Position towards Target, normalised.
    TVector3f Direction() const { return FDirection; }
    void SetPosition(const TVector3f& position);
    void SetTarget(const TVector3f& target);

    // Colours arrive in the platform layout (red in the lowest byte) and are kept as ARGB.
    void SetDiffuse(TPlatformColor color) { FDiffuse = PlatformColorToARGB(color); }
    void SetAmbient(TPlatformColor color) { FAmbient = PlatformColorToARGB(color); }
    TColorARGB Diffuse() const { return FDiffuse; }
    TColorARGB Ambient() const { return FAmbient; }

    void Apply(gfx::TGfxDevice& device) const;

private:
    void UpdateDirection();

    TVector3f FDirection{0, -1, 0};
    TColorARGB FDiffuse = 0xffffffffu;
    TColorARGB FAmbient = 0xff404040u;
};
