// The scene as a whole: start and stop of the engine, scene properties, the step with its
// refresh of the shared records, and the bookkeeping of actors.
#include "KexBridge.h"

#include <BulletCollision/CollisionDispatch/btManifoldResult.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>

namespace kex
{
namespace
{
std::unique_ptr<TBridge> GBridge;

constexpr float kFixedStep = 1.0f / 60.0f;
constexpr int kMaxSubSteps = 8;

bool ValidSceneProperties(const KexSceneProperties& p)
{
    return std::isfinite(p.Scale) && p.Scale > 0 && std::isfinite(p.Gravity) &&
           std::isfinite(p.Restitution) && std::isfinite(p.StaticFriction) &&
           std::isfinite(p.DynamicFriction) && std::isfinite(p.Bounce) &&
           std::isfinite(p.MaxAngularVelocity);
}

float Combine(float a, float b, uint32_t modeA, uint32_t modeB)
{
    // The stronger mode wins: average < minimum < multiply < maximum.
    switch (std::min<uint32_t>(std::max(modeA, modeB), 3))
    {
    case 1:
        return std::min(a, b);
    case 2:
        return a * b;
    case 3:
        return std::max(a, b);
    default:
        return 0.5f * (a + b);
    }
}

btScalar CombinedFriction(const btCollisionObject* a, const btCollisionObject* b)
{
    const KexMaterialProperties& ma = MaterialOf(a).Props;
    const KexMaterialProperties& mb = MaterialOf(b).Props;
    if ((ma.Flags | mb.Flags) & KEX_MATERIAL_TYRE)
        return 0;
    const float f =
        Combine(ma.StaticFriction, mb.StaticFriction, ma.FrictionCombine, mb.FrictionCombine);
    return std::isfinite(f) ? std::max(0.0f, f) : 0.0f;
}

btScalar CombinedRestitution(const btCollisionObject* a, const btCollisionObject* b)
{
    const KexMaterialProperties& ma = MaterialOf(a).Props;
    const KexMaterialProperties& mb = MaterialOf(b).Props;
    const float r =
        Combine(ma.Restitution, mb.Restitution, ma.RestitutionCombine, mb.RestitutionCombine);
    return std::isfinite(r) ? std::clamp(r, 0.0f, 1.0f) : 0.0f;
}

void PreTick(btDynamicsWorld* world, btScalar step)
{
    TBridge* bridge = static_cast<TBridge*>(world->getWorldUserInfo());
    for (const std::unique_ptr<TActor>& actor : bridge->Actors)
        if (actor->Kind == TActorKind::Vehicle && actor->Dynamic)
            ApplyWheelForces(*bridge, *actor, float(step));
}

void PostTick(btDynamicsWorld* world, btScalar)
{
    TBridge* bridge = static_cast<TBridge*>(world->getWorldUserInfo());
    const btScalar limit = bridge->MaxAngularVelocity;
    if (!(limit > 0))
        return;
    for (const std::unique_ptr<TActor>& actor : bridge->Actors)
    {
        if (!actor->Dynamic)
            continue;
        btRigidBody* body = actor->Rigid();
        const btVector3 w = body->getAngularVelocity();
        const btScalar len = w.length();
        if (len > limit)
            body->setAngularVelocity(w * (limit / len));
    }
}

void ApplyMaterialZero(TBridge& bridge, const KexSceneProperties& p)
{
    KexMaterialProperties& m = bridge.DefaultMaterial->Props;
    m.Restitution = p.Restitution;
    m.StaticFriction = p.StaticFriction;
    m.DynamicFriction = p.DynamicFriction;
}

// Engine parameters that follow from the properties. Init and later changes apply the same
// values, so re-applying unchanged properties leaves the simulation as it was.
void ApplyEngineParameters(TBridge& bridge, const KexSceneProperties& p)
{
    const float s = p.Scale;
    bridge.SkinWidth = 0.025f / s;
    bridge.SleepLinearVelocity = 0.15f / s;
    bridge.World->getSolverInfo().m_restitutionVelocityThreshold = std::fabs(p.Bounce);
    bridge.World->setGravity(btVector3(0, -p.Gravity, 0));
    for (const std::unique_ptr<TActor>& actor : bridge.Actors)
        if (actor->Dynamic)
            bridge.ApplyBodySettings(*actor->Rigid());
    ApplyMaterialZero(bridge, p);
}
} // namespace

TBridge* Bridge()
{
    return GBridge.get();
}

void SetBridge(std::unique_ptr<TBridge> bridge)
{
    GBridge = std::move(bridge);
}

btTransform TActor::Pose() const
{
    const btTransform& t = Body->getWorldTransform();
    return btTransform(t.getBasis(), t.getOrigin() - t.getBasis() * ComOffset);
}

void TActor::SetPose(const btTransform& pose)
{
    const btTransform body(pose.getBasis(), pose.getOrigin() + pose.getBasis() * ComOffset);
    Body->setWorldTransform(body);
    if (Dynamic)
    {
        Rigid()->setInterpolationWorldTransform(body);
        if (Rigid()->getMotionState())
            Rigid()->getMotionState()->setWorldTransform(body);
    }
}

void TActor::SetComOffset(const btVector3& offset)
{
    if (!Compound)
        return;
    const btTransform pose = Pose();
    ComOffset = offset;
    Compound->updateChildTransform(
        0, btTransform(btMatrix3x3::getIdentity(), ShapePosition - ComOffset));
    SetPose(pose);
}

TMaterial* TBridge::FindMaterial(const void* handle) const
{
    for (const std::shared_ptr<TMaterial>& m : Materials)
        if (m.get() == handle)
            return m.get();
    return nullptr;
}

const std::shared_ptr<TMaterial>& TBridge::MaterialOrDefault(KexMaterialHandle handle) const
{
    for (const std::shared_ptr<TMaterial>& m : Materials)
        if (m.get() == static_cast<const void*>(handle))
            return m;
    if (handle)
        Report("Unknown material handle: material 0 used");
    return DefaultMaterial;
}

std::shared_ptr<TMaterial> TBridge::MaterialByIndex(int32_t index) const
{
    for (const std::shared_ptr<TMaterial>& m : Materials)
        if (m->Index == index)
            return m;
    return DefaultMaterial;
}

std::shared_ptr<TMesh> TBridge::FindMesh(const void* handle) const
{
    for (const std::shared_ptr<TMesh>& m : Meshes)
        if (m.get() == handle)
            return m;
    return nullptr;
}

void TBridge::ApplyBodySettings(btRigidBody& body) const
{
    body.setGravity(World->getGravity());
    body.setSleepingThresholds(SleepLinearVelocity, body.getAngularSleepingThreshold());
}

void TBridge::AddActor(std::unique_ptr<TActor> actor)
{
    if (actor->Dynamic)
    {
        World->addRigidBody(actor->Rigid());
        ApplyBodySettings(*actor->Rigid());
    }
    else
        World->addCollisionObject(actor->Body.get(), btBroadphaseProxy::StaticFilter,
                                  btBroadphaseProxy::AllFilter ^ btBroadphaseProxy::StaticFilter);
    ActorSet.insert(actor.get());
    Actors.push_back(std::move(actor));
}

void TBridge::RemoveActor(TActor* actor)
{
    if (actor->Dynamic)
        World->removeRigidBody(actor->Rigid());
    else
        World->removeCollisionObject(actor->Body.get());
    ActorSet.erase(actor);
    auto it = std::find_if(Actors.begin(), Actors.end(),
                           [actor](const std::unique_ptr<TActor>& a) { return a.get() == actor; });
    if (it != Actors.end())
        Actors.erase(it);
}

const TMaterial& MaterialOf(const btCollisionObject* object)
{
    static const TMaterial kNone;
    if (object && object->getUserPointer())
        return *static_cast<const TMaterial*>(object->getUserPointer());
    if (GBridge)
        return *GBridge->DefaultMaterial;
    return kNone;
}
} // namespace kex

