#include "ride/KexQuadDefaults.h"

void DefaultQuadWheel(KexWheelProperties& w, bool front, float x, float y, float z)
{
    w.ShapeType = KexShapeWheel;
    w.Width = 1.0f;
    w.Radius = 0.5f;
    w.Centre = {x, y, z};
    w.Mass = 10;
    w.Travel = front ? 0.6f : 0.39f;
    w.Spring = 25000;
    w.Damper = 600;
    w.Longitudinal = front ? KexTireFunction{0.1f, 2.0f, 1.8f, 1.2f, 900000}
                           : KexTireFunction{0.1f, 3.0f, 1.8f, 2.0f, 900000};
    w.Lateral = {0.3f, 6.0f, 2.0f, 4.7f, 120000};
}

void DefaultQuadVehicle(KexCreateVehicleProperties& v, PhysXVehicleSharedData& shared,
                        const KexPose& pose)
{
    shared = PhysXVehicleSharedData{};
    shared.Type = KexRecordVehicle;
    shared.WheelCount = 4;
    shared.Pose = pose;
    v = KexCreateVehicleProperties{};
    v.Shared = &shared;
    v.WakeCounter = 1.0e30f;
    v.ChassisShape.Type = KexShapeCube;
    v.ChassisShape.Size = {0.79f, 0.70f, 2.45f};
    v.ChassisShape.Position = {0, 1.625f, 0.01f};
    v.ChassisShape.Mass = 280;
    v.ChassisActor = {0.5f, 1.0f, 1, 0, {0, 0}};
    v.CentreOfGravity = {0, 0.2f, 0.2f};
    v.WheelCount = 4;
    DefaultQuadWheel(v.Wheels[0], true, -0.8f, 0.8f, 1.6f);
    DefaultQuadWheel(v.Wheels[1], true, 0.8f, 0.8f, 1.6f);
    DefaultQuadWheel(v.Wheels[2], false, -0.8f, 0.59f, -1.5f);
    DefaultQuadWheel(v.Wheels[3], false, 0.8f, 0.59f, -1.5f);
    for (int i = 0; i < 4; ++i)
        v.Wheels[i].Data = &shared.Wheels[i];
}
