// The physics bridge's scene: lifecycle, falling and resting bodies, friction, terrain tiles,
// meshes, materials and the refresh of the shared records.
#include "PhysicsFixture.h"

#include <cmath>

using namespace physics_test;

TEST(KexPhysicsLifecycle, VersionAnswersInEveryStateAndClosedCallsFail)
{
    CloseKexPhysics();
    CloseKexPhysics(); // closing twice, or without init, is harmless
    EXPECT_EQ(KexPhysicsVersion(), 65543u);

    KexMaterialProperties m{0.5f, 0.5f, 0.1f, 0, 1, 0, 0};
    KexMeshProperties mesh{};
    PhysXObjectSharedData rec{};
    KexCreateObjectProperties object{};
    object.Shared = &rec;
    EXPECT_FALSE(CreateKexTerrain(nullptr));
    EXPECT_FALSE(ReleaseKexTerrain());
    EXPECT_EQ(CreateKexMaterial(&m), nullptr);
    EXPECT_EQ(CreateKexMesh(&mesh), nullptr);
    EXPECT_FALSE(CreateKexObject(&object));
    EXPECT_FALSE(RemoveKexObject(nullptr));
    EXPECT_FALSE(PerformKexPhysics(kStep));
    SetKexSceneProperties(nullptr);

    Messages().clear();
    const KexSceneProperties p = SceneProperties();
    ASSERT_TRUE(InitKexPhysics(&p));
    EXPECT_EQ(CountMessages("Messages working?"), 1);
    EXPECT_EQ(KexPhysicsVersion(), 65543u);
    EXPECT_FALSE(InitKexPhysics(nullptr)); // closes the open scene and reports the bad record
    EXPECT_FALSE(PerformKexPhysics(kStep));
}

TEST(KexPhysicsLifecycle, CloseFreesEveryBodyMeshAndMaterial)
{
    // Run under AddressSanitizer: anything close leaves behind shows up as a leak.
    const KexSceneProperties p = SceneProperties();
    for (int round = 0; round < 2; ++round)
    {
        ASSERT_TRUE(InitKexPhysics(&p));
        const auto flat = HeightField([](int, int) { return 0; });
        const KexTerrainDescription d = OneTile(flat);
        ASSERT_TRUE(CreateKexTerrain(&d));
        KexMaterialProperties m{0.5f, 0.5f, 0.1f, 0, 1, 0, 0};
        const KexMaterialHandle material = CreateKexMaterial(&m);
        const KexVec3 cube[] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                                {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};
        const uint32_t tris[] = {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7};
        KexMeshProperties hull{1, {}, 8, 0, 0, cube, nullptr};
        KexMeshProperties tri{0, {}, 8, 4, 0, cube, tris};
        const KexMeshHandle convex = CreateKexMesh(&hull);
        const KexMeshHandle triangles = CreateKexMesh(&tri);
        ASSERT_NE(convex, nullptr);
        ASSERT_NE(triangles, nullptr);
        TBody a(KexShapeConvexMesh, {}, Pose(0, 5, 0), true, material, convex);
        TBody b(KexShapeTriangleMesh, {}, Pose(5, 0, 0), false, nullptr, triangles);
        TBody c(KexShapeConvexMesh, {}, Pose(0, 9, 0), true, nullptr, convex);
        TVehicle v(Pose(10, 1, 10));
        ASSERT_TRUE(a.Created && b.Created && c.Created && v.Created);
        Simulate(0.5f);
        CloseKexPhysics();
        EXPECT_FALSE(RemoveKexObject(a.Rec.Actor));
        EXPECT_FALSE(RemoveKexMesh(convex, true));
    }
}

TEST_F(TPhysicsTest, FreeFallTakesTheTimeGravityGives)
{
    constexpr float height = 64, radius = 1;
    TBody ball(KexShapeBall, {radius, 0, 0}, Pose(0, height + radius, 0), true);
    ASSERT_TRUE(ball.Created);
    float t = 0;
    while (ball.At().y - radius > 0.02f && t < 10)
    {
        ASSERT_TRUE(PerformKexPhysics(kStep));
        t += kStep;
    }
    EXPECT_NEAR(t, std::sqrt(2 * height / kGravity), 0.01 * std::sqrt(2 * height / kGravity));
}

TEST_F(TPhysicsTest, BallComesToRestOnTheGroundAtItsRadius)
{
    for (const float radius : {0.5f, 1.0f, 3.0f})
    {
        TBody ball(KexShapeBall, {radius, 0, 0}, Pose(radius * 4, 4 + radius, 0), true);
        ASSERT_TRUE(ball.Created);
        Simulate(5);
        EXPECT_NEAR(ball.At().y, radius, 0.01 * radius) << "radius " << radius;
        EXPECT_TRUE(RemoveKexObject(ball.Rec.Actor));
    }
}