using namespace kex;

extern "C" KEXPHYSICS_API bool InitKexPhysics(const KexSceneProperties* properties)
{
    SetDebugSink(properties ? properties->DebugSink : nullptr);
    Report("Messages working?");
    if (GBridge)
    {
        // A second start replaces the open scene; nothing of the old one survives.
        Report("InitKexPhysics(): physics already running, restarting");
        CloseKexPhysics();
        SetDebugSink(properties ? properties->DebugSink : nullptr);
    }
    if (!properties || !ValidSceneProperties(*properties))
    {
        Report("InitKexPhysics(): Invalid scene properties");
        return false;
    }

    auto bridge = std::make_unique<TBridge>();
    bridge->Props = *properties;
    bridge->Config = std::make_unique<btDefaultCollisionConfiguration>();
    bridge->Dispatcher = std::make_unique<btCollisionDispatcher>(bridge->Config.get());
    bridge->Broadphase = std::make_unique<btDbvtBroadphase>();
    bridge->Solver = std::make_unique<btSequentialImpulseConstraintSolver>();
    bridge->World = std::make_unique<btDiscreteDynamicsWorld>(
        bridge->Dispatcher.get(), bridge->Broadphase.get(), bridge->Solver.get(),
        bridge->Config.get());
    bridge->World->setInternalTickCallback(PreTick, bridge.get(), true);
    bridge->World->setInternalTickCallback(PostTick, bridge.get(), false);
    bridge->World->getSolverInfo().m_splitImpulse = true;
    bridge->MaxAngularVelocity = properties->MaxAngularVelocity;
    if (properties->RemoteDebug)
        Report("InitKexPhysics(): no remote debugger on this platform");
    ApplyEngineParameters(*bridge, *properties);

    gCalculateCombinedFrictionCallback = CombinedFriction;
    gCalculateCombinedRestitutionCallback = CombinedRestitution;
    GBridge = std::move(bridge);
    return true;
}

