#include "core/DXCamera.h"

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

void ExpectMatrixNear(const TMatrix4f& a, const TMatrix4f& b, float eps = 1e-4f)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << "element " << i << "," << j;
}

TMatrix4f Rows(std::initializer_list<std::initializer_list<float>> rows)
{
    TMatrix4f m;
    int i = 0;
    for (const auto& row : rows)
    {
        int j = 0;
        for (float v : row)
            m.m[i][j++] = v;
        ++i;
    }
    return m;
}
} // namespace

TEST(DXCamera, StartsAtTheOriginLookingAlongZWithTheDefaultLens)
{
    TDXCamera camera;
    ExpectMatrixNear(camera.View(), TMatrix4f::Identity());
    camera.SetAspect(4.0f / 3.0f);
    // Left-handed perspective, depth 0..1: y scale = 1 / tan(30 deg), x scale = y / aspect.
    const float ys = 1.7320508f;
    const TMatrix4f expected = Rows({{ys * 0.75f, 0, 0, 0},
                                     {0, ys, 0, 0},
                                     {0, 0, 1000.0f / 999.0f, 1},
                                     {0, 0, -1000.0f / 999.0f, 0}});
    ExpectMatrixNear(camera.Projection(), expected);
    EXPECT_NEAR(camera.TanHalfFov(), 0.5773503f, 1e-6f);
    EXPECT_NEAR(camera.InvCosHalfFov(), 1.1547005f, 1e-6f);
    // Horizontal half angle: atan(tan 30 * 4/3) -> 1 / cos = sqrt(1 + (4/3 * tan 30)^2).
    EXPECT_NEAR(camera.InvCosHalfFovH(), std::sqrt(1.0f + 0.5925926f), 1e-5f);

    // A lens that cannot project keeps the last good projection.
    camera.SetAspect(0.0f);
    ExpectMatrixNear(camera.Projection(), expected);
    camera.SetAspect(4.0f / 3.0f);
    camera.SetFarPlane(0.5f);
    ExpectMatrixNear(camera.Projection(), expected);
}

TEST(DXCamera, ViewMatrixHasTheAxesAsColumnsAndTheEyeInTheFourthRow)
{
    TDXCamera camera;
    camera.SetAxes({2, 0, 0}, {0, 3, 0}, {10, 5, -20});
    TMatrix4f view;
    camera.BuildView(view);
    // Right = Up x Look = (0, 0, -1); fourth row = -(P.Right, P.Up, P.Look).
    const TMatrix4f expected = Rows({{0, 0, 1, 0}, {0, 1, 0, 0}, {-1, 0, 0, 0}, {-20, -5, -10, 1}});
    ExpectMatrixNear(view, expected);
    ExpectMatrixNear(camera.View(), expected);
    ExpectNear(camera.GetRight(), {0, 0, -1});
    // A point 7 ahead of the eye lands on the view axis at depth 7.
    ExpectNear(Vec3TransformCoord({17, 5, -20}, view), {0, 0, 7});

    // LookAt and BuildView agree with the look-at helper.
    camera.SetAxes({0, 0, 1}, {0, 1, 0}, {3, 40, -60});
    camera.LookAt({10, 0, 25}, false);
    camera.BuildView(view);
    ExpectMatrixNear(view, MatrixLookAtLH({3, 40, -60}, {10, 0, 25}, {0, 1, 0}));
    ExpectNear(camera.GetTarget(), {10, 0, 25});
}

