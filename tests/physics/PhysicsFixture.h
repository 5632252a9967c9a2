// A physics bridge opened for one test: flat ground and helpers for balls, boxes and a
// four-wheeled vehicle, all through the bridge's C interface.
#pragma once

#include "KexPhysics.h"
#include "ride/KexQuadDefaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace physics_test
{
constexpr float kStep = 1.0f / 60.0f;
constexpr float kGravity = 32.0f;

inline std::vector<std::string>& Messages()
{
    static std::vector<std::string> messages;
    return messages;
}

inline void Collect(const char* text)
{
    Messages().push_back(text);
}

inline int CountMessages(const std::string& text)
{
    int n = 0;
    for (const std::string& m : Messages())
        n += m == text;
    return n;
}

inline KexSceneProperties SceneProperties()
{
    KexSceneProperties p{};
    p.Scale = 0.3048f;
    p.Gravity = kGravity;
    p.Restitution = 0.15f;
    p.StaticFriction = 0.8f;
    p.DynamicFriction = 0.8f;
    p.Bounce = -2.0f;
    p.MaxAngularVelocity = 3.0f;
    p.DebugSink = Collect;
    return p;
}

inline KexPose Pose(float x, float y, float z, float angleZ = 0)
{
    KexPose p{};
    const float c = std::cos(angleZ), s = std::sin(angleZ);
    p.M[0][0] = c;
    p.M[0][1] = -s;
    p.M[1][0] = s;
    p.M[1][1] = c;
    p.M[2][2] = 1;
    p.t = {x, y, z};
    return p;
}

// Height samples of one field: value(row, column).
template <class F> std::vector<uint8_t> HeightField(F value)
{
    std::vector<uint8_t> samples(KEX_HEIGHTFIELD_BYTES, 0);
    for (int i = 0; i < KEX_HEIGHTFIELD_SIZE; ++i)
        for (int j = 0; j < KEX_HEIGHTFIELD_SIZE; ++j)
        {
            const int16_t v = value(i, j);
            std::memcpy(&samples[size_t(i * KEX_HEIGHTFIELD_SIZE + j) * 4], &v, 2);
        }
    return samples;
}

// One tile of spacing 1 whose sample (0, 0) sits at (x0, y0, z0).
inline KexTerrainDescription OneTile(const std::vector<uint8_t>& samples, float x0 = -128,
                                     float y0 = 0, float z0 = -128)
{
    KexTerrainDescription d{};
    d.Spacing = 1;
    d.HeightFactor = 1;
    d.Thickness = -32.8f;
    d.HeightFieldCount = 1;
    d.Samples = samples.data();
    d.GridSize = 1;
    for (int& i : d.TileIndex)
        i = -1;
    d.TileIndex[0] = 0;
    d.TilePosition[0] = {x0, y0, z0};
    return d;
}

// An object with its shared record at a fixed address.
struct TBody
{
    PhysXObjectSharedData Rec{};
    bool Created = false;

    TBody(int type, KexVec3 size, KexPose pose, bool dynamic, KexMaterialHandle material = nullptr,
          KexMeshHandle mesh = nullptr)
    {
        Rec.Type = KexRecordObject;
        Rec.Pose = pose;
        KexCreateObjectProperties p{};
        p.Shared = &Rec;
        p.Shape.Type = type;
        p.Shape.Size = size;
        p.Shape.Mesh = mesh;
        p.Shape.Material = material;
        p.Actor = {0.05f, 1.0f, uint8_t(dynamic), 0, {0, 0}};
        Created = CreateKexObject(&p);
    }
    const KexVec3& At() const { return Rec.Pose.t; }
};

inline void Simulate(float seconds)
{
    const int steps = int(std::lround(seconds / kStep));
    for (int i = 0; i < steps; ++i)
        ASSERT_TRUE(PerformKexPhysics(kStep));
}

// The editor's default quad: a box chassis of mass 280 on four wheels.
struct TVehicle
{
    PhysXVehicleSharedData Rec{};
    KexCreateVehicleProperties Props{};
    bool Created = false;

    explicit TVehicle(KexPose pose)
    {
        DefaultQuadVehicle(Props, Rec, pose);
        Created = CreateKexVehicle(&Props);
        if (Created)
            SetKexVehicleProperties(Rec.Actor, &Props);
    }

    // Sets every wheel's inputs, then steps for the given time.
    void Drive(float seconds, float torque, float brake = 0, float steer = 0)
    {
        const int steps = int(std::lround(seconds / kStep));
        for (int i = 0; i < steps; ++i)
        {
            for (int w = 0; w < 4; ++w)
            {
                Rec.Wheels[w].MotorTorque = torque;
                Rec.Wheels[w].BrakeTorque = brake;
                Rec.Wheels[w].SteerAngle = w < 2 ? steer : 0;
            }
            UpdateKexVehicle(Rec.Actor);
            ASSERT_TRUE(PerformKexPhysics(kStep));
        }
    }
    float Speed() const
    {
        const KexVec3& v = Rec.LinearVelocity;
        return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    }
    // Heading of the chassis' forward axis: 0 along +Z, growing towards +X.
    float Heading() const { return std::atan2(Rec.Pose.M[0][2], Rec.Pose.M[2][2]); }
};

// Opens the bridge with flat ground at height 0 around the origin.
class TPhysicsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Messages().clear();
        const KexSceneProperties p = SceneProperties();
        ASSERT_TRUE(InitKexPhysics(&p));
        Flat = HeightField([](int, int) { return 0; });
        const KexTerrainDescription d = OneTile(Flat);
        ASSERT_TRUE(CreateKexTerrain(&d));
    }
    void TearDown() override { CloseKexPhysics(); }

    std::vector<uint8_t> Flat;
};
} // namespace physics_test