extern "C" KEXPHYSICS_API void CloseKexPhysics(void)
{
    if (!GBridge)
        return;
    TBridge& b = *GBridge;
    ReleaseKexTerrain();
    while (!b.Actors.empty())
        b.RemoveActor(b.Actors.front().get());
    b.Meshes.clear();
    b.Materials.clear();
    GBridge.reset();
    // The engine's own rules again, so nothing in it points into this library any more.
    gCalculateCombinedFrictionCallback = &btManifoldResult::calculateCombinedFriction;
    gCalculateCombinedRestitutionCallback = &btManifoldResult::calculateCombinedRestitution;
}

extern "C" KEXPHYSICS_API void SetKexSceneProperties(const KexSceneProperties* properties)
{
    if (!GBridge || !properties)
        return;
    if (!ValidSceneProperties(*properties))
    {
        Report("SetKexSceneProperties(): Invalid scene properties");
        return;
    }
    // The maximum angular velocity and the remote debugger are start-up settings.
    const float maxAngular = GBridge->Props.MaxAngularVelocity;
    GBridge->Props = *properties;
    GBridge->Props.MaxAngularVelocity = maxAngular;
    SetDebugSink(properties->DebugSink);
    ApplyEngineParameters(*GBridge, *properties);
}

extern "C" KEXPHYSICS_API bool PerformKexPhysics(float dt)
{
    if (!GBridge)
        return false;
    TBridge& b = *GBridge;
    if (!std::isfinite(dt) || dt < 0)
    {
        Report("PerformKexPhysics() failed!");
        return false;
    }
    b.LastDelta = dt;
    try
    {
        b.World->stepSimulation(dt, kMaxSubSteps, kFixedStep);
        for (const std::unique_ptr<TActor>& actor : b.Actors)
        {
            if (!actor->Dynamic || !actor->Body->isActive() || !actor->Record)
                continue;
            const int32_t type = *static_cast<const int32_t*>(actor->Record);
            if (type == KexRecordVehicle)
            {
                if (actor->Kind == TActorKind::Vehicle)
                    RefreshVehicleRecord(b, *actor, dt);
                else
                    Report("dll.UpdateVehicleSharedData(): Invalid vehicle for update shared "
                           "data!");
            }
            else if (type == KexRecordObject)
            {
                // The vehicle record has the same head, so this is safe for either kind.
                auto* rec = static_cast<PhysXObjectSharedData*>(actor->Record);
                rec->Pose = ToPose(actor->Pose());
                rec->Updated = 1;
            }
            else
                Report("Processing unknown actor type: actor[0x%" PRIxPTR "], Type[0x%x]",
                       reinterpret_cast<uintptr_t>(actor.get()), unsigned(type));
        }
    }
    catch (...)
    {
        Report("PerformKexPhysics() failed!");
        return false;
    }
    return true;
}
