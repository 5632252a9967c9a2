#include "core/DXCamera.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float Pi = 3.14159265358979f;

TVector3f HorizontalDirection(const TVector3f& v)
{
    return Vec3Normalize({v.x, 0.0f, v.z});
}

bool IsZero(const TVector3f& v)
{
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

float StepTowards(float from, float to, float maxStep)
{
    if (to > from + maxStep)
        return from + maxStep;
    if (to < from - maxStep)
        return from - maxStep;
    return to;
}
} // namespace

TDXCamera::TDXCamera()
{
    FEnabledModes[ModeChase] = true;
    FEnabledModes[ModeAttached] = true;
    UpdateLens();
    BuildView(FView);
}

void TDXCamera::UpdateLens()
{
    FTanHalfFov = std::tan(FFieldOfView / 2.0f);
    FInvCosHalfFov = 1.0f / std::cos(FFieldOfView / 2.0f);
    FInvCosHalfFovH = 1.0f / std::cos(std::atan(FTanHalfFov * FAspect));
    // A lens that cannot be projected keeps the last good projection.
    if (FFieldOfView > 0.0f && FFieldOfView < Pi && FAspect > 0.0f && FNearPlane > 0.0f &&
        FFarPlane > FNearPlane)
        FProjection = MatrixPerspectiveFovLH(FFieldOfView, FAspect, FNearPlane, FFarPlane);
}

void TDXCamera::SetAspect(float value)
{
    FAspect = value;
    UpdateLens();
}

void TDXCamera::SetFieldOfView(float value)
{
    FFieldOfView = value;
    UpdateLens();
}

void TDXCamera::SetFarPlane(float value)
{
    FFarPlane = value;
    UpdateLens();
}

void TDXCamera::SetNearPlane(float value)
{
    FNearPlane = value;
    UpdateLens();
}

void TDXCamera::BuildView(TMatrix4f& view)
{
    Up = Vec3Normalize(Up);
    Look = Vec3Normalize(Look);
    Right = Vec3Normalize(VectorCross(Up, Look));
    TMatrix4f v = TMatrix4f::Identity();
    v.m[0][0] = Right.x;
    v.m[1][0] = Right.y;
    v.m[2][0] = Right.z;
    v.m[0][1] = Up.x;
    v.m[1][1] = Up.y;
    v.m[2][1] = Up.z;
    v.m[0][2] = Look.x;
    v.m[1][2] = Look.y;
    v.m[2][2] = Look.z;
    v.m[3][0] = -VectorDot(Position, Right);
    v.m[3][1] = -VectorDot(Position, Up);
    v.m[3][2] = -VectorDot(Position, Look);
    FView = v;
    view = v;
}

void TDXCamera::SetPosition(const TVector3f& v)
{
    if (FMode == ModeFree)
        Position = v;
}

void TDXCamera::Move(const TVector3f& v, bool relative)
{
    switch (FMode)
    {
    case ModeFree:
        if (relative)
            Position = Position + Right * v.x + Up * v.y + Look * v.z;
        else
            Position = Position + v;
        break;
    case ModeChase:
        if ((v.z < 0.0f && ChaseDistance > 4.0f) || (v.z > 0.0f && ChaseDistance < 40.0f))
            ChaseDistance += v.z;
        break;
    case ModeAttached:
        AttachOffset.z += v.z;
        break;
    default:
        break;
    }
}

void TDXCamera::Rotate(const TVector3f& v)
{
    const float pitch = v.x;
    const float yaw = v.y;
    switch (FMode)
    {
    case ModeFree:
    {
        const TMatrix4f turn = MatrixRotationY(yaw);
        Look = Vec3TransformNormal(Look, turn);
        Up = Vec3TransformNormal(Up, turn);
        Right = Vec3TransformNormal(Right, turn);
        const TMatrix4f tilt = MatrixRotationAxis(VectorCross(Up, Look), pitch);
        Look = Vec3Normalize(Vec3TransformNormal(Look, tilt));
        Up = Vec3Normalize(Vec3TransformNormal(Up, tilt));
        Right = Vec3Normalize(Vec3TransformNormal(Right, tilt));
        break;
    }
    case ModeChase:
        ChaseDirection = Vec3TransformNormal(ChaseDirection, MatrixRotationY(yaw));
        break;
    case ModeAttached:
        AttachOffset.y += yaw;
        break;
    default:
        break;
    }
}

