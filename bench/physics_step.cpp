// Steps of the physics bridge on a 10 x 10-tile terrain with the vehicle driving and 200 static
// meshes. One simulated step is 1/60 s, so 1200 steps/s is 20 times real time.
#include "KexPhysics.h"
#include "ride/KexQuadDefaults.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
void Quiet(const char*) {}

KexPose At(float x, float y, float z)
{
    KexPose p{};
    p.M[0][0] = p.M[1][1] = p.M[2][2] = 1;
    p.t = {x, y, z};
    return p;
}

void BM_PhysicsStep(benchmark::State& state)
{
    KexSceneProperties scene{0.3048f, 32, 0.15f, 0.8f, 0.8f, -2, 0, {}, 3, Quiet, 0, 0};
    if (!InitKexPhysics(&scene))
    {
        state.SkipWithError("no physics");
        return;
    }
    // 16 distinct rolling height fields over a 10 x 10 grid of tiles, spacing 2.
    std::vector<uint8_t> samples(size_t(16) * KEX_HEIGHTFIELD_BYTES);
    for (int k = 0; k < 16; ++k)
        for (int i = 0; i < 257; ++i)
            for (int j = 0; j < 257; ++j)
            {
                const int16_t v = int16_t(2000 * std::sin(i * 0.05 + k) * std::cos(j * 0.04));
                std::memcpy(&samples[size_t(k) * KEX_HEIGHTFIELD_BYTES + size_t(i * 257 + j) * 4],
                            &v, 2);
            }
    KexTerrainDescription d{};
    d.Spacing = 2;
    d.HeightFactor = 100; // hills of about +-6 ft
    d.HeightFieldCount = 16;
    d.Samples = samples.data();
    d.GridSize = 10;
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c)
        {
            d.TileIndex[r * 10 + c] = (r * 10 + c) % 16;
            d.TilePosition[r * 10 + c] = {c * 512.0f, 0, r * 512.0f};
        }
    CreateKexTerrain(&d);

    // 200 static meshes: rocks as convex hulls and walls as triangle meshes.
    const KexVec3 box[] = {{-2, 0, -2}, {2, 0, -2}, {-2, 3, -2}, {2, 3, -2},
                           {-2, 0, 2},  {2, 0, 2},  {-2, 3, 2},  {2, 3, 2}};
    const uint32_t tris[] = {0, 1, 2, 2, 1, 3, 4, 6, 5, 5, 6, 7, 0, 2, 4, 4, 2, 6,
                             1, 5, 3, 3, 5, 7, 2, 3, 6, 6, 3, 7, 0, 4, 1, 1, 4, 5};
    KexMeshProperties hull{1, {}, 8, 0, 0, box, nullptr};
    KexMeshProperties wall{0, {}, 8, 12, 0, box, tris};
    const KexMeshHandle rock = CreateKexMesh(&hull);
    const KexMeshHandle walls = CreateKexMesh(&wall);
    std::vector<PhysXObjectSharedData> objects(200);
    for (int i = 0; i < 200; ++i)
    {
        objects[i].Type = KexRecordObject;
        objects[i].Pose = At(float(40 + (i % 20) * 23), 0, float(40 + (i / 20) * 37));
        KexCreateObjectProperties p{};
        p.Shared = &objects[i];
        p.Shape.Type = i % 2 ? KexShapeConvexMesh : KexShapeTriangleMesh;
        p.Shape.Mesh = i % 2 ? rock : walls;
        CreateKexObject(&p);
    }

    static PhysXVehicleSharedData rec;
    static KexCreateVehicleProperties v;
    DefaultQuadVehicle(v, rec, At(250, 12, 250));
    CreateKexVehicle(&v);
    SetKexVehicleProperties(rec.Actor, &v);

    int64_t steps = 0;
    for (auto _ : state)
    {
        for (int w = 0; w < 4; ++w)
        {
            rec.Wheels[w].MotorTorque = 60;
            rec.Wheels[w].SteerAngle = w < 2 ? 0.1f : 0;
        }
        UpdateKexVehicle(rec.Actor);
        PerformKexPhysics(1.0f / 60.0f);
        ++steps;
    }
    state.counters["steps_per_s"] = benchmark::Counter(double(steps), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] =
        benchmark::Counter(double(steps) / 60.0, benchmark::Counter::kIsRate);
    CloseKexPhysics();
}
BENCHMARK(BM_PhysicsStep)->Unit(benchmark::kMicrosecond)->MinTime(3.0);
} // namespace

BENCHMARK_MAIN();