TEST_F(TPhysicsTest, BoxOnASlopeSlidesOnlyWhenTheSlopeBeatsItsFriction)
{
    struct TCase
    {
        float Friction;
        float Tan; // slope
        uint32_t Flags;
        bool Slides;
    };
    const TCase cases[] = {
        {0.5f, 0.35f, 0, false},
        {0.5f, 0.7f, 0, true},
        {0.9f, 0.7f, 0, false},
        {0.9f, 1.2f, 0, true},
        {0.9f, 0.2f, KEX_MATERIAL_TYRE, true}, // a tyre material has no contact friction
    };
    for (const TCase& c : cases)
    {
        KexMaterialProperties m{c.Friction, c.Friction, 0, c.Flags, 1, 0, 0};
        const KexMaterialHandle material = CreateKexMaterial(&m);
        const float angle = std::atan(c.Tan);
        // A long static slab tilted about z, high above the ground, and a box resting on it.
        TBody slope(KexShapeCube, {20, 0.5f, 2}, Pose(0, 40, 0, angle), false, material);
        const float lift = 0.5f + 0.5f;
        TBody box(KexShapeCube, {0.5f, 0.5f, 0.5f},
                  Pose(-lift * std::sin(angle), 40 + lift * std::cos(angle), 0, angle), true,
                  material);
        ASSERT_TRUE(slope.Created && box.Created);
        Simulate(0.2f);
        const KexVec3 start = box.At();
        Simulate(1.5f);
        const float moved = std::hypot(box.At().x - start.x, box.At().y - start.y);
        if (c.Slides)
            EXPECT_GT(moved, 1.0f) << "friction " << c.Friction << " slope " << c.Tan;
        else
            EXPECT_LT(moved, 0.05f) << "friction " << c.Friction << " slope " << c.Tan;
        EXPECT_TRUE(RemoveKexObject(box.Rec.Actor));
        EXPECT_TRUE(RemoveKexObject(slope.Rec.Actor));
        EXPECT_TRUE(RemoveKexMaterial(material));
    }
}

TEST_F(TPhysicsTest, RestitutionDecidesTheBounce)
{
    KexMaterialProperties lively{0.5f, 0.5f, 0.9f, 0, 1, 0, 3}; // maximum wins
    const KexMaterialHandle material = CreateKexMaterial(&lively);
    TBody dull(KexShapeBall, {1, 0, 0}, Pose(-10, 11, 0), true);
    TBody bouncy(KexShapeBall, {1, 0, 0}, Pose(10, 11, 0), true, material);
    float dullPeak = 0, bouncyPeak = 0;
    bool dullLanded = false, bouncyLanded = false;
    for (int i = 0; i < 180; ++i)
    {
        ASSERT_TRUE(PerformKexPhysics(kStep));
        dullLanded = dullLanded || dull.At().y < 1.05f;
        bouncyLanded = bouncyLanded || bouncy.At().y < 1.05f;
        if (dullLanded)
            dullPeak = std::max(dullPeak, dull.At().y - 1);
        if (bouncyLanded)
            bouncyPeak = std::max(bouncyPeak, bouncy.At().y - 1);
    }
    EXPECT_GT(bouncyPeak, 5.0f);
    EXPECT_LT(dullPeak, 0.5f);
}

TEST_F(TPhysicsTest, SharedRecordsAreRefreshedEveryStep)
{
    TBody ball(KexShapeBall, {1, 0, 0}, Pose(0, 20, 0), true);
    TBody ground(KexShapeCube, {1, 1, 1}, Pose(30, 1, 0), false);
    ASSERT_TRUE(ball.Created && ground.Created);
    EXPECT_NE(ball.Rec.Actor, nullptr);
    float last = ball.At().y;
    for (int i = 0; i < 10; ++i)
    {
        ball.Rec.Updated = 0;
        ASSERT_TRUE(PerformKexPhysics(kStep));
        EXPECT_EQ(ball.Rec.Updated, 1);
        EXPECT_LT(ball.At().y, last);
        last = ball.At().y;
    }
    EXPECT_EQ(ground.Rec.Updated, 0); // static bodies never move

    // Reset puts the body back to the pose in its record and stops it.
    ball.Rec.Pose = Pose(0, 20, 0);
    ResetKexObject(ball.Rec.Actor);
    ASSERT_TRUE(PerformKexPhysics(kStep));
    EXPECT_NEAR(ball.At().y, 20 - kGravity * kStep * kStep, 1e-3);
}