void TDXCamera::Zoom(float x)
{
    if ((x < 0.0f && ChaseHeight > 0.0f) || (x > 0.0f && ChaseHeight < 10.0f))
        ChaseHeight = std::clamp(ChaseHeight + x, 0.0f, 10.0f);
}

void TDXCamera::LookAt(const TVector3f& target, bool smooth)
{
    Target = target;
    const TVector3f sight = target - Position;
    // Looking at the eye itself, or straight up or down, has no defined orientation: keep
    // the current one rather than fill the axes with NaNs.
    if (IsZero(sight) || IsZero(HorizontalDirection(sight)))
        return;
    const TMatrix4f m = MatrixLookAtLH(Position, target, WorldUp);
    const TVector3f right{m.m[0][0], m.m[1][0], m.m[2][0]};
    const TVector3f up{m.m[0][1], m.m[1][1], m.m[2][1]};
    const TVector3f look{m.m[0][2], m.m[1][2], m.m[2][2]};
    if (!smooth)
    {
        Right = right;
        Up = up;
        Look = look;
    }
    else
    {
        const float step = Smoothing * Pi / 2.0f;
        auto approach = [step](TVector3f& axis, const TVector3f& goal)
        {
            axis.x = StepTowards(axis.x, goal.x, step);
            axis.y = StepTowards(axis.y, goal.y, step);
            axis.z = StepTowards(axis.z, goal.z, step);
        };
        approach(Right, right);
        approach(Up, up);
        approach(Look, look);
    }
    Right = Vec3Normalize(Right);
    Up = Vec3Normalize(Up);
    Look = Vec3Normalize(Look);
}

void TDXCamera::SetAxes(const TVector3f& look, const TVector3f& up, const TVector3f& position)
{
    Look = Vec3Normalize(look);
    Up = Vec3Normalize(up);
    Right = Vec3Normalize(VectorCross(Up, Look));
    Position = position;
}

void TDXCamera::SetMode(int mode)
{
    if (mode < 0 || mode >= ModeCount)
        return;
    FMode = mode;
    if (mode == ModeChase)
    {
        ChaseDirection = DefaultChaseDirection;
        ChaseDistance = DefaultChaseDistance;
    }
    else if (mode == ModeAttached)
        AttachOffset = DefaultAttachOffset;
}

void TDXCamera::NextMode()
{
    int mode = FMode;
    for (int step = 0; step < ModeCount; ++step)
    {
        mode = (mode + 1) % ModeCount;
        if (FEnabledModes[size_t(mode)])
            break;
    }
    if (mode != FMode && FEnabledModes[size_t(mode)])
        SetMode(mode);
}

void TDXCamera::EnableMode(int mode, bool enabled)
{
    if (mode >= 0 && mode < ModeCount)
        FEnabledModes[size_t(mode)] = enabled;
}

bool TDXCamera::ModeEnabled(int mode) const
{
    return mode >= 0 && mode < ModeCount && FEnabledModes[size_t(mode)];
}

