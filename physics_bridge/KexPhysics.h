// KexPhysics: the physics bridge library's C interface. The editor binds these exports and
// passes records by address; handles returned are opaque.
//
// Record layouts. The records keep their historical field order; on this 64-bit build every
// pointer and handle field is 8 bytes and 8-byte aligned, so the offsets after the first such
// field move. Each record below lists its 64-bit offsets and size, and static_asserts at the end
// of the header hold the layout to them. All numbers are little-endian; f32 is an IEEE single.
// A pose is a 3x3 rotation matrix stored row by row followed by the translation (48 bytes).
// Distances are in world units, angles in radians unless a field says otherwise.
#pragma once

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#if defined(KEXPHYSICS_BUILD)
#define KEXPHYSICS_API __attribute__((visibility("default")))
#else
#define KEXPHYSICS_API
#endif

#ifdef __cplusplus
extern "C"
{
#endif

// Interface version: major in the high 16 bits, minor in the low 16 bits (1.7).
#define KEXPHYSICS_INTERFACE_VERSION 0x00010007u

    // Opaque handles. Null means "none".
    typedef struct KexActor_* KexActorHandle;
    typedef struct KexMesh_* KexMeshHandle;
    typedef struct KexMaterial_* KexMaterialHandle;
    typedef struct KexWheel_* KexShapeHandle;

    // Receives every message of the bridge as one zero-terminated 8-bit text.
    typedef void (*KexDebugSink)(const char* text);

    typedef struct KexVec3
    {
        float x, y, z;
    } KexVec3; // 12 bytes

    typedef struct KexPose
    {
        float M[3][3]; // rotation, row by row
        KexVec3 t;     // translation
    } KexPose;         // 48 bytes

    // 48 bytes: 0 Scale, 4 Gravity, 8 Restitution, 12 StaticFriction, 16 DynamicFriction,
    // 20 Bounce, 24 RemoteDebug, 28 MaxAngularVelocity, 32 DebugSink, 40 Reserved.
    typedef struct KexSceneProperties
    {
        float Scale;           // size of one world unit in metres (0.3048: feet)
        float Gravity;         // along -Y, world units/s^2
        float Restitution;     // default material 0
        float StaticFriction;  // default material 0
        float DynamicFriction; // default material 0
        float Bounce;          // bounce threshold (negative); slower contacts do not bounce
        uint8_t RemoteDebug;
        uint8_t Pad0[3];
        float MaxAngularVelocity;
        KexDebugSink DebugSink; // null: messages go to stderr
        uint32_t Reserved;
        uint32_t Pad1;
    } KexSceneProperties;

    // 32 bytes: 0 Convex, 4 VertexCount, 8 TriangleCount, 16 Vertices, 24 Triangles.
    typedef struct KexMeshProperties
    {
        uint8_t Convex; // nonzero: convex hull of the vertices; zero: triangle mesh
        uint8_t Pad0[3];
        uint32_t VertexCount;
        uint32_t TriangleCount; // ignored for convex meshes
        uint32_t Pad1;
        const KexVec3* Vertices;   // VertexCount packed vec3
        const uint32_t* Triangles; // TriangleCount x 3 vertex indices
    } KexMeshProperties;

// Flag of KexMaterialProperties.Flags: a tyre material. The engine's contact friction is off
// for it; the wheels' tyre functions give the grip.
#define KEX_MATERIAL_TYRE 16u

    // 28 bytes: 0 DynamicFriction, 4 StaticFriction, 8 Restitution, 12 Flags, 16 Unused,
    // 20 FrictionCombine, 24 RestitutionCombine.
    typedef struct KexMaterialProperties
    {
        float DynamicFriction;
        float StaticFriction;
        float Restitution;
        uint32_t Flags;
        float Unused;                // not read (the editor writes 1.0)
        uint32_t FrictionCombine;    // 0 average, 1 minimum, 2 multiply, 3 maximum
        uint32_t RestitutionCombine; // same modes
    } KexMaterialProperties;

    enum KexShapeType
    {
        KexShapeBall = 1,
        KexShapeCube = 2,
        KexShapeTube = 3,
        KexShapeWheel = 4,
        KexShapeConvexMesh = 5,
        KexShapeTriangleMesh = 6
    };

    // 48 bytes: 0 Type, 4 Size, 16 Mesh, 24 Position, 36 Mass, 40 Material.
    typedef struct KexCreateShapeProperties
    {
        int32_t Type; // KexShapeType
        KexVec3 Size; // ball: x radius; cube: half extents; tube: x radius, y half height
        KexMeshHandle Mesh;
        KexVec3 Position;           // in the actor's frame
        float Mass;                 // read for mesh shapes only
        KexMaterialHandle Material; // null: material 0
    } KexCreateShapeProperties;

    // 12 bytes: 0 AngularDamping, 4 Density, 8 Dynamic, 9 Trigger.
    typedef struct KexCreateActorProperties
    {
        float AngularDamping;
        float Density;
        uint8_t Dynamic; // nonzero and Density != 0: the actor has a body
        uint8_t Trigger;
        uint8_t Pad[2];
    } KexCreateActorProperties;

    enum KexRecordType
    {
        KexRecordVehicle = 1,
        KexRecordObject = 3
    };

    // 80 bytes: 0 Type, 8 Owner, 16 Actor, 24 Pose, 72 Updated.
    typedef struct PhysXObjectSharedData
    {
        int32_t Type; // KexRecordObject
        uint32_t Pad0;
        void* Owner; // the caller's object; not read
        KexActorHandle Actor;
        KexPose Pose;    // start pose; the actor's world pose after each step
        uint8_t Updated; // set to 1 by each step that refreshed the pose
        uint8_t Pad1[7];
    } PhysXObjectSharedData;

    // 72 bytes: 0 Shared, 8 Shape, 56 Actor.
    typedef struct KexCreateObjectProperties
    {
        PhysXObjectSharedData* Shared;
        KexCreateShapeProperties Shape;
        KexCreateActorProperties Actor;
        uint32_t Pad;
    } KexCreateObjectProperties;

    // A tyre function: force factor over slip, rising to the extremum and easing to the asymptote.
    // 20 bytes: 0 ExtremumSlip, 4 ExtremumValue, 8 AsymptoteSlip, 12 AsymptoteValue, 16 Stiffness.
    typedef struct KexTireFunction
    {
        float ExtremumSlip;
        float ExtremumValue;
        float AsymptoteSlip;
        float AsymptoteValue;
        float StiffnessFactor;
    } KexTireFunction;

    // 112 bytes: 0 Shape, 8 NodeIndex, 12 Pose, 60 Roll, 64 Suspension, 68 AxleSpeed, 72 EditorUse,
    // 76 SteerAngle, 80 MotorTorque, 84 BrakeTorque, 88 OnGround, 92 ContactPoint, 104 LateralSlip,
    // 108 LongitudinalSlip.
    typedef struct PhysXWheelData
    {
        KexShapeHandle Shape; // written by the bridge
        int32_t NodeIndex;    // editor use
        KexPose Pose;         // drawn wheel: steer and roll applied
        float Roll;           // -2pi..2pi
        float Suspension;     // 0 fully compressed .. 1 fully extended
        float AxleSpeed;      // rad/s
        float EditorUse;
        float SteerAngle;  // input
        float MotorTorque; // input
        float BrakeTorque; // input
        uint8_t OnGround;
        uint8_t Pad[3];
        KexVec3 ContactPoint;
        float LateralSlip;
        float LongitudinalSlip;
    } PhysXWheelData;

    // 576 bytes: 0 Type, 8 Owner, 16 Actor, 24 Pose, 72 Unused, 76 LinearVelocity,
    // 88 AngularVelocity, 100 BalanceForce, 112 BalancePoint, 124 WheelCount, 128 Wheels.
    typedef struct PhysXVehicleSharedData
    {
        int32_t Type; // KexRecordVehicle
        uint32_t Pad0;
        void* Owner; // the caller's vehicle; not read
        KexActorHandle Actor;
        KexPose Pose; // start pose; the chassis world pose after each step
        uint32_t Unused;
        KexVec3 LinearVelocity;
        KexVec3 AngularVelocity;
        KexVec3 BalanceForce; // world axes
        KexVec3 BalancePoint; // offset from the centre of mass, world axes
        int32_t WheelCount;
        PhysXWheelData Wheels[4];
    } PhysXVehicleSharedData;

    // 192 bytes: 0 Name, 80 Data, 88 ShapeType, 92 Width, 96 Radius, 100 Unused1, 104 Unused2,
    // 112 Centre, 124 Mass, 128 Material, 136 Travel, 140 Spring, 144 Damper, 148 InitialSteer,
    // 152 Longitudinal, 172 Lateral.
    typedef struct KexWheelProperties
    {
        char Name[80]; // model node that draws the wheel (editor use)
        PhysXWheelData* Data;
        int32_t ShapeType; // editor use
        float Width;       // not read
        float Radius;
        float Unused1;
        void* Unused2;
        KexVec3 Centre; // in the chassis frame: the top of the suspension travel
        float Mass;
        KexMaterialHandle Material; // null: material 0
        float Travel;
        float Spring;
        float Damper;
        float InitialSteer; // degrees, about the chassis Y axis
        KexTireFunction Longitudinal;
        KexTireFunction Lateral;
    } KexWheelProperties;

    // 1152 bytes: 0 Shared, 8 EditorData, 276 WakeCounter, 280 ChassisShape (312 chassis mass),
    // 328 ChassisActor, 340 CentreOfGravity, 352 RotationLocks, 364 TyreMaterial, 376 WheelCount,
    // 384 Wheels.
    typedef struct KexCreateVehicleProperties
    {
        PhysXVehicleSharedData* Shared;
        uint8_t EditorData[268]; // not read (model name and construction references)
        float WakeCounter;       // seconds the chassis stays awake; 1e30 keeps it awake
        KexCreateShapeProperties ChassisShape;
        KexCreateActorProperties ChassisActor;
        KexVec3 CentreOfGravity; // chassis frame
        KexVec3 RotationLocks;   // a component > 0 locks rotation about that world axis
        float TyreMaterial[3];   // restitution, static, dynamic friction; not read
        uint32_t WheelCount;     // 0..4
        uint32_t Pad;
        KexWheelProperties Wheels[4];
    } KexCreateVehicleProperties;

    // 20 bytes: 0 ExtremumValue, 4 ExtremumSlip, 8 AsymptoteValue, 12 AsymptoteSlip, 16 Stiffness.
    typedef struct KexTireFnProperties
    {
        float ExtremumValue;
        float ExtremumSlip;
        float AsymptoteValue;
        float AsymptoteSlip;
        float StiffnessFactor;
    } KexTireFnProperties;

    // 8 bytes: slip, force factor.
    typedef struct KexGraphPoint
    {
        float x;
        float y;
    } KexGraphPoint;

#define KEX_HEIGHTFIELD_SIZE 257
#define KEX_HEIGHTFIELD_BYTES (257 * 257 * 4)
#define KEX_MAX_HEIGHTFIELDS 16
#define KEX_MAX_TILE_GRID 10

    // 1640 bytes: 0 Spacing, 4 HeightFactor, 8 VerticalExtent, 12 Thickness, 16 MaterialIndex,
    // 20 HeightFieldCount, 24 Samples, 32 GridSize, 36 TileIndex, 436 TilePosition.
    // A sample is 4 bytes: a signed 16-bit height, then two bytes written as zero. Sample (row i,
    // column j) of height field k lies at Samples + k * 264196 + (i * 257 + j) * 4; rows run along
    // x, columns along z. Its height is value * Spacing * HeightFactor / 65536 + the tile's y.
    typedef struct KexTerrainDescription
    {
        float Spacing;
        float HeightFactor;
        float VerticalExtent;
        float Thickness;
        int32_t MaterialIndex;
        int32_t HeightFieldCount; // 0..16
        const uint8_t* Samples;   // HeightFieldCount blocks of 264196 bytes
        int32_t GridSize;         // the terrain is GridSize x GridSize tiles, 0..10
        int32_t TileIndex[100];   // tile (r, c) at r * 10 + c: height field, negative: no tile
        KexVec3 TilePosition[100];
        uint32_t Pad;
    } KexTerrainDescription;

    // 64 bytes.
    typedef struct KexRagDollPart
    {
        float Orientation[3][3];
        KexVec3 Position;
        KexVec3 Size;
        uint32_t Unused;
    } KexRagDollPart;

    // 980 bytes: 0 Unused0, 12 Density, 16 Unused1, 20 Parts.
    typedef struct KexRagDollDesc
    {
        uint8_t Unused0[12];
        float Density;
        uint32_t Unused1;
        KexRagDollPart Parts[15];
    } KexRagDollDesc;

    KEXPHYSICS_API uint32_t KexPhysicsVersion(void);
    KEXPHYSICS_API bool InitKexPhysics(const KexSceneProperties* properties);
    KEXPHYSICS_API void CloseKexPhysics(void);
    KEXPHYSICS_API void SetKexSceneProperties(const KexSceneProperties* properties);
    KEXPHYSICS_API bool CreateKexTerrain(const KexTerrainDescription* description);
    KEXPHYSICS_API bool ReleaseKexTerrain(void);
    KEXPHYSICS_API KexMeshHandle CreateKexMesh(const KexMeshProperties* mesh);
    KEXPHYSICS_API bool RemoveKexMesh(KexMeshHandle mesh, bool convex);
    KEXPHYSICS_API KexMaterialHandle CreateKexMaterial(const KexMaterialProperties* properties);
    KEXPHYSICS_API bool ModifyKexMaterial(KexMaterialHandle material,
                                          const KexMaterialProperties* properties);
    KEXPHYSICS_API bool RemoveKexMaterial(KexMaterialHandle material);
    KEXPHYSICS_API bool CreateKexObject(const KexCreateObjectProperties* properties);
    KEXPHYSICS_API void ResetKexObject(KexActorHandle actor);
    KEXPHYSICS_API bool RemoveKexObject(KexActorHandle actor);
    KEXPHYSICS_API bool CreateKexVehicle(const KexCreateVehicleProperties* properties);
    KEXPHYSICS_API void SetKexVehicleProperties(KexActorHandle actor,
                                                const KexCreateVehicleProperties* properties);
    KEXPHYSICS_API void UpdateKexVehicle(KexActorHandle actor);
    KEXPHYSICS_API bool RemoveKexVehicle(KexActorHandle actor);
    KEXPHYSICS_API bool PerformKexPhysics(float dt);
    KEXPHYSICS_API bool GetTireFnCurve(KexGraphPoint* points, int32_t count,
                                       const KexTireFnProperties* function, float maxSlip);
    KEXPHYSICS_API bool CreateKexRagDoll(const KexRagDollDesc* desc);

#ifdef __cplusplus
}
#define KEX_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define KEX_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
KEX_STATIC_ASSERT(sizeof(KexPose) == 48, "pose");
KEX_STATIC_ASSERT(sizeof(KexSceneProperties) == 48, "scene properties");
KEX_STATIC_ASSERT(offsetof(KexSceneProperties, MaxAngularVelocity) == 28, "scene");
KEX_STATIC_ASSERT(offsetof(KexSceneProperties, DebugSink) == 32, "scene sink");
KEX_STATIC_ASSERT(offsetof(KexSceneProperties, Reserved) == 40, "scene reserved");
KEX_STATIC_ASSERT(sizeof(KexMeshProperties) == 32, "mesh properties");
KEX_STATIC_ASSERT(offsetof(KexMeshProperties, Vertices) == 16, "mesh vertices");
KEX_STATIC_ASSERT(offsetof(KexMeshProperties, Triangles) == 24, "mesh triangles");
KEX_STATIC_ASSERT(sizeof(KexMaterialProperties) == 28, "material properties");
KEX_STATIC_ASSERT(offsetof(KexMaterialProperties, RestitutionCombine) == 24, "material");
KEX_STATIC_ASSERT(sizeof(KexCreateShapeProperties) == 48, "shape properties");
KEX_STATIC_ASSERT(offsetof(KexCreateShapeProperties, Mesh) == 16, "shape mesh");
KEX_STATIC_ASSERT(offsetof(KexCreateShapeProperties, Position) == 24, "shape position");
KEX_STATIC_ASSERT(offsetof(KexCreateShapeProperties, Mass) == 36, "shape mass");
KEX_STATIC_ASSERT(offsetof(KexCreateShapeProperties, Material) == 40, "shape material");
KEX_STATIC_ASSERT(sizeof(KexCreateActorProperties) == 12, "actor properties");
KEX_STATIC_ASSERT(offsetof(KexCreateActorProperties, Trigger) == 9, "actor trigger");
KEX_STATIC_ASSERT(sizeof(PhysXObjectSharedData) == 80, "object record");
KEX_STATIC_ASSERT(offsetof(PhysXObjectSharedData, Actor) == 16, "object actor");
KEX_STATIC_ASSERT(offsetof(PhysXObjectSharedData, Pose) == 24, "object pose");
KEX_STATIC_ASSERT(offsetof(PhysXObjectSharedData, Updated) == 72, "object updated");
KEX_STATIC_ASSERT(sizeof(KexCreateObjectProperties) == 72, "object properties");
KEX_STATIC_ASSERT(offsetof(KexCreateObjectProperties, Shape) == 8, "object shape");
KEX_STATIC_ASSERT(offsetof(KexCreateObjectProperties, Actor) == 56, "object actor");
KEX_STATIC_ASSERT(sizeof(PhysXWheelData) == 112, "wheel record");
KEX_STATIC_ASSERT(offsetof(PhysXWheelData, Pose) == 12, "wheel pose");
KEX_STATIC_ASSERT(offsetof(PhysXWheelData, SteerAngle) == 76, "wheel steer");
KEX_STATIC_ASSERT(offsetof(PhysXWheelData, OnGround) == 88, "wheel ground");
KEX_STATIC_ASSERT(offsetof(PhysXWheelData, LongitudinalSlip) == 108, "wheel slip");
KEX_STATIC_ASSERT(sizeof(PhysXVehicleSharedData) == 576, "vehicle record");
KEX_STATIC_ASSERT(offsetof(PhysXVehicleSharedData, Pose) == 24, "vehicle pose");
KEX_STATIC_ASSERT(offsetof(PhysXVehicleSharedData, LinearVelocity) == 76, "vehicle velocity");
KEX_STATIC_ASSERT(offsetof(PhysXVehicleSharedData, WheelCount) == 124, "vehicle wheels");
KEX_STATIC_ASSERT(offsetof(PhysXVehicleSharedData, Wheels) == 128, "vehicle wheel array");
KEX_STATIC_ASSERT(sizeof(KexWheelProperties) == 192, "wheel properties");
KEX_STATIC_ASSERT(offsetof(KexWheelProperties, Data) == 80, "wheel data");
KEX_STATIC_ASSERT(offsetof(KexWheelProperties, Radius) == 96, "wheel radius");
KEX_STATIC_ASSERT(offsetof(KexWheelProperties, Centre) == 112, "wheel centre");
KEX_STATIC_ASSERT(offsetof(KexWheelProperties, Material) == 128, "wheel material");
KEX_STATIC_ASSERT(offsetof(KexWheelProperties, Longitudinal) == 152, "wheel tyre");
KEX_STATIC_ASSERT(offsetof(KexWheelProperties, Lateral) == 172, "wheel lateral tyre");
KEX_STATIC_ASSERT(sizeof(KexCreateVehicleProperties) == 1152, "vehicle properties");
KEX_STATIC_ASSERT(offsetof(KexCreateVehicleProperties, WakeCounter) == 276, "vehicle wake");
KEX_STATIC_ASSERT(offsetof(KexCreateVehicleProperties, ChassisShape) == 280, "chassis shape");
KEX_STATIC_ASSERT(offsetof(KexCreateVehicleProperties, ChassisActor) == 328, "chassis actor");
KEX_STATIC_ASSERT(offsetof(KexCreateVehicleProperties, CentreOfGravity) == 340, "vehicle cog");
KEX_STATIC_ASSERT(offsetof(KexCreateVehicleProperties, WheelCount) == 376, "vehicle count");
KEX_STATIC_ASSERT(offsetof(KexCreateVehicleProperties, Wheels) == 384, "vehicle wheels");
KEX_STATIC_ASSERT(sizeof(KexTireFnProperties) == 20, "tyre function properties");
KEX_STATIC_ASSERT(sizeof(KexGraphPoint) == 8, "graph point");
KEX_STATIC_ASSERT(sizeof(KexTerrainDescription) == 1640, "terrain description");
KEX_STATIC_ASSERT(offsetof(KexTerrainDescription, Samples) == 24, "terrain samples");
KEX_STATIC_ASSERT(offsetof(KexTerrainDescription, GridSize) == 32, "terrain grid");
KEX_STATIC_ASSERT(offsetof(KexTerrainDescription, TileIndex) == 36, "terrain index");
KEX_STATIC_ASSERT(offsetof(KexTerrainDescription, TilePosition) == 436, "terrain positions");
KEX_STATIC_ASSERT(sizeof(KexRagDollDesc) == 980, "rag doll description");
#endif
