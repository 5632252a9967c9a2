// Actors with one shape: scene objects, trigger volumes and the vehicle chassis.
#include "KexBridge.h"

#include <cmath>

using namespace kex;

namespace
{
constexpr float kPi = 3.14159265358979f;

bool Positive(float v)
{
    return std::isfinite(v) && v > 0;
}

// The damping the engine applies per second for a rate given as 1/s.
btScalar DampingFactor(float rate)
{
    if (!std::isfinite(rate) || rate <= 0)
        return 0;
    return btScalar(1.0 - std::exp(-double(rate)));
}
} // namespace

namespace kex
{
std::unique_ptr<TActor> CreateShapeActor(const KexCreateShapeProperties& s,
                                         const KexCreateActorProperties& a)
{
    TBridge* b = Bridge();
    if (!b)
        return nullptr;
    auto actor = std::make_unique<TActor>();
    btCollisionShape* shape = nullptr;
    float volume = 0;
    btVector3 meshCentre(0, 0, 0);
    switch (s.Type)
    {
    case KexShapeBall:
        if (!Positive(s.Size.x))
            return nullptr;
        actor->OwnShape = std::make_unique<btSphereShape>(s.Size.x);
        volume = 4.0f / 3.0f * kPi * s.Size.x * s.Size.x * s.Size.x;
        break;
    case KexShapeCube:
        if (!Positive(s.Size.x) || !Positive(s.Size.y) || !Positive(s.Size.z))
            return nullptr;
        actor->OwnShape = std::make_unique<btBoxShape>(ToVector(s.Size));
        volume = 8 * s.Size.x * s.Size.y * s.Size.z;
        break;
    case KexShapeTube:
        if (!Positive(s.Size.x) || !(s.Size.y >= 0) || !std::isfinite(s.Size.y))
            return nullptr;
        actor->OwnShape = std::make_unique<btCapsuleShape>(s.Size.x, 2 * s.Size.y);
        volume = kPi * s.Size.x * s.Size.x * (2 * s.Size.y + 4.0f / 3.0f * s.Size.x);
        break;
    case KexShapeConvexMesh:
    case KexShapeTriangleMesh:
    {
        actor->Mesh = b->FindMesh(s.Mesh);
        if (!actor->Mesh || actor->Mesh->Convex != (s.Type == KexShapeConvexMesh))
            return nullptr;
        shape = actor->Mesh->Shape.get();
        btVector3 lo, hi;
        shape->getAabb(btTransform::getIdentity(), lo, hi);
        const btVector3 e = hi - lo;
        volume = float(e.x() * e.y() * e.z());
        meshCentre = actor->Mesh->Centre;
        break;
    }
    default: // wheels are made only on a vehicle
        return nullptr;
    }
    if (!shape)
        shape = actor->OwnShape.get();
    if (!IsFinite(s.Position))
        return nullptr;

    // Triangle meshes cannot move; such an actor stays static.
    actor->Dynamic = a.Dynamic && Positive(a.Density) && s.Type != KexShapeTriangleMesh;
    actor->Material = b->MaterialOrDefault(s.Material);
    actor->ShapePosition = ToVector(s.Position);
    actor->ComOffset = actor->ShapePosition + (actor->Dynamic ? meshCentre : btVector3(0, 0, 0));

    float mass = 0;
    if (actor->Dynamic)
    {
        mass = s.Type == KexShapeConvexMesh && Positive(s.Mass) ? s.Mass : a.Density * volume;
        if (!Positive(mass))
            mass = 1;
    }
    actor->ShapeMass = mass;

    btCollisionShape* bodyShape = shape;
    if (actor->Dynamic && (actor->ShapePosition - actor->ComOffset).length2() > 0)
    {
        actor->Compound = std::make_unique<btCompoundShape>(false, 1);
        actor->Compound->addChildShape(
            btTransform(btMatrix3x3::getIdentity(), actor->ShapePosition - actor->ComOffset),
            shape);
        bodyShape = actor->Compound.get();
    }
    btVector3 inertia(0, 0, 0);
    if (actor->Dynamic)
        shape->calculateLocalInertia(mass, inertia);
    btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, bodyShape, inertia);
    info.m_angularDamping = DampingFactor(a.AngularDamping);
    info.m_friction = actor->Material->Props.StaticFriction;
    info.m_restitution = actor->Material->Props.Restitution;
    auto body = std::make_unique<btRigidBody>(info);
    body->setUserPointer(actor->Material.get());
    if (a.Trigger)
        body->setCollisionFlags(body->getCollisionFlags() |
                                btCollisionObject::CF_NO_CONTACT_RESPONSE);
    actor->Body = std::move(body);
    return actor;
}

// Makes the body of a chassis carry its shape through a compound, so that the centre of mass
// can move later without moving the shape.
void UseCompound(TActor& actor)
{
    if (actor.Compound || !actor.Dynamic)
        return;
    btCollisionShape* shape = actor.Mesh ? actor.Mesh->Shape.get() : actor.OwnShape.get();
    actor.Compound = std::make_unique<btCompoundShape>(false, 1);
    actor.Compound->addChildShape(
        btTransform(btMatrix3x3::getIdentity(), actor.ShapePosition - actor.ComOffset), shape);
    actor.Body->setCollisionShape(actor.Compound.get());
}
} // namespace kex

extern "C" KEXPHYSICS_API bool CreateKexObject(const KexCreateObjectProperties* p)
{
    TBridge* b = Bridge();
    if (!b)
        return false;
    std::unique_ptr<TActor> actor;
    if (p && p->Shared && IsFinite(p->Shared->Pose))
        actor = CreateShapeActor(p->Shape, p->Actor);
    if (!actor)
    {
        Report("Object failed!");
        return false;
    }
    PhysXObjectSharedData* rec = p->Shared;
    actor->Record = rec;
    actor->SetPose(ToTransform(rec->Pose));
    rec->Actor = reinterpret_cast<KexActorHandle>(actor.get());
    b->AddActor(std::move(actor));
    return true;
}

extern "C" KEXPHYSICS_API void ResetKexObject(KexActorHandle handle)
{
    TBridge* b = Bridge();
    if (!b || !b->HasActor(handle))
        return;
    TActor* actor = reinterpret_cast<TActor*>(handle);
    if (!actor->Record)
        return;
    const KexPose& pose = static_cast<const PhysXObjectSharedData*>(actor->Record)->Pose;
    if (!IsFinite(pose))
    {
        Report("ResetKexObject(): Invalid pose");
        return;
    }
    actor->SetPose(ToTransform(pose));
    if (actor->Dynamic)
    {
        btRigidBody* body = actor->Rigid();
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        body->clearForces();
        body->activate(true);
    }
    b->World->getBroadphase()->getOverlappingPairCache()->cleanProxyFromPairs(
        actor->Body->getBroadphaseHandle(), b->World->getDispatcher());
    b->World->updateSingleAabb(actor->Body.get());
}

extern "C" KEXPHYSICS_API bool RemoveKexObject(KexActorHandle handle)
{
    TBridge* b = Bridge();
    if (!b || !b->HasActor(handle))
        return false;
    b->RemoveActor(reinterpret_cast<TActor*>(handle));
    return true;
}

extern "C" KEXPHYSICS_API bool CreateKexRagDoll(const KexRagDollDesc* desc)
{
    // Rag dolls are not built yet.
    return false;
}
