// The bridge's inside: the one scene with its actors, meshes, materials, terrain and vehicles.
// Every export finds this state through Bridge(); it is null while the bridge is closed.
#pragma once

#include "KexPhysics.h"

#include <BulletCollision/CollisionShapes/btHeightfieldTerrainShape.h>
#include <btBulletDynamicsCommon.h>

#include <memory>
#include <unordered_set>
#include <vector>

namespace kex
{
// A material of the scene. Index 0 is the scene's default material, owned by the bridge.
struct TMaterial
{
    KexMaterialProperties Props{};
    int32_t Index = 0;
};

// A cooked mesh: our own copy of the data and the collision shape made from it.
struct TMesh
{
    bool Convex = false;
    std::vector<btScalar> Vertices; // x, y, z
    std::vector<int32_t> Indices;   // three per triangle
    std::unique_ptr<btTriangleIndexVertexArray> Arrays;
    std::unique_ptr<btCollisionShape> Shape;
    btVector3 Centre{0, 0, 0}; // centre of the bounding box
};

struct TActor;

// One wheel on a vehicle chassis: a suspension ray, a spinning axle and two tyre functions.
struct TWheel
{
    TActor* Vehicle = nullptr;
    PhysXWheelData* Data = nullptr;
    btVector3 Centre{0, 0, 0}; // chassis frame: top of the suspension travel
    float InitialSteer = 0;    // radians
    float Radius = 0.5f;
    float Travel = 0.5f;
    float Spring = 0;
    float Damper = 0;
    float InverseMass = 1;
    KexTireFunction Longitudinal{};
    KexTireFunction Lateral{};
    std::shared_ptr<TMaterial> Material;
    // Inputs, set by UpdateKexVehicle.
    float SteerAngle = 0;
    float MotorTorque = 0;
    float BrakeTorque = 0;
    // State.
    float AxleSpeed = 0;
    float LateralSlip = 0;
    float LongitudinalSlip = 0;
};

// One contact of a suspension ray with the world.
struct TWheelContact
{
    bool Hit = false;
    btVector3 Point{0, 0, 0};
    btVector3 Normal{0, 1, 0};
    float Distance = 0; // from the wheel's mount point along the suspension
    const btCollisionObject* Other = nullptr;
};

enum class TActorKind
{
    Object,
    Vehicle,
};

// An actor: one rigid body (or static object) carrying one shape, the caller's shared record
// as its user data, and, for a vehicle, its wheels.
struct TActor
{
    TActorKind Kind = TActorKind::Object;
    std::unique_ptr<btCollisionObject> Body; // a btRigidBody
    std::unique_ptr<btCollisionShape> OwnShape;
    std::unique_ptr<btCompoundShape> Compound; // when the shape sits off the centre of mass
    std::shared_ptr<TMesh> Mesh;
    std::shared_ptr<TMaterial> Material;
    void* Record = nullptr;       // PhysXObjectSharedData or PhysXVehicleSharedData
    btVector3 ComOffset{0, 0, 0}; // centre of mass in the actor's frame
    btVector3 ShapePosition{0, 0, 0};
    bool Dynamic = false;
    float ShapeMass = 0; // body mass before wheels
    std::vector<std::unique_ptr<TWheel>> Wheels;

    btRigidBody* Rigid() const { return static_cast<btRigidBody*>(Body.get()); }
    // The actor's frame in the world (the centre of mass moved back to the actor's origin).
    btTransform Pose() const;
    void SetPose(const btTransform& pose);
    // Moves the centre of mass in the actor's frame without moving the actor.
    void SetComOffset(const btVector3& offset);
};

struct TTerrain
{
    std::vector<std::unique_ptr<btHeightfieldTerrainShape>> Fields;
    std::vector<std::vector<short>> Heights; // per field, x-major for the engine
    std::vector<std::unique_ptr<btCollisionObject>> Tiles;
    std::shared_ptr<TMaterial> Material;
};

struct TBridge
{
    KexSceneProperties Props{};
    std::unique_ptr<btDefaultCollisionConfiguration> Config;
    std::unique_ptr<btCollisionDispatcher> Dispatcher;
    std::unique_ptr<btDbvtBroadphase> Broadphase;
    std::unique_ptr<btSequentialImpulseConstraintSolver> Solver;
    std::unique_ptr<btDiscreteDynamicsWorld> World;

    std::shared_ptr<TMaterial> DefaultMaterial = std::make_shared<TMaterial>();
    std::vector<std::shared_ptr<TMaterial>> Materials;
    int32_t NextMaterialIndex = 1;
    std::vector<std::shared_ptr<TMesh>> Meshes;
    std::vector<std::unique_ptr<TActor>> Actors; // in creation order
    std::unordered_set<const TActor*> ActorSet;
    std::unique_ptr<TTerrain> Terrain;

    TActor* LastVehicle = nullptr; // compared only: it may have been removed
    void* LastVehicleRecord = nullptr;
    float LastDelta = 0;
    float SkinWidth = 0.08f;
    float SleepLinearVelocity = 0.5f;
    float MaxAngularVelocity = 3.0f;

    bool HasActor(const void* handle) const
    {
        return handle && ActorSet.count(static_cast<const TActor*>(handle)) != 0;
    }
    TMaterial* FindMaterial(const void* handle) const;
    const std::shared_ptr<TMaterial>& MaterialOrDefault(KexMaterialHandle handle) const;
    std::shared_ptr<TMaterial> MaterialByIndex(int32_t index) const;
    std::shared_ptr<TMesh> FindMesh(const void* handle) const;
    void AddActor(std::unique_ptr<TActor> actor);
    void RemoveActor(TActor* actor);
    void ApplyBodySettings(btRigidBody& body) const;
};

TBridge* Bridge();
void SetBridge(std::unique_ptr<TBridge> bridge);

// Messages: the scene's debug sink, or stderr. The sink is kept across close so that messages
// of a failed init still arrive.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void SetDebugSink(KexDebugSink sink);

// Pose and vector conversions between records and the engine.
btTransform ToTransform(const KexPose& pose);
KexPose ToPose(const btTransform& transform);
btVector3 ToVector(const KexVec3& v);
KexVec3 ToVec3(const btVector3& v);
bool IsFinite(const KexVec3& v);
bool IsFinite(const KexPose& pose);

// Creates an actor for one shape (objects and vehicle chassis); null with no scene or no shape.
std::unique_ptr<TActor> CreateShapeActor(const KexCreateShapeProperties& shape,
                                         const KexCreateActorProperties& actor);
// Gives a chassis body a compound shape so that its centre of mass can move.
void UseCompound(TActor& actor);
// Friction and restitution of a collision object's material as the engine sees it.
const TMaterial& MaterialOf(const btCollisionObject* object);

// The tyre function: force factor for a slip. Invalid functions give 0.
bool IsValidTireFunction(const KexTireFunction& f);
float TireFunction(const KexTireFunction& f, float slip);

// Vehicle work inside a step: the wheel forces of one substep, and the refresh of the shared
// record afterwards.
void ApplyWheelForces(TBridge& bridge, TActor& vehicle, float dt);
void RefreshVehicleRecord(TBridge& bridge, TActor& vehicle, float dt);
TWheelContact CastWheel(const TBridge& bridge, const TActor& vehicle, const TWheel& wheel);
} // namespace kex