TEST(DXCamera, FreeModeTurnsAndMoves)
{
    TDXCamera camera;
    const float pitch = 0.4f, yaw = 0.9f;
    camera.Rotate({pitch, yaw, 0});
    // Yaw about world y first, then pitch about the turned right axis (positive looks down).
    ExpectNear(camera.GetLook(), {std::sin(yaw) * std::cos(pitch), -std::sin(pitch),
                                  std::cos(yaw) * std::cos(pitch)});
    ExpectNear(camera.GetRight(), {std::cos(yaw), 0, -std::sin(yaw)});
    EXPECT_NEAR(VectorDot(camera.GetUp(), camera.GetLook()), 0.0f, 1e-5f);

    camera.Move({1, 2, 3}, false);
    ExpectNear(camera.GetPosition(), {1, 2, 3});
    const TVector3f before = camera.GetPosition();
    camera.Move({0, 0, 10}, true);
    ExpectNear(camera.GetPosition(), before + camera.GetLook() * 10.0f);
    camera.SetPosition({7, 8, 9});
    ExpectNear(camera.GetPosition(), {7, 8, 9});
}

TEST(DXCamera, LookingAtTheEyeOrStraightDownKeepsAUsableOrientation)
{
    TDXCamera camera;
    camera.SetPosition({1, 2, 3});
    camera.LookAt({1, 2, 3}, false);
    camera.LookAt({1, -50, 3}, false);
    ExpectNear(camera.GetLook(), {0, 0, 1});
    ExpectNear(camera.GetUp(), {0, 1, 0});
}

TEST(DXCamera, SmoothedLookAtTurnsByAtMostTheStepPerCall)
{
    TDXCamera camera;
    camera.Smoothing = 0.1f; // at most 0.157 per component per call
    camera.LookAt({100, 0, 0}, true);
    const TVector3f look = camera.GetLook();
    EXPECT_GT(look.x, 0.0f);
    EXPECT_LT(look.x, 0.2f);
    for (int i = 0; i < 40; ++i)
        camera.LookAt({100, 0, 0}, true);
    ExpectNear(camera.GetLook(), {1, 0, 0}, 1e-3f);
}

TEST(DXCamera, FrustumTestsPointsAndSpheres)
{
    TDXCamera camera; // eye at the origin, looking along +z, 60 degrees, aspect 1
    struct Case
    {
        TVector3f p;
        float radius; // < 0: point test
        bool visible;
    };
    const Case cases[] = {
        {{0, 0, 1}, -1, false},       // exactly on the near plane
        {{0, 0, 1000}, -1, true},     // exactly on the far plane
        {{0, 0, 1000.5f}, -1, false}, // beyond it
        {{0, 0, -10}, -1, false},     // behind
        {{0, 5.7f, 10}, -1, true},    // just inside the top plane (10 * tan 30 = 5.77)
        {{0, 5.9f, 10}, -1, false},   // just outside
        {{5.9f, 0, 10}, -1, false},   // outside the side plane at aspect 1
        {{0, 0, -5}, 1, false},       // sphere behind the near plane
        {{0, 0, 0.5f}, 1, true},      // sphere cut by the near plane
        {{0, 0, 1000.5f}, 1, true},   // sphere cut by the far plane
        {{0, 0, 1001.5f}, 1, false},  // sphere beyond the far plane
        {{0, 8, 10}, 1, false},       // above: 8 > 5.77 + 1.155
        {{0, 6.5f, 10}, 1, true},     // straddling the top plane
        {{12, 0, 10}, 1, false},      // right of the side plane
        {{6.5f, 0, 10}, 1, true},     // straddling the side plane
        {{0, 0, 50}, 1, true},        // well inside
    };
    for (const Case& c : cases)
    {
        const bool visible =
            c.radius < 0 ? camera.IsPointVisible(c.p) : camera.IsSphereVisible(c.p, c.radius);
        EXPECT_EQ(visible, c.visible)
            << "(" << c.p.x << ", " << c.p.y << ", " << c.p.z << ") r " << c.radius;
    }
    // A wider view takes in what lay beside it.
    camera.SetAspect(2.0f);
    EXPECT_TRUE(camera.IsPointVisible({5.9f, 0, 10}));
    EXPECT_TRUE(camera.IsSphereVisible({12, 0, 10}, 1));
    // The tests follow the camera's own axes.
    camera.SetAxes({1, 0, 0}, {0, 1, 0}, {100, 0, 0});
    EXPECT_TRUE(camera.IsPointVisible({150, 0, 0}));
    EXPECT_FALSE(camera.IsPointVisible({100, 0, 50}));
}

