// Wheels: the tyre function, the suspension ray and the forces a wheel puts on its chassis.
//
// Each wheel hangs from its mount point (its centre in the chassis frame) and looks down the
// chassis' -Y axis with a ray of length radius + travel. A hit compresses a spring-damper; the
// suspension force is the wheel's load. Both tyre forces are load x stiffness x f(slip), with the
// stiffness factor counted in millionths (1e6 makes f the friction coefficient). Slips are
// velocities: longitudinal slip = axle speed x radius - ground speed along the wheel, lateral
// slip = ground speed across it. Forces are solved implicitly over each substep against the
// mass the contact point moves, so that even very stiff tyres never push the slip past zero.
#include "KexBridge.h"

#include <algorithm>
#include <cmath>

namespace kex
{
namespace
{
constexpr float kStiffnessUnit = 1.0e6f;

btMatrix3x3 RotY(float a)
{
    const btScalar c = std::cos(a), s = std::sin(a);
    return btMatrix3x3(c, 0, s, 0, 1, 0, -s, 0, c);
}

// Inverse moment of inertia of a wheel about its axle (a solid disc).
float InverseAxleInertia(const TWheel& w)
{
    return 2.0f * w.InverseMass / (w.Radius * w.Radius);
}

// The force magnitude F that a tyre gives at slip speed |slip| when F itself, acting for dt
// on the effective mass m, reduces the slip: F = load * k * f(|slip| - dt * F / m).
float SolveTyre(const KexTireFunction& f, float load, float slip, float m, float dt)
{
    if (!(load > 0) || !(m > 0) || slip == 0 || !IsValidTireFunction(f))
        return 0;
    const float k = load * f.StiffnessFactor / kStiffnessUnit;
    const float a = std::fabs(slip);
    float lo = 0, hi = m * a / dt; // hi stops the slip within this substep
    for (int i = 0; i < 16; ++i)
    {
        const float mid = 0.5f * (lo + hi);
        if (mid - k * TireFunction(f, a - dt * mid / m) < 0)
            lo = mid;
        else
            hi = mid;
    }
    const float force = 0.5f * (lo + hi);
    return slip < 0 ? -force : force;
}

void SpinFree(TWheel& w, float dt)
{
    const float invI = InverseAxleInertia(w);
    w.AxleSpeed += dt * w.MotorTorque * invI;
    const float stop = dt * std::max(0.0f, w.BrakeTorque) * invI;
    if (std::fabs(w.AxleSpeed) <= stop)
        w.AxleSpeed = 0;
    else
        w.AxleSpeed -= std::copysign(stop, w.AxleSpeed);
}

btScalar EffectiveMass(const btRigidBody& body, const btVector3& rel, const btVector3& dir)
{
    const btScalar d = body.computeImpulseDenominator(body.getCenterOfMassPosition() + rel, dir);
    return d > 0 ? 1 / d : 0;
}

struct TRayCallback : btCollisionWorld::ClosestRayResultCallback
{
    const btCollisionObject* Self;
    TRayCallback(const btVector3& from, const btVector3& to, const btCollisionObject* self)
        : ClosestRayResultCallback(from, to), Self(self)
    {
    }
    bool needsCollision(btBroadphaseProxy* proxy) const override
    {
        const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        if (object == Self || !object->hasContactResponse())
            return false;
        return ClosestRayResultCallback::needsCollision(proxy);
    }
};
} // namespace

bool IsValidTireFunction(const KexTireFunction& f)
{
    return f.ExtremumSlip > 0 && f.AsymptoteSlip > f.ExtremumSlip && f.ExtremumValue > 0 &&
           f.AsymptoteValue > 0 && f.StiffnessFactor >= 0 && std::isfinite(f.AsymptoteSlip) &&
           std::isfinite(f.ExtremumValue) && std::isfinite(f.AsymptoteValue) &&
           std::isfinite(f.StiffnessFactor);
}

float TireFunction(const KexTireFunction& f, float x)
{
    if (!IsValidTireFunction(f) || std::isnan(x))
        return 0;
    const float s = std::fabs(x);
    float y;
    if (s < f.ExtremumSlip)
    {
        const float t = s / f.ExtremumSlip;
        y = f.ExtremumValue * (-t * t * t + t * t + t);
    }
    else if (s < f.AsymptoteSlip)
    {
        const float t = (s - f.ExtremumSlip) / (f.AsymptoteSlip - f.ExtremumSlip);
        const float v = f.AsymptoteValue - f.ExtremumValue;
        y = -2 * v * t * t * t + 3 * v * t * t + f.ExtremumValue;
    }
    else
        y = f.AsymptoteValue;
    return x < 0 ? -y : y;
}

TWheelContact CastWheel(const TBridge& bridge, const TActor& vehicle, const TWheel& wheel)
{
    TWheelContact contact;
    const btTransform pose = vehicle.Pose();
    const btVector3 from = pose * wheel.Centre;
    const btVector3 down = -pose.getBasis().getColumn(1);
    const float length = wheel.Radius + wheel.Travel;
    const btVector3 to = from + down * length;
    TRayCallback ray(from, to, vehicle.Body.get());
    bridge.World->rayTest(from, to, ray);
    if (!ray.hasHit())
        return contact;
    contact.Hit = true;
    contact.Point = ray.m_hitPointWorld;
    contact.Normal = ray.m_hitNormalWorld.fuzzyZero() ? -down : ray.m_hitNormalWorld.normalized();
    contact.Distance = float(ray.m_closestHitFraction) * length;
    contact.Other = ray.m_collisionObject;
    return contact;
}

void ApplyWheelForces(TBridge& bridge, TActor& vehicle, float dt)
{
    btRigidBody& body = *vehicle.Rigid();
    if (body.getInvMass() == 0 || vehicle.Wheels.empty() || !(dt > 0))
        return;
    const btTransform pose = vehicle.Pose();
    const btVector3 up = pose.getBasis().getColumn(1);
    const btVector3 down = -up;
    const btVector3 com = body.getCenterOfMassPosition();

    struct TImpulse
    {
        btVector3 Impulse{0, 0, 0};
        btVector3 Rel{0, 0, 0};
        btRigidBody* Other = nullptr;
        btVector3 Point{0, 0, 0};
    };
    TImpulse impulses[4];
    TWheelContact contacts[4];
    int grounded = 0;
    const size_t count = std::min<size_t>(vehicle.Wheels.size(), 4);
    for (size_t i = 0; i < count; ++i)
    {
        contacts[i] = CastWheel(bridge, vehicle, *vehicle.Wheels[i]);
        grounded += contacts[i].Hit;
    }

    for (size_t i = 0; i < count; ++i)
    {
        TWheel& w = *vehicle.Wheels[i];
        const TWheelContact& c = contacts[i];
        if (!c.Hit)
        {
            SpinFree(w, dt);
            w.LateralSlip = w.LongitudinalSlip = 0;
            continue;
        }
        const btVector3 rel = c.Point - com;
        btRigidBody* other = const_cast<btRigidBody*>(btRigidBody::upcast(c.Other));
        if (other && other->getInvMass() == 0)
            other = nullptr;
        btVector3 v = body.getVelocityInLocalPoint(rel);
        if (other)
            v -= other->getVelocityInLocalPoint(c.Point - other->getCenterOfMassPosition());

        // Suspension: spring on the compression, damper on its rate; a hard stop once the
        // wheel is pushed past the top of its travel.
        const float compression = w.Radius + w.Travel - c.Distance;
        const float closing = float(v.dot(down));
        float impulse = std::max(0.0f, w.Spring * compression + w.Damper * closing) * dt;
        // The ground pushes back along its normal, so a tilted chassis does not creep.
        const btVector3& n = c.Normal;
        if (c.Distance < w.Radius)
        {
            const float mUp = float(EffectiveMass(body, rel, n));
            const float target = float(-v.dot(n)) + 0.2f * (w.Radius - c.Distance) / dt;
            impulse = std::max(impulse, target * mUp);
        }
        const float load = impulse / dt;
        btVector3 total = n * impulse;

        // Tyres, in the ground plane.
        const btMatrix3x3 basis = pose.getBasis() * RotY(w.InitialSteer + w.SteerAngle);
        btVector3 forward = basis.getColumn(2), axle = basis.getColumn(0);
        forward -= n * n.dot(forward);
        axle -= n * n.dot(axle);
        if (forward.length2() > 1e-8f && axle.length2() > 1e-8f)
        {
            forward.normalize();
            axle.normalize();
            const float vLong = float(v.dot(forward));
            const float vLat = float(v.dot(axle));
            const float share = 1.0f / float(std::max(grounded, 1));
            const float mLong = float(EffectiveMass(body, rel, forward)) * share;
            const float mLat = float(EffectiveMass(body, rel, axle)) * share;

            const float invI = InverseAxleInertia(w);
            const float reduced = 1.0f / (w.Radius * w.Radius * invI + (mLong > 0 ? 1 / mLong : 0));
            const float brake = std::max(0.0f, w.BrakeTorque);
            const float spin = w.AxleSpeed * w.Radius - vLong;
            // Held by its brake, the wheel stays locked and the tyre works on the chassis alone.
            float fLong = 0, slip = 0;
            bool locked = false;
            float fLock = 0;
            if (brake > 0)
            {
                fLock = SolveTyre(w.Longitudinal, load, -vLong, mLong, dt);
                const float hold = -w.AxleSpeed / (invI * dt) - w.MotorTorque + fLock * w.Radius;
                locked = std::fabs(hold) <= brake;
            }
            if (!locked)
            {
                // Free wheel first; with a brake, it then acts against the way the wheel turns.
                float torque = w.MotorTorque;
                fLong = SolveTyre(w.Longitudinal, load, spin + dt * torque * w.Radius * invI,
                                  reduced, dt);
                float axle = w.AxleSpeed + dt * (torque - fLong * w.Radius) * invI;
                if (brake > 0)
                {
                    const float direction = axle < 0 ? -1.0f : 1.0f;
                    torque -= direction * brake;
                    fLong = SolveTyre(w.Longitudinal, load, spin + dt * torque * w.Radius * invI,
                                      reduced, dt);
                    axle = w.AxleSpeed + dt * (torque - fLong * w.Radius) * invI;
                    locked = axle * direction < 0;
                }
                if (!locked)
                {
                    w.AxleSpeed = axle;
                    slip = axle * w.Radius - vLong + dt * fLong / std::max(mLong, 1e-6f);
                }
            }
            if (locked)
            {
                fLong = fLock;
                w.AxleSpeed = 0;
                slip = -vLong + dt * fLong / std::max(mLong, 1e-6f);
            }
            const float fLat = -SolveTyre(w.Lateral, load, vLat, mLat, dt);

            w.LongitudinalSlip = slip;
            w.LateralSlip = vLat;
            total += (forward * fLong + axle * fLat) * dt;
        }
        else
            SpinFree(w, dt);

        if (std::isfinite(float(total.length2())))
            impulses[i] = {total, rel, other, c.Point};
    }
    // Every wheel worked from the same state; the impulses go on together.
    for (size_t i = 0; i < count; ++i)
    {
        const TImpulse& j = impulses[i];
        if (j.Impulse.fuzzyZero())
            continue;
        body.applyImpulse(j.Impulse, j.Rel);
        if (j.Other)
            j.Other->applyImpulse(-j.Impulse, j.Point - j.Other->getCenterOfMassPosition());
    }
}

void RefreshVehicleRecord(TBridge& bridge, TActor& vehicle, float dt)
{
    auto* rec = static_cast<PhysXVehicleSharedData*>(vehicle.Record);
    const btRigidBody& body = *vehicle.Rigid();
    const btVector3 angular = body.getAngularVelocity();
    const btVector3 linear = body.getLinearVelocity();
    const btTransform pose = vehicle.Pose();
    if (!std::isfinite(float(angular.length2())))
    {
        Report("dll.UpdateVehicleSharedData(): Invalid ang. vel.");
        const auto v3 = [](const char* label, const KexVec3& v)
        { Report("%s %f,%f,%f", label, double(v.x), double(v.y), double(v.z)); };
        v3("Ang. Vel.", rec->AngularVelocity);
        v3("Lin. Vel.", rec->LinearVelocity);
        v3("Bal. Force.", rec->BalanceForce);
        v3("Bal. Pos.", rec->BalancePoint);
        Report("Wheels. %d", rec->WheelCount);
        v3("Pose t", rec->Pose.t);
        for (int r = 0; r < 3; ++r)
            v3("Pose M", {rec->Pose.M[r][0], rec->Pose.M[r][1], rec->Pose.M[r][2]});
        v3("New Ang. Vel.", ToVec3(angular));
        v3("New Lin. Vel.", ToVec3(linear));
        const KexPose now = ToPose(pose);
        v3("New Pose t", now.t);
        for (int r = 0; r < 3; ++r)
            v3("New Pose M", {now.M[r][0], now.M[r][1], now.M[r][2]});
    }
    if (!std::isfinite(float(linear.length2())))
        Report("dll.UpdateVehicleSharedData(): Invalid lin. vel.");

    rec->Pose = ToPose(pose);
    rec->LinearVelocity = ToVec3(linear);
    rec->AngularVelocity = ToVec3(angular);

    constexpr float kTwoPi = 6.28318530717959f;
    const btVector3 down = -pose.getBasis().getColumn(1);
    for (const std::unique_ptr<TWheel>& wp : vehicle.Wheels)
    {
        TWheel& w = *wp;
        PhysXWheelData& d = *w.Data;
        const float a = w.AxleSpeed;
        float roll = d.Roll + a * dt;
        roll = std::isfinite(roll) ? std::fmod(roll, kTwoPi) : 0.0f;
        d.Roll = roll;
        d.AxleSpeed = a;

        btTransform p(pose.getBasis() * RotY(w.InitialSteer), pose * w.Centre);
        const TWheelContact c = CastWheel(bridge, vehicle, w);
        // The drawn wheel turns with its steer about the chassis' own up axis and rolls about
        // its axle, in the air as on the ground.
        btMatrix3x3 spin;
        spin.setEulerZYX(roll, 0, 0);
        const btMatrix3x3 rotation = p.getBasis() * RotY(w.SteerAngle) * spin;
        if (c.Hit)
        {
            d.OnGround = 1;
            d.ContactPoint = ToVec3(c.Point);
            d.LateralSlip = w.LateralSlip;
            d.LongitudinalSlip = w.LongitudinalSlip;
            p.setOrigin(c.Point - down * w.Radius);
            d.Suspension = w.Travel > 0 ? std::clamp((c.Distance - w.Radius) / w.Travel, 0.0f, 1.0f)
                                        : (c.Distance > w.Radius ? 1.0f : 0.0f);
        }
        else
        {
            d.OnGround = 0;
            d.LateralSlip = d.LongitudinalSlip = 0;
            p.setOrigin(p.getOrigin() + down * w.Travel);
            d.Suspension = 1;
        }
        p.setBasis(rotation);
        d.Pose = ToPose(p);
    }
}
} // namespace kex

using namespace kex;

extern "C" KEXPHYSICS_API bool GetTireFnCurve(KexGraphPoint* points, int32_t count,
                                              const KexTireFnProperties* function, float maxSlip)
{
    if (!points || !function || count <= 0 || !std::isfinite(maxSlip))
        return false;
    KexTireFunction f;
    f.ExtremumSlip = function->ExtremumSlip;
    f.ExtremumValue = function->ExtremumValue;
    f.AsymptoteSlip = function->AsymptoteSlip;
    f.AsymptoteValue = function->AsymptoteValue;
    f.StiffnessFactor = function->StiffnessFactor;
    if (!IsValidTireFunction(f))
        return false;
    const float step = maxSlip / float(count);
    for (int32_t i = 0; i < count; ++i)
    {
        const float x = float(i) * step;
        points[i] = {x, TireFunction(f, x)};
    }
    return true;
}
