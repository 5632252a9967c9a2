// The vehicle: a chassis actor with up to four wheels, driven through its shared record.
#include "KexBridge.h"

#include <algorithm>
#include <cmath>

using namespace kex;

namespace
{
constexpr float kDegrees = 3.14159265358979f / 180.0f;

bool FiniteNumber(float v)
{
    return std::isfinite(v);
}

PhysXWheelData* WheelRecord(const KexWheelProperties& w, PhysXVehicleSharedData* rec, size_t i)
{
    return w.Data ? w.Data : &rec->Wheels[i];
}

void ApplyWheelSettings(TBridge& b, TWheel& wheel, const KexWheelProperties& w)
{
    if (FiniteNumber(w.Spring) && w.Spring >= 0)
        wheel.Spring = w.Spring;
    if (FiniteNumber(w.Damper) && w.Damper >= 0)
        wheel.Damper = w.Damper;
    if (FiniteNumber(w.Travel) && w.Travel >= 0)
        wheel.Travel = w.Travel;
    wheel.Lateral = w.Lateral;
    wheel.Longitudinal = w.Longitudinal;
    if (w.Material)
        wheel.Material = b.MaterialOrDefault(w.Material);
    // A wheel without a sensible mass spins as one of unit mass.
    wheel.InverseMass = FiniteNumber(w.Mass) && w.Mass > 0 ? 1.0f / w.Mass : 1.0f;
}

std::unique_ptr<TWheel> CreateWheel(TBridge& b, TActor& vehicle, const KexWheelProperties& w,
                                    PhysXWheelData* data)
{
    if (!IsFinite(w.Centre) || !FiniteNumber(w.Radius) || w.Radius <= 0 ||
        !FiniteNumber(w.Travel) || w.Travel < 0 || !FiniteNumber(w.InitialSteer))
    {
        Report("Failed to create wheel");
        return nullptr;
    }
    auto wheel = std::make_unique<TWheel>();
    wheel->Vehicle = &vehicle;
    wheel->Data = data;
    wheel->Centre = ToVector(w.Centre);
    wheel->InitialSteer = w.InitialSteer * kDegrees;
    wheel->Radius = w.Radius;
    wheel->Material = b.MaterialOrDefault(w.Material);
    ApplyWheelSettings(b, *wheel, w);
    return wheel;
}

// Sets the chassis mass, keeping the inertia of its shape.
void SetChassisMass(TActor& actor, float mass)
{
    btRigidBody* body = actor.Rigid();
    btVector3 inertia(0, 0, 0);
    btCollisionShape* shape = actor.Mesh ? actor.Mesh->Shape.get() : actor.OwnShape.get();
    shape->calculateLocalInertia(mass, inertia);
    body->setMassProps(mass, inertia);
    body->updateInertiaTensor();
}

TActor* FindVehicle(TBridge& b, KexActorHandle handle)
{
    if (!b.HasActor(handle))
        return nullptr;
    TActor* actor = reinterpret_cast<TActor*>(handle);
    return actor->Kind == TActorKind::Vehicle ? actor : nullptr;
}

// A non-finite input is reported; the engine gets 0 in its place.
float CheckedInput(float& value, const char* nanText, const char* infText, bool clearNan)
{
    if (std::isnan(value))
    {
        Report("%s", nanText);
        if (clearNan)
            value = 0;
        return 0;
    }
    if (std::isinf(value))
    {
        Report("%s", infText);
        return 0;
    }
    return value;
}
} // namespace

extern "C" KEXPHYSICS_API bool CreateKexVehicle(const KexCreateVehicleProperties* p)
{
    TBridge* b = Bridge();
    if (!b || !p || !p->Shared || !IsFinite(p->Shared->Pose))
        return false;
    if (p->WheelCount > 4)
    {
        Report("dll.CreateKexVehicle(): Invalid wheel count [%u]", p->WheelCount);
        return false;
    }
    std::unique_ptr<TActor> actor = CreateShapeActor(p->ChassisShape, p->ChassisActor);
    if (!actor)
        return false;
    PhysXVehicleSharedData* rec = p->Shared;
    actor->Kind = TActorKind::Vehicle;
    actor->Record = rec;
    b->LastVehicle = actor.get();
    b->LastVehicleRecord = rec;
    rec->Actor = reinterpret_cast<KexActorHandle>(actor.get());

    if (actor->Dynamic)
    {
        btRigidBody* body = actor->Rigid();
        const KexVec3& locks = p->RotationLocks;
        body->setAngularFactor(
            btVector3(locks.x > 0 ? 0 : 1, locks.y > 0 ? 0 : 1, locks.z > 0 ? 0 : 1));
        UseCompound(*actor);
        if (IsFinite(p->CentreOfGravity))
            actor->SetComOffset(ToVector(p->CentreOfGravity));
        if (p->WakeCounter >= 1.0e10f)
            body->setActivationState(DISABLE_DEACTIVATION);
        else
            body->activate(true);
    }
    actor->SetPose(ToTransform(rec->Pose));

    float wheelMass = 0;
    std::vector<std::unique_ptr<TWheel>> wheels;
    for (int i = int(p->WheelCount) - 1; i >= 0; --i)
    {
        const KexWheelProperties& w = p->Wheels[i];
        PhysXWheelData* data = WheelRecord(w, rec, size_t(i));
        std::unique_ptr<TWheel> wheel = CreateWheel(*b, *actor, w, data);
        data->Shape = reinterpret_cast<KexShapeHandle>(wheel.get());
        if (wheel)
        {
            if (FiniteNumber(w.Mass) && w.Mass > 0)
                wheelMass += w.Mass / 2;
            actor->Wheels.push_back(std::move(wheel));
        }
    }
    if (actor->Dynamic && wheelMass > 0)
        SetChassisMass(*actor, actor->ShapeMass + wheelMass);
    b->AddActor(std::move(actor));
    return true;
}

