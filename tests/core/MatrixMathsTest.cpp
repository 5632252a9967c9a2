#include "core/MatrixMaths.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
void ExpectNear(const TVector3f& a, const TVector3f& b, float eps = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}
} // namespace

TEST(MatrixMaths, RowVectorConventionKeepsTranslationInFourthRow)
{
    const TMatrix4f t = MatrixTranslation(1, 2, 3);
    EXPECT_EQ(t.m[3][0], 1.0f);
    EXPECT_EQ(t.m[3][1], 2.0f);
    EXPECT_EQ(t.m[3][2], 3.0f);
    ExpectNear(Vec3TransformCoord({1, 1, 1}, t), {2, 3, 4});
    // Translation does not move directions.
    ExpectNear(Vec3TransformNormal({1, 1, 1}, t), {1, 1, 1});
}

TEST(MatrixMaths, MultiplyAppliesLeftOperandFirst)
{
    // Scale then translate: (1,0,0) -> (2,0,0) -> (2,5,0).
    const TMatrix4f st = MatrixMultiply(MatrixScaling(2, 2, 2), MatrixTranslation(0, 5, 0));
    ExpectNear(Vec3TransformCoord({1, 0, 0}, st), {2, 5, 0});
    // Translate then scale: (1,0,0) -> (1,5,0) -> (2,10,0).
    const TMatrix4f ts = MatrixMultiply(MatrixTranslation(0, 5, 0), MatrixScaling(2, 2, 2));
    ExpectNear(Vec3TransformCoord({1, 0, 0}, ts), {2, 10, 0});
}

TEST(MatrixMaths, RotationsFollowTheLeftHandedRules)
{
    const float quarter = float(M_PI / 2);
    // Left-handed yaw: +x turns towards -z.
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationY(quarter)), {0, 0, -1});
    ExpectNear(Vec3TransformCoord({0, 1, 0}, MatrixRotationX(quarter)), {0, 0, 1});
    ExpectNear(Vec3TransformCoord({1, 0, 0}, MatrixRotationZ(quarter)), {0, 1, 0});
    // The axis form agrees with the fixed-axis forms.
    const TMatrix4f axis = MatrixRotationAxis({0, 2, 0}, 0.7f);
    const TMatrix4f fixed = MatrixRotationY(0.7f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(axis.m[i][j], fixed.m[i][j], 1e-5f);
    // Yaw-pitch-roll: roll first, then pitch, then yaw.
    const TMatrix4f ypr = MatrixRotationYawPitchRoll(0.3f, 0.2f, 0.1f);
    const TMatrix4f manual = MatrixMultiply(
        MatrixMultiply(MatrixRotationZ(0.1f), MatrixRotationX(0.2f)), MatrixRotationY(0.3f));
    ExpectNear(Vec3TransformCoord({1, 2, 3}, ypr), Vec3TransformCoord({1, 2, 3}, manual));
}

TEST(MatrixMaths, InverseUndoesATransformAndRefusesASingularMatrix)
{
    const TMatrix4f m =
        MatrixMultiply(MatrixRotationYawPitchRoll(0.4f, -0.3f, 1.1f), MatrixTranslation(3, -2, 7));
    TMatrix4f inv;
    ASSERT_TRUE(MatrixInverse(inv, m));
    ExpectNear(Vec3TransformCoord(Vec3TransformCoord({5, 6, 7}, m), inv), {5, 6, 7});
    TMatrix4f untouched = TMatrix4f::Identity();
    EXPECT_FALSE(MatrixInverse(untouched, MatrixScaling(1, 0, 1)));
    EXPECT_EQ(untouched, TMatrix4f::Identity());
}

TEST(MatrixMaths, ProjectAndUnprojectThroughACamera)
{
    const TMatrix4f view = MatrixLookAtLH({0, 10, -20}, {0, 0, 0}, {0, 1, 0});
    const TMatrix4f proj = MatrixPerspectiveFovLH(float(M_PI / 4), 4.0f / 3.0f, 1.0f, 1000.0f);
    const TViewport vp{0, 0, 640, 480, 0.0f, 1.0f};
    const TMatrix4f world = TMatrix4f::Identity();
    // The point looked at lands in the middle of the view.
    const TVector3f centre = Vec3Project({0, 0, 0}, vp, proj, view, world);
    EXPECT_NEAR(centre.x, 320.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 240.0f, 1e-3f);
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
    // Depth runs 0 at the near plane to 1 at the far plane, as Direct3D expects.
    const TVector3f eye{0, 10, -20};
    const TVector3f nearPoint =
        Vec3Project(eye + Vec3Normalize(TVector3f{0, 0, 0} - eye), vp, proj, view, world);
    EXPECT_NEAR(nearPoint.z, 0.0f, 1e-4f);
    // A point right of the target appears right of the centre (left-handed, +x to the right).
    EXPECT_GT(Vec3Project({5, 0, 0}, vp, proj, view, world).x, 320.0f);
    // Unproject is the inverse.
    const TVector3f p{3, -1, 4};
    const TVector3f s = Vec3Project(p, vp, proj, view, world);
    ExpectNear(Vec3Unproject(s, vp, proj, view, world), p, 1e-2f);
}

TEST(MatrixMaths, VectorHelpers)
{
    EXPECT_FLOAT_EQ(VectorLength({3, 4, 0}), 5.0f);
    ExpectNear(VectorCross({1, 0, 0}, {0, 1, 0}), {0, 0, 1});
    EXPECT_FLOAT_EQ(VectorCross2D({2, 3, 9}, {5, 7, 9}), 2 * 7 - 3 * 5);
    ExpectNear(VectorLerp({0, 0, 0}, {10, 20, 30}, 0.5f), {5, 10, 15});
    ExpectNear(Vec3Normalize({0, 0, 0}), {0, 0, 0});
    ExpectNear(Vec3Normalize({0, 0, 2}), {0, 0, 1});
    ExpectNear(MakeVector(1, 2), {1, 0, 2});
}

TEST(MatrixMaths, ColourLayouts)
{
    const TColorARGB c = MakeARGB(0x80, 0x11, 0x22, 0x33);
    EXPECT_EQ(c, 0x80112233u);
    // The platform layout keeps red in the lowest byte.
    EXPECT_EQ(ARGBToPlatformColor(c), 0x00332211u);
    EXPECT_EQ(PlatformColorToARGB(0x00332211u, 0x80), c);
}