TEST_F(TPhysicsTest, UnknownRecordTypeIsReportedOnEveryStep)
{
    TBody ball(KexShapeBall, {1, 0, 0}, Pose(0, 20, 0), true);
    ASSERT_TRUE(ball.Created);
    ball.Rec.Type = 2;
    Messages().clear();
    Simulate(3 * kStep);
    int unknown = 0;
    for (const std::string& m : Messages())
        unknown += m.rfind("Processing unknown actor type: actor[0x", 0) == 0 &&
                   m.find("Type[0x2]") != std::string::npos;
    EXPECT_EQ(unknown, 3);
    EXPECT_EQ(ball.Rec.Updated, 0);
}

TEST_F(TPhysicsTest, RemovedBodiesLeaveNothingBehind)
{
    // A static platform catches a ball; once it is removed, a second ball falls through.
    TBody platform(KexShapeCube, {3, 0.5f, 3}, Pose(0, 10, 0), false);
    TBody first(KexShapeBall, {1, 0, 0}, Pose(0, 14, 0), true);
    ASSERT_TRUE(platform.Created && first.Created);
    Simulate(2);
    EXPECT_NEAR(first.At().y, 11.5f, 0.05f);

    const KexActorHandle handle = platform.Rec.Actor;
    EXPECT_TRUE(RemoveKexObject(handle));
    EXPECT_FALSE(RemoveKexObject(handle));
    ResetKexObject(handle); // unknown handles are ignored
    EXPECT_TRUE(RemoveKexObject(first.Rec.Actor));
    first.Rec.Updated = 0;

    TBody second(KexShapeBall, {1, 0, 0}, Pose(0, 14, 0), true);
    Simulate(2);
    EXPECT_NEAR(second.At().y, 1.0f, 0.02f);
    EXPECT_EQ(first.Rec.Updated, 0); // a removed body's record is no longer written

    TVehicle v(Pose(20, 1, 0));
    ASSERT_TRUE(v.Created);
    EXPECT_TRUE(RemoveKexVehicle(v.Rec.Actor));
    EXPECT_FALSE(RemoveKexVehicle(v.Rec.Actor));
    Simulate(0.1f);
}

TEST_F(TPhysicsTest, BadObjectsFailWithTheirMessage)
{
    PhysXObjectSharedData rec{};
    rec.Type = KexRecordObject;
    rec.Pose = Pose(0, 5, 0);
    KexCreateObjectProperties p{};
    p.Shared = &rec;
    p.Actor = {0, 1, 1, 0, {0, 0}};
    const int types[] = {KexShapeWheel, 0, 7, KexShapeConvexMesh, KexShapeTriangleMesh};
    for (const int type : types)
    {
        p.Shape.Type = type;
        p.Shape.Size = {1, 1, 1};
        p.Shape.Mesh = reinterpret_cast<KexMeshHandle>(&rec); // not a mesh of the bridge
        Messages().clear();
        EXPECT_FALSE(CreateKexObject(&p)) << "type " << type;
        EXPECT_EQ(CountMessages("Object failed!"), 1);
    }
    Messages().clear();
    EXPECT_FALSE(CreateKexObject(nullptr));
    p.Shared = nullptr;
    p.Shape.Type = KexShapeBall;
    EXPECT_FALSE(CreateKexObject(&p));
    EXPECT_EQ(CountMessages("Object failed!"), 2);

    // Dynamic with density 0 stays where it is.
    TBody still(KexShapeBall, {1, 0, 0}, Pose(0, 5, 0), true);
    KexCreateObjectProperties q{};
    PhysXObjectSharedData rec2{};
    rec2.Type = KexRecordObject;
    rec2.Pose = Pose(4, 5, 0);
    q.Shared = &rec2;
    q.Shape.Type = KexShapeBall;
    q.Shape.Size = {1, 0, 0};
    q.Actor = {0, 0, 1, 0, {0, 0}};
    ASSERT_TRUE(CreateKexObject(&q));
    Simulate(1);
    EXPECT_EQ(rec2.Pose.t.y, 5.0f);
}