TEST(DXCamera, ModesStepAndKeepTheirLimits)
{
    TDXCamera camera;
    EXPECT_EQ(camera.Mode(), TDXCamera::ModeFree);
    camera.NextMode();
    EXPECT_EQ(camera.Mode(), TDXCamera::ModeChase);
    camera.NextMode();
    EXPECT_EQ(camera.Mode(), TDXCamera::ModeAttached);
    camera.NextMode();
    EXPECT_EQ(camera.Mode(), TDXCamera::ModeChase);

    // Chase: the distance grows only below 40 and shrinks only above 4.
    camera.ChaseDistance = 38;
    camera.Move({0, 0, 5}, false);
    EXPECT_FLOAT_EQ(camera.ChaseDistance, 43);
    camera.Move({0, 0, 5}, false);
    EXPECT_FLOAT_EQ(camera.ChaseDistance, 43);
    camera.ChaseDistance = 6;
    camera.Move({0, 0, -5}, false);
    EXPECT_FLOAT_EQ(camera.ChaseDistance, 1);
    camera.Move({0, 0, -5}, false);
    EXPECT_FLOAT_EQ(camera.ChaseDistance, 1);
    // Ride cameras place themselves.
    camera.SetPosition({5, 5, 5});
    ExpectNear(camera.GetPosition(), {0, 0, 0});
    camera.Rotate({0, float(M_PI), 0});
    ExpectNear(camera.ChaseDirection, {0, 0.26f, 0.906f});
    // Choosing the mode again restores its defaults.
    camera.SetMode(TDXCamera::ModeChase);
    EXPECT_FLOAT_EQ(camera.ChaseDistance, 20);
    ExpectNear(camera.ChaseDirection, TDXCamera::DefaultChaseDirection);

    camera.SetMode(TDXCamera::ModeAttached);
    camera.Move({0, 0, 0.5f}, false);
    camera.Rotate({0, 0.25f, 0});
    ExpectNear(camera.AttachOffset, {0, 5.45f, 1.33f});

    camera.Zoom(4);
    camera.Zoom(4);
    camera.Zoom(4);
    EXPECT_FLOAT_EQ(camera.ChaseHeight, 10);
    camera.Zoom(-25);
    EXPECT_FLOAT_EQ(camera.ChaseHeight, 0);

    // Unknown modes are refused; with nothing enabled NextMode stays put.
    camera.SetMode(9);
    EXPECT_EQ(camera.Mode(), TDXCamera::ModeAttached);
    camera.EnableMode(TDXCamera::ModeChase, false);
    camera.EnableMode(TDXCamera::ModeAttached, false);
    camera.NextMode();
    EXPECT_EQ(camera.Mode(), TDXCamera::ModeAttached);
}

TEST(DXCamera, ChaseCameraStaysBehindTheVehicleAndAboveTheGround)
{
    TDXCamera camera;
    camera.SetMode(TDXCamera::ModeChase);
    const TMatrix4f vehicle = MatrixTranslation(100, 0, 50); // facing +z

    // Standing still: behind the vehicle by the chase direction x distance.
    camera.Follow(vehicle, {0, 0, 0}, 0.2f);
    ExpectNear(camera.GetPosition(), {100, 0.26f * 20, 50 - 0.906f * 20});
    ExpectNear(camera.GetTarget(), {100, 3.3f, 50});
    EXPECT_FLOAT_EQ(camera.Smoothing, 0.2f);
    EXPECT_TRUE(camera.IsPointVisible({100, 3.3f, 50}));

    // Sliding sideways at speed: the camera swings behind the direction of travel.
    camera.Follow(vehicle, {30, 0, 0}, 0);
    ExpectNear(camera.GetPosition(), {100 - 0.906f * 20, 5.2f, 50});

    // Reversing: it stays behind the vehicle's nose instead of swinging in front.
    camera.Follow(vehicle, {0, 0, -10}, 0);
    EXPECT_LT(camera.GetPosition().z, 50.0f);

    // Crawling sideways: between the facing and the travel direction.
    camera.Follow(vehicle, {2.5f, 0, 0}, 0);
    EXPECT_LT(camera.GetPosition().x, 100.0f);
    EXPECT_LT(camera.GetPosition().z, 50.0f);

    // Over a hill the camera is lifted to 3 above the ground under it.
    camera.GroundHeight = [](float, float) { return 10.0f; };
    camera.Follow(vehicle, {0, 0, 0}, 0);
    EXPECT_FLOAT_EQ(camera.GetPosition().y, 13.0f);
}

