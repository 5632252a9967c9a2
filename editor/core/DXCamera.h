// The viewpoint of the 3D view. The camera keeps its orientation as three axis vectors,
// builds the view and projection matrices (row-vector, left-handed, depth 0..1), tests points
// and spheres against its frustum, and runs the ride cameras: a chase camera behind the
// vehicle and a camera attached to the vehicle's frame.
//
// It needs no graphics context, so the track document, the ride and the tests use it
// directly; the render panel owns one.
#pragma once

#include "core/MatrixMaths.h"

#include <array>
#include <functional>

class TDXCamera
{
public:
    enum : int
    {
        ModeFree = 0,
        ModeChase = 1,
        ModeNone = 2,
        ModeAttached = 3,
        ModeCount = 7
    };

    // Ground height at (x, z), for keeping the chase camera above the terrain.
    using TGroundHeight = std::function<float(float x, float z)>;

    static constexpr float DefaultFieldOfView = 1.0471976f;
    static constexpr float DefaultChaseDistance = 20.0f;
    static constexpr TVector3f DefaultChaseDirection{0.0f, 0.26f, -0.906f};
    static constexpr TVector3f DefaultAttachOffset{0.0f, 5.2f, 0.83f};

    TDXCamera();

    // --- lens ---
    float FieldOfView() const { return FFieldOfView; }
    float Aspect() const { return FAspect; }
    float NearPlane() const { return FNearPlane; }
    float FarPlane() const { return FFarPlane; }
    float TanHalfFov() const { return FTanHalfFov; }
    float InvCosHalfFov() const { return FInvCosHalfFov; }
    float InvCosHalfFovH() const { return FInvCosHalfFovH; }
    void SetAspect(float value);
    void SetFieldOfView(float value);
    void SetFarPlane(float value);
    void SetNearPlane(float value);
    const TMatrix4f& Projection() const { return FProjection; }

    // --- orientation ---
    // Rebuilds the view from the axes and returns it (also kept in View()).
    void BuildView(TMatrix4f& view);
    const TMatrix4f& View() const { return FView; }
    TVector3f GetPosition() const { return Position; }
    TVector3f GetUp() const { return Up; }
    TVector3f GetRight() const { return Right; }
    TVector3f GetLook() const { return Look; }
    TVector3f GetTarget() const { return Target; }
    // Free mode only; ride modes place the camera themselves.
    void SetPosition(const TVector3f& v);
    void Move(const TVector3f& v, bool relative);
    // v = (pitch, yaw, unused), radians.
    void Rotate(const TVector3f& v);
    void Zoom(float x);
    void LookAt(const TVector3f& target, bool smooth);
    void SetAxes(const TVector3f& look, const TVector3f& up, const TVector3f& position);

    // --- modes ---
    int Mode() const { return FMode; }
    void SetMode(int mode);
    void NextMode();
    void EnableMode(int mode, bool enabled);
    bool ModeEnabled(int mode) const;
    // One ride frame: targetMatrix is the vehicle's world matrix (translation in row 4).
    void Follow(const TMatrix4f& targetMatrix, const TVector3f& velocity, float smoothing);

    // --- frustum ---
    bool IsPointVisible(const TVector3f& p) const;
    bool IsSphereVisible(const TVector3f& p, float radius) const;

    // Chase and attached mode settings.
    float ChaseDistance = DefaultChaseDistance;
    TVector3f ChaseDirection = DefaultChaseDirection;
    float ChaseHeight = 0.0f;
    TVector3f AttachOffset = DefaultAttachOffset;
    // Fraction of a quarter turn by which a smoothed LookAt may move each axis component.
    float Smoothing = 0.0f;
    TGroundHeight GroundHeight;

private:
    void UpdateLens();

    TVector3f WorldUp{0, 1, 0};
    TVector3f Target{};
    TVector3f Up{0, 1, 0};
    TVector3f Look{0, 0, 1};
    TVector3f Right{1, 0, 0};
    TVector3f Position{};
    TMatrix4f FProjection = TMatrix4f::Identity();
    TMatrix4f FView = TMatrix4f::Identity();
    int FMode = ModeFree;
    std::array<bool, ModeCount> FEnabledModes{};
    float FFieldOfView = DefaultFieldOfView;
    float FNearPlane = 1.0f;
    float FFarPlane = 1000.0f;
    float FAspect = 1.0f;
    float FTanHalfFov = 0.0f;
    float FInvCosHalfFov = 0.0f;
    float FInvCosHalfFovH = 0.0f;
};

// Screen and world for the render panel. The panel draws into a back buffer whose size may
// differ from its own; scaleX and scaleY are panel size / back buffer size, and viewport is
// the back buffer's viewport. sceneWorld is the panel's scene rotation.
struct TViewMapping
{
    TViewport Viewport;
    TMatrix4f SceneWorld = TMatrix4f::Identity();
    float ScaleX = 1.0f;
    float ScaleY = 1.0f;
};

// The panel pixel of a world point, rounded.
void ProjectPoint(const TDXCamera& camera, const TViewMapping& mapping, const TVector3f& world,
                  int& screenX, int& screenY);
// The point of the plane y = height under a panel pixel. False when the line of sight runs
// parallel to the plane or meets it behind the eye (the pointer is above the horizon).
bool PickOnPlane(const TDXCamera& camera, const TViewMapping& mapping, int screenX, int screenY,
                 TVector3f& world, float height);