TEST_F(TPhysicsTest, TerrainTilesHolesAndHeights)
{
    // Heights rise along the rows (x): value 100 * row, height factor 2 -> 100 * 2 / 65536 per
    // sample row of spacing 1.
    const auto ramp = HeightField([](int i, int) { return int16_t(100 * i); });
    KexTerrainDescription d = OneTile(ramp, 0, 5, 0);
    d.HeightFactor = 2;
    d.GridSize = 2;
    d.TileIndex[1] = -1; // tile (0, 1): a hole
    d.TilePosition[1] = {256, 5, 0};
    d.TileIndex[10] = 0; // tile (1, 0) shares the field
    d.TilePosition[10] = {0, 5, 256};
    d.TileIndex[11] = 5; // names a field that is not there: skipped
    ASSERT_TRUE(CreateKexTerrain(&d));

    const float slope = 100.0f * 2 / 65536;
    TBody onRamp(KexShapeBall, {0.5f, 0, 0}, Pose(200, 30, 20), true);
    TBody onShared(KexShapeBall, {0.5f, 0, 0}, Pose(100, 30, 300), true);
    TBody overHole(KexShapeBall, {0.5f, 0, 0}, Pose(300, 30, 20), true); // tile (0, 1)
    Simulate(0.1f);
    const float holeStart = overHole.At().y;
    Simulate(3);
    // Balls roll down the ramp a little; the ground under them follows the row heights.
    EXPECT_NEAR(onRamp.At().y, 5 + slope * onRamp.At().x + 0.5f, 0.05f);
    EXPECT_NEAR(onShared.At().y, 5 + slope * onShared.At().x + 0.5f, 0.05f);
    EXPECT_LT(overHole.At().y, holeStart - 100);

    // Out-of-range tables are refused instead of read past.
    KexTerrainDescription bad = d;
    bad.HeightFieldCount = 17;
    EXPECT_FALSE(CreateKexTerrain(&bad));
    bad = d;
    bad.GridSize = 11;
    EXPECT_FALSE(CreateKexTerrain(&bad));
    bad = d;
    bad.Samples = nullptr;
    EXPECT_FALSE(CreateKexTerrain(&bad));

    KexTerrainDescription empty{};
    EXPECT_TRUE(CreateKexTerrain(&empty));
    EXPECT_TRUE(CreateKexTerrain(nullptr));
    EXPECT_FALSE(ReleaseKexTerrain());
}

TEST_F(TPhysicsTest, MeshesAreCheckedAndSharedSafely)
{
    const KexVec3 box[] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                           {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};
    const uint32_t tris[] = {0, 1, 2, 2, 1, 3};
    const uint32_t badTris[] = {0, 1, 8};
    KexMeshProperties good{1, {}, 8, 0, 0, box, nullptr};
    KexMeshProperties outOfRange{0, {}, 8, 1, 0, box, badTris};
    KexMeshProperties noVertices{1, {}, 8, 0, 0, nullptr, nullptr};
    KexMeshProperties tri{0, {}, 8, 2, 0, box, tris};
    EXPECT_EQ(CreateKexMesh(&outOfRange), nullptr);
    EXPECT_EQ(CreateKexMesh(&noVertices), nullptr);
    EXPECT_EQ(CreateKexMesh(nullptr), nullptr);
    const KexMeshHandle hull = CreateKexMesh(&good);
    const KexMeshHandle triangles = CreateKexMesh(&tri);
    ASSERT_NE(hull, nullptr);
    ASSERT_NE(triangles, nullptr);

    // A convex hull body falls and rests on its face; removing its mesh while in use is safe.
    TBody body(KexShapeConvexMesh, {}, Pose(0, 10, 0), true, nullptr, hull);
    ASSERT_TRUE(body.Created);
    Messages().clear();
    EXPECT_FALSE(RemoveKexMesh(nullptr, true));
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(RemoveKexMesh(hull, false)); // not a triangle mesh
    EXPECT_TRUE(RemoveKexMesh(hull, true));
    EXPECT_EQ(CountMessages("Destroying mesh.."), 1);
    EXPECT_EQ(CountMessages("Convex mesh.."), 1);
    EXPECT_FALSE(RemoveKexMesh(hull, true));
    Simulate(3);
    EXPECT_NEAR(body.At().y, 1.0f, 0.05f);
    EXPECT_TRUE(RemoveKexMesh(triangles, false));
    EXPECT_EQ(CountMessages("Triangle mesh.."), 1);
}

TEST_F(TPhysicsTest, MaterialsBelongToTheScene)
{
    KexMaterialProperties m{0.5f, 0.5f, 0.1f, 0, 1, 0, 0};
    const KexMaterialHandle material = CreateKexMaterial(&m);
    ASSERT_NE(material, nullptr);
    EXPECT_TRUE(ModifyKexMaterial(material, &m));
    EXPECT_FALSE(ModifyKexMaterial(material, nullptr));
    const auto stranger = reinterpret_cast<KexMaterialHandle>(&m);
    EXPECT_FALSE(ModifyKexMaterial(stranger, &m));
    EXPECT_FALSE(RemoveKexMaterial(stranger));
    EXPECT_FALSE(RemoveKexMaterial(nullptr));
    EXPECT_TRUE(RemoveKexMaterial(material));
    EXPECT_FALSE(RemoveKexMaterial(material));
}