TEST(DXCamera, AttachedCameraRidesInTheVehicleFrame)
{
    TDXCamera camera;
    camera.SetMode(TDXCamera::ModeAttached);
    // The vehicle turned a quarter (its +z now points along world +x) and stands at (10,0,0).
    const TMatrix4f vehicle =
        MatrixMultiply(MatrixRotationY(float(M_PI / 2)), MatrixTranslation(10, 0, 0));
    camera.Follow(vehicle, {0, 0, 0}, 0);
    ExpectNear(camera.GetPosition(), {10.83f, 5.2f, 0});
    ExpectNear(camera.GetLook(), {1, 0, 0});
    ExpectNear(camera.GetUp(), {0, 1, 0});

    // Mode 2 and free mode ignore the vehicle.
    camera.SetMode(TDXCamera::ModeNone);
    camera.Follow(MatrixTranslation(500, 0, 0), {0, 0, 0}, 0);
    ExpectNear(camera.GetPosition(), {10.83f, 5.2f, 0});
}

TEST(DXCamera, ProjectAndPickRoundTripThroughTheScaledPanel)
{
    TDXCamera camera;
    camera.SetAspect(640.0f / 480.0f);
    camera.SetAxes({0, 0, 1}, {0, 1, 0}, {0, 50, -100});
    camera.LookAt({0, 0, 0}, false);
    TMatrix4f view;
    camera.BuildView(view);

    // A 1280 x 720 panel showing a 640 x 480 back buffer.
    TViewMapping mapping;
    mapping.ScaleX = 1280.0f / 640.0f;
    mapping.ScaleY = 720.0f / 480.0f;

    int sx = 0, sy = 0;
    ProjectPoint(camera, mapping, {0, 0, 0}, sx, sy);
    EXPECT_EQ(sx, 640);
    EXPECT_EQ(sy, 360);

    for (const TVector3f ground :
         {TVector3f{0, 0, 0}, TVector3f{30, 0, 20}, TVector3f{-40, 0, -30}, TVector3f{5, 12, 60}})
    {
        ProjectPoint(camera, mapping, ground, sx, sy);
        TVector3f picked;
        ASSERT_TRUE(PickOnPlane(camera, mapping, sx, sy, picked, ground.y));
        // One panel pixel is well under a unit at this distance.
        ExpectNear(picked, ground, 0.5f);
    }

    // Pick, then project back to the same pixel.
    TVector3f picked;
    ASSERT_TRUE(PickOnPlane(camera, mapping, 1000, 600, picked, 0));
    ProjectPoint(camera, mapping, picked, sx, sy);
    EXPECT_EQ(sx, 1000);
    EXPECT_EQ(sy, 600);

    // Above the horizon nothing of the ground lies under the pointer.
    camera.SetAxes({0, 0, 1}, {0, 1, 0}, {0, 50, -100});
    camera.BuildView(view);
    EXPECT_FALSE(PickOnPlane(camera, mapping, 640, 100, picked, 0));
    // Below it, looking level, the ground is found ahead of the eye.
    ASSERT_TRUE(PickOnPlane(camera, mapping, 640, 700, picked, 0));
    EXPECT_GT(picked.z, -100.0f);
}
