#include "render/KexLighting.h"
#include "render/gfx/RecordingDevice.h"

#include <gtest/gtest.h>

using namespace gfx;

TEST(KexLighting, ApplySetsTheSunTheAmbientAndAWhiteMaterial)
{
    TKexLighting lighting;
    lighting.SetPosition({0, 10, 0});
    lighting.SetTarget({10, 0, 0});
    lighting.SetDiffuse(MakePlatformColor(255, 128, 0)); // orange, red in the lowest byte
    lighting.SetAmbient(MakePlatformColor(10, 20, 30));
    EXPECT_EQ(lighting.Diffuse(), 0xffff8000u);
    EXPECT_EQ(lighting.Ambient(), 0xff0a141eu);
    EXPECT_NEAR(lighting.Direction().x, 0.7071068f, 1e-6f);
    EXPECT_NEAR(lighting.Direction().y, -0.7071068f, 1e-6f);
    // A target on the light itself keeps the last direction rather than a zero one.
    lighting.SetTarget({0, 10, 0});
    EXPECT_NEAR(lighting.Direction().x, 0.7071068f, 1e-6f);

    TRecordingDevice device;
    device.SetRenderState(TRenderState::Lighting, 0);
    device.SetRenderState(TRenderState::SpecularEnable, 1);
    lighting.Apply(device);
    const TPipelineState& s = device.State();
    EXPECT_EQ(s.Light.Type, uint32_t(LightDirectional));
    EXPECT_FLOAT_EQ(s.Light.Diffuse.r, 1.0f);
    EXPECT_NEAR(s.Light.Diffuse.g, 128 / 255.0f, 1e-6f);
    EXPECT_FLOAT_EQ(s.Light.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(s.Light.Ambient.a, 1.0f);
    EXPECT_FLOAT_EQ(s.Light.Range, 10000.0f);
    EXPECT_TRUE(s.LightEnabled);
    EXPECT_EQ(s.Get(TRenderState::Lighting), 1u);
    EXPECT_EQ(s.Get(TRenderState::SpecularEnable), 0u);
    EXPECT_EQ(s.Get(TRenderState::Ambient), 0xff0a141eu);
    EXPECT_FLOAT_EQ(s.Material.Power, 0.7f);
    EXPECT_FLOAT_EQ(s.Material.Diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(s.Material.Specular.r, 0.0f);
}