extern "C" KEXPHYSICS_API void SetKexVehicleProperties(KexActorHandle handle,
                                                       const KexCreateVehicleProperties* p)
{
    TBridge* b = Bridge();
    if (!b)
        return;
    TActor* actor = FindVehicle(*b, handle);
    if (!actor || !p)
    {
        Report("dll.SetKexVehicleProperties(): Vehicle doesn't exist");
        return;
    }
    const float damping = p->ChassisActor.AngularDamping;
    const float mass = p->ChassisShape.Mass;
    if (std::isnan(damping))
        Report("dll.SetKexVehicleProperties(): Invalid Angular Damping");
    if (std::isnan(mass))
        Report("dll.SetKexVehicleProperties(): Invalid Chassis mass");
    if (!IsFinite(p->CentreOfGravity))
        Report("dll.SetKexVehicleProperties(): Invalid C of G");
    // Invalid values are reported and left out; the rest still applies.
    if (actor->Dynamic)
    {
        btRigidBody* body = actor->Rigid();
        if (FiniteNumber(damping))
            body->setDamping(body->getLinearDamping(),
                             damping > 0 ? btScalar(1.0 - std::exp(-double(damping))) : 0);
        if (FiniteNumber(mass) && mass > 0)
            SetChassisMass(*actor, mass);
        if (IsFinite(p->CentreOfGravity))
            actor->SetComOffset(ToVector(p->CentreOfGravity));
        body->activate(true);
    }

    auto* rec = static_cast<PhysXVehicleSharedData*>(actor->Record);
    const uint32_t count = std::min<uint32_t>(p->WheelCount, 4);
    for (uint32_t i = 0; i < count; ++i)
    {
        const KexWheelProperties& w = p->Wheels[i];
        const PhysXWheelData* data = WheelRecord(w, rec, i);
        TWheel* wheel = nullptr;
        for (const std::unique_ptr<TWheel>& candidate : actor->Wheels)
            if (static_cast<const void*>(candidate.get()) == data->Shape)
                wheel = candidate.get();
        if (!wheel)
        {
            Report("dll.SetKexVehicleProperties(): Invalid vehicle wheel.");
            continue;
        }
        ApplyWheelSettings(*b, *wheel, w);
    }
}

extern "C" KEXPHYSICS_API void UpdateKexVehicle(KexActorHandle handle)
{
    TBridge* b = Bridge();
    if (!b)
        return;
    if (!handle)
    {
        Report("dll.UpdateKexVehicle(): Vehicle is null");
        return;
    }
    if (static_cast<const void*>(handle) != b->LastVehicle)
    {
        Report("dll.UpdateKexVehicle(): Vehicle pointer mismatch.");
        return;
    }
    TActor* actor = FindVehicle(*b, handle);
    if (!actor)
    {
        Report("dll.UpdateKexVehicle(): Vehicle doesn't exist.");
        return;
    }
    auto* rec = static_cast<PhysXVehicleSharedData*>(actor->Record);
    if (!rec || !IsFinite(rec->AngularVelocity))
        Report("dll.UpdateKexVehicle(): Invalid angular velocity! Updating vehicle");
    if (!rec || !actor->Dynamic)
        return;

    btRigidBody* body = actor->Rigid();
    bool wake = false;
    if (IsFinite(rec->BalancePoint) && IsFinite(rec->BalanceForce))
    {
        const btVector3 force = ToVector(rec->BalanceForce);
        if (!force.fuzzyZero())
        {
            body->applyForce(force, ToVector(rec->BalancePoint));
            wake = true;
        }
    }
    else
        Report("dll.UpdateKexVehicle(): Balance force out of bounds!");

    for (const std::unique_ptr<TWheel>& wheel : actor->Wheels)
    {
        PhysXWheelData& w = *wheel->Data;
        wheel->BrakeTorque = CheckedInput(w.BrakeTorque, "dll.UpdateKexVehicle(): Brake torque NaN",
                                          "dll.UpdateKexVehicle(): Brake torque INFINITY", true);
        wheel->MotorTorque =
            CheckedInput(w.MotorTorque, "dll.UpdateKexVehicle(): Engine torque NaN",
                         "dll.UpdateKexVehicle(): Engine torque INFINITY", true);
        wheel->SteerAngle = CheckedInput(w.SteerAngle, "dll.UpdateKexVehicle(): Steer angle NaN",
                                         "dll.UpdateKexVehicle(): Steer angle INFINITY", false);
        wake = wake || wheel->MotorTorque != 0 || wheel->BrakeTorque != 0;
    }
    if (wake)
        body->activate(true);
}

extern "C" KEXPHYSICS_API bool RemoveKexVehicle(KexActorHandle handle)
{
    TBridge* b = Bridge();
    if (!b || !b->HasActor(handle))
        return false;
    b->RemoveActor(reinterpret_cast<TActor*>(handle));
    return true;
}