void TDXCamera::Follow(const TMatrix4f& targetMatrix, const TVector3f& velocity, float smoothing)
{
    Smoothing = smoothing;
    const TVector3f targetPos{targetMatrix.m[3][0], targetMatrix.m[3][1], targetMatrix.m[3][2]};
    const TVector3f facing =
        HorizontalDirection({targetMatrix.m[2][0], targetMatrix.m[2][1], targetMatrix.m[2][2]});
    if (FMode == ModeChase)
    {
        // The heading follows the direction of travel, so the camera swings round in a
        // slide; while reversing it stays behind the vehicle's nose, and at walking pace it
        // blends into the vehicle's own facing.
        TVector3f heading = facing;
        const TVector3f travel = HorizontalDirection(velocity);
        const float speed = VectorLength(velocity);
        if (speed > 0.0f && !IsZero(travel))
        {
            TVector3f along = VectorDot(travel, facing) < 0.0f ? travel * -1.0f : travel;
            if (speed < 5.0f)
                along = VectorLerp(facing, along, speed / 5.0f);
            if (!IsZero(Vec3Normalize(along)))
                heading = Vec3Normalize(along);
        }
        if (IsZero(heading))
            heading = {0, 0, 1};
        const TMatrix4f turn = MatrixRotationY(std::atan2(heading.x, heading.z));
        TVector3f offset = Vec3TransformNormal(ChaseDirection * ChaseDistance, turn);
        offset.y += ChaseHeight;
        Position = targetPos + offset;
        if (GroundHeight)
            Position.y = std::max(Position.y, GroundHeight(Position.x, Position.z) + 3.0f);
        LookAt(targetPos + TVector3f{0, 3.3f, 0}, false);
    }
    else if (FMode == ModeAttached)
    {
        // A rider's-eye view: sit at the offset in the vehicle's frame and look the way the
        // vehicle points.
        Position = Vec3TransformCoord(AttachOffset, targetMatrix);
        TVector3f ahead = Vec3Normalize(Vec3TransformNormal({0, 0, 1}, targetMatrix));
        if (IsZero(ahead))
            ahead = {0, 0, 1};
        LookAt(Position + ahead * 10.0f, false);
    }
}

bool TDXCamera::IsPointVisible(const TVector3f& p) const
{
    const TVector3f v = p - Position;
    const float a = VectorDot(v, Look);
    if (a > FFarPlane || a <= FNearPlane)
        return false;
    const float b = VectorDot(v, Up);
    const float h = a * FTanHalfFov;
    if (b > h || b < -h)
        return false;
    const float c = VectorDot(v, Right);
    const float w = h * FAspect;
    return c <= w && c >= -w;
}

bool TDXCamera::IsSphereVisible(const TVector3f& p, float radius) const
{
    const TVector3f v = p - Position;
    const float a = VectorDot(v, Look);
    if (a > FFarPlane + radius || a < FNearPlane - radius)
        return false;
    if (a > FFarPlane - radius || a < FNearPlane + radius)
        return true;
    const float b = VectorDot(v, Up);
    const float h = a * FTanHalfFov;
    const float f = radius * FInvCosHalfFov;
    if (b > h + f || b < -h - f)
        return false;
    if (b > h - f || b < f - h)
        return true;
    const float c = VectorDot(v, Right);
    const float w = h * FAspect;
    const float g = radius * FInvCosHalfFovH;
    return !(c > w + g || c < -w - g);
}

void ProjectPoint(const TDXCamera& camera, const TViewMapping& mapping, const TVector3f& world,
                  int& screenX, int& screenY)
{
    const TVector3f s = Vec3Project(world, mapping.Viewport, camera.Projection(), camera.View(),
                                    mapping.SceneWorld);
    screenX = int(std::lround(s.x * mapping.ScaleX));
    screenY = int(std::lround(s.y * mapping.ScaleY));
}

bool PickOnPlane(const TDXCamera& camera, const TViewMapping& mapping, int screenX, int screenY,
                 TVector3f& world, float height)
{
    if (mapping.ScaleX <= 0.0f || mapping.ScaleY <= 0.0f)
        return false;
    const float x = float(screenX) / mapping.ScaleX;
    const float y = float(screenY) / mapping.ScaleY;
    const TVector3f nearPoint = Vec3Unproject({x, y, 0.0f}, mapping.Viewport, camera.Projection(),
                                              camera.View(), mapping.SceneWorld);
    const TVector3f farPoint = Vec3Unproject({x, y, 1.0f}, mapping.Viewport, camera.Projection(),
                                             camera.View(), mapping.SceneWorld);
    const TVector3f dir = farPoint - nearPoint;
    if (std::fabs(dir.y) < 1e-6f * std::max(1.0f, VectorLength(dir)))
        return false;
    const float t = (height - nearPoint.y) / dir.y;
    if (t < 0.0f)
        return false;
    world = nearPoint + dir * t;
    world.y = height;
    return true;
}
