#include "render/KexLighting.h"

#include "render/gfx/GfxDevice.h"

void TKexLighting::SetPosition(const TVector3f& position)
{
    Position = position;
    UpdateDirection();
}

void TKexLighting::SetTarget(const TVector3f& target)
{
    Target = target;
    UpdateDirection();
}

void TKexLighting::UpdateDirection()
{
    const TVector3f d = Vec3Normalize(Target - Position);
    // A light placed on its own target keeps the direction it had.
    if (d.x != 0.0f || d.y != 0.0f || d.z != 0.0f)
        FDirection = d;
}

void TKexLighting::Apply(gfx::TGfxDevice& device) const
{
    using namespace gfx;
    TLight light;
    light.Type = LightDirectional;
    light.Diffuse = {ColorR(FDiffuse) / 255.0f, ColorG(FDiffuse) / 255.0f,
                     ColorB(FDiffuse) / 255.0f, 1.0f};
    light.Specular = {0, 0, 0, 0};
    light.Ambient = {0, 0, 0, 1};
    light.Position = Position;
    light.Direction = FDirection;
    light.Range = 10000.0f;
    device.SetLight(light);
    device.SetRenderState(TRenderState::Dither, 0);
    device.SetRenderState(TRenderState::SpecularEnable, 0);
    device.SetRenderState(TRenderState::Ambient, FAmbient);
    device.SetRenderState(TRenderState::Lighting, 1);
    device.LightEnable(true);
    TMaterial material;
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {1, 1, 1, 1};
    material.Specular = {0, 0, 0, 0};
    material.Emissive = {0, 0, 0, 0};
    material.Power = 0.7f;
    device.SetMaterial(material);
}
