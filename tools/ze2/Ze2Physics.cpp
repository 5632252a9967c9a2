// ze2 physics drop|drive: short headless runs of the physics bridge on a flat terrain.
#include "Ze2.h"

#include "KexPhysics.h"
#include "ride/KexQuadDefaults.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ze2
{
namespace
{
constexpr float kStep = 1.0f / 60.0f;
constexpr float kSpacing = 2.0f;
constexpr int kGrid = 3;

bool ParseNumber(const TArgs& args, const std::string& flag, float& out, bool required)
{
    const std::string text = args.Value(flag);
    if (text.empty())
    {
        if (required)
            Error(flag + " is required");
        return !required;
    }
    char* end = nullptr;
    const float v = std::strtof(text.c_str(), &end);
    if (!end || *end || !std::isfinite(v))
    {
        Error("\"" + text + "\" is not a number");
        return false;
    }
    out = v;
    return true;
}

std::string Fixed(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

void Sink(const char* text)
{
    std::fprintf(stderr, "%s\n", text);
}

KexSceneProperties SceneProperties()
{
    KexSceneProperties p{};
    p.Scale = 0.3048f;
    p.Gravity = 32.0f;
    p.Restitution = 0.15f;
    p.StaticFriction = 0.8f;
    p.DynamicFriction = 0.8f;
    p.Bounce = -2.0f;
    p.MaxAngularVelocity = 3.0f;
    p.DebugSink = Sink;
    return p;
}

// Flat ground at height 0, 3 x 3 tiles that share one height field, centred on the origin.
bool CreateFlatTerrain(std::vector<uint8_t>& samples)
{
    samples.assign(KEX_HEIGHTFIELD_BYTES, 0);
    KexTerrainDescription d{};
    d.Spacing = kSpacing;
    d.HeightFactor = 1.0f;
    d.Thickness = -32.8f;
    d.HeightFieldCount = 1;
    d.Samples = samples.data();
    d.GridSize = kGrid;
    const float tile = (KEX_HEIGHTFIELD_SIZE - 1) * kSpacing;
    for (int i = 0; i < 100; ++i)
        d.TileIndex[i] = -1;
    for (int r = 0; r < kGrid; ++r)
        for (int c = 0; c < kGrid; ++c)
        {
            d.TileIndex[r * 10 + c] = 0;
            d.TilePosition[r * 10 + c] = {r * tile - 1.5f * tile, 0, c * tile - 1.5f * tile};
        }
    return CreateKexTerrain(&d);
}

KexPose Identity(float x, float y, float z)
{
    KexPose p{};
    p.M[0][0] = p.M[1][1] = p.M[2][2] = 1;
    p.t = {x, y, z};
    return p;
}

class TPhysicsSession
{
public:
    TPhysicsSession() { Open = KexPhysicsVersion() == KEXPHYSICS_INTERFACE_VERSION; }
    ~TPhysicsSession() { CloseKexPhysics(); }
    bool Start()
    {
        const KexSceneProperties p = SceneProperties();
        if (!Open || !InitKexPhysics(&p) || !CreateFlatTerrain(Samples))
        {
            Error("the physics bridge could not start");
            return false;
        }
        return true;
    }

private:
    bool Open = false;
    std::vector<uint8_t> Samples;
};

int Drop(const TArgs& args)
{
    float height = 0, seconds = 5;
    if (!args.Positional.empty() || !ParseNumber(args, "--height", height, true) ||
        !ParseNumber(args, "--seconds", seconds, false) || height < 0 || seconds <= 0 ||
        seconds > 3600)
        return ExitUsage;
    TPhysicsSession session;
    if (!session.Start())
        return ExitFailed;

    constexpr float radius = 1.0f;
    PhysXObjectSharedData ball{};
    ball.Type = KexRecordObject;
    ball.Pose = Identity(0, height + radius, 0);
    KexCreateObjectProperties p{};
    p.Shared = &ball;
    p.Shape.Type = KexShapeBall;
    p.Shape.Size = {radius, 0, 0};
    p.Actor = {0.05f, 1.0f, 1, 0, {0, 0}};
    if (!CreateKexObject(&p))
        return ExitFailed;

    // Contact is the first step that stops the free fall; its time is found by carrying the
    // last falling step's speed on to the surface.
    const int steps = int(std::lround(seconds / kStep));
    float y = ball.Pose.t.y, speed = 0, contact = -1;
    for (int i = 1; i <= steps; ++i)
    {
        if (!PerformKexPhysics(kStep))
            return ExitFailed;
        const float now = ball.Pose.t.y;
        const float newSpeed = (y - now) / kStep;
        if (contact < 0 && (now - radius <= 1e-3f || newSpeed < speed))
        {
            const float v = std::max(speed, 1e-6f);
            contact = (i - 1) * kStep + std::min(kStep, std::max(0.0f, y - radius) / v);
        }
        speed = newSpeed;
        y = now;
    }
    Line({"contact", contact < 0 ? "none" : Fixed(contact)});
    Line({"resty", Fixed(ball.Pose.t.y)});
    return ExitOk;
}

int Drive(const TArgs& args)
{
    float seconds = 0, torque = 0, brakeAfter = -1, steer = 0;
    if (!args.Positional.empty() || !ParseNumber(args, "--seconds", seconds, true) ||
        !ParseNumber(args, "--torque", torque, true) ||
        !ParseNumber(args, "--brake-after", brakeAfter, false) ||
        !ParseNumber(args, "--steer", steer, false) || seconds <= 0 || seconds > 3600)
        return ExitUsage;
    TPhysicsSession session;
    if (!session.Start())
        return ExitFailed;

    KexMaterialProperties tyre{0.5f, 0.5f, 0.4f, KEX_MATERIAL_TYRE, 1.0f, 0, 0};
    KexMaterialProperties body{0.9f, 0.9f, 0.1f, 0, 1.0f, 0, 0};
    const KexMaterialHandle tyreMaterial = CreateKexMaterial(&tyre);
    const KexMaterialHandle bodyMaterial = CreateKexMaterial(&body);

    static PhysXVehicleSharedData rec;
    static KexCreateVehicleProperties v;
    DefaultQuadVehicle(v, rec, Identity(0, 0.5f, 0));
    v.ChassisShape.Material = bodyMaterial;
    for (int i = 0; i < 4; ++i)
        v.Wheels[i].Material = tyreMaterial;
    if (!CreateKexVehicle(&v))
        return ExitFailed;
    SetKexVehicleProperties(rec.Actor, &v);

    constexpr float kBrakeTorque = 1200;
    const int steps = int(std::lround(seconds / kStep));
    const int perSecond = int(std::lround(1.0f / kStep));
    for (int i = 1; i <= steps; ++i)
    {
        const float t = (i - 1) * kStep;
        const bool braking = brakeAfter >= 0 && t >= brakeAfter;
        for (int w = 0; w < 4; ++w)
        {
            rec.Wheels[w].MotorTorque = braking ? 0 : torque;
            rec.Wheels[w].BrakeTorque = braking ? kBrakeTorque : 0;
            rec.Wheels[w].SteerAngle = w < 2 ? steer : 0;
        }
        UpdateKexVehicle(rec.Actor);
        if (!PerformKexPhysics(kStep))
            return ExitFailed;
        if (i % perSecond == 0)
        {
            const KexVec3& vel = rec.LinearVelocity;
            const double speed = std::sqrt(vel.x * vel.x + vel.y * vel.y + vel.z * vel.z);
            // Heading of the chassis' forward (+Z) axis, turning towards +X.
            const double heading = std::atan2(rec.Pose.M[0][2], rec.Pose.M[2][2]);
            Line({Fixed(i * kStep), Fixed(rec.Pose.t.x), Fixed(rec.Pose.t.z), Fixed(speed),
                  Fixed(heading)});
        }
    }
    return ExitOk;
}
} // namespace

void AddPhysicsCommands(TCommandTable& table)
{
    table.push_back({"physics drop", "--height H [--seconds T]", Drop, {"--height", "--seconds"}});
    table.push_back({"physics drive",
                     "--seconds T --torque Q [--brake-after S] [--steer A]",
                     Drive,
                     {"--seconds", "--torque", "--brake-after", "--steer"}});
}
} // namespace ze2
