#include "core/MatrixMaths.h"

#include <cmath>
#include <cstring>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>

namespace
{
// A row-vector matrix and the column-vector glm matrix of the same transform share their
// memory layout.
glm::mat4 ToGlm(const TMatrix4f& m)
{
    glm::mat4 g;
    std::memcpy(&g[0][0], &m.m[0][0], sizeof(float) * 16);
    return g;
}

TMatrix4f FromGlm(const glm::mat4& g)
{
    TMatrix4f m;
    std::memcpy(&m.m[0][0], &g[0][0], sizeof(float) * 16);
    return m;
}
} // namespace

TMatrix4f TMatrix4f::Identity()
{
    TMatrix4f r;
    for (int i = 0; i < 4; ++i)
        r.m[i][i] = 1.0f;
    return r;
}

TVector3f MakeVector(float x, float y, float z)
{
    return {x, y, z};
}
TVector3f MakeVector(float x, float z)
{
    return {x, 0.0f, z};
}
TVector3f MakeVector(const TVector4f& v)
{
    return {v.x, v.y, v.z};
}

float VectorLength(const TVector3f& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
float VectorDot(const TVector3f& a, const TVector3f& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

TVector3f VectorCross(const TVector3f& a, const TVector3f& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TVector3f VectorAdd(const TVector3f& a, const TVector3f& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
TVector3f VectorSubtract(const TVector3f& a, const TVector3f& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
TVector3f VectorScale(const TVector3f& v, float s)
{
    return {v.x * s, v.y * s, v.z * s};
}
TVector3f VectorLerp(const TVector3f& a, const TVector3f& b, float t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}
float VectorCross2D(const TVector3f& a, const TVector3f& b)
{
    return a.x * b.y - a.y * b.x;
}

TVector3f Vec3Normalize(const TVector3f& v)
{
    const float len = VectorLength(v);
    if (len == 0.0f)
        return {};
    return VectorScale(v, 1.0f / len);
}

TVector3f Vec3TransformCoord(const TVector3f& p, const TMatrix4f& m)
{
    const auto& a = m.m;
    const float x = p.x * a[0][0] + p.y * a[1][0] + p.z * a[2][0] + a[3][0];
    const float y = p.x * a[0][1] + p.y * a[1][1] + p.z * a[2][1] + a[3][1];
    const float z = p.x * a[0][2] + p.y * a[1][2] + p.z * a[2][2] + a[3][2];
    const float w = p.x * a[0][3] + p.y * a[1][3] + p.z * a[2][3] + a[3][3];
    if (w == 0.0f)
        return {x, y, z};
    return {x / w, y / w, z / w};
}

TVector3f Vec3TransformNormal(const TVector3f& v, const TMatrix4f& m)
{
    const auto& a = m.m;
    return {v.x * a[0][0] + v.y * a[1][0] + v.z * a[2][0],
            v.x * a[0][1] + v.y * a[1][1] + v.z * a[2][1],
            v.x * a[0][2] + v.y * a[1][2] + v.z * a[2][2]};
}

TVector3f Vec3Project(const TVector3f& p, const TViewport& vp, const TMatrix4f& proj,
                      const TMatrix4f& view, const TMatrix4f& world)
{
    const TMatrix4f all = MatrixMultiply(MatrixMultiply(world, view), proj);
    const TVector3f c = Vec3TransformCoord(p, all);
    return {float(vp.X) + (1.0f + c.x) * float(vp.Width) * 0.5f,
            float(vp.Y) + (1.0f - c.y) * float(vp.Height) * 0.5f,
            vp.MinZ + c.z * (vp.MaxZ - vp.MinZ)};
}

TVector3f Vec3Unproject(const TVector3f& p, const TViewport& vp, const TMatrix4f& proj,
                        const TMatrix4f& view, const TMatrix4f& world)
{
    const TMatrix4f all = MatrixMultiply(MatrixMultiply(world, view), proj);
    TMatrix4f inv;
    if (!MatrixInverse(inv, all))
        return {};
    const float w = vp.Width ? float(vp.Width) : 1.0f;
    const float h = vp.Height ? float(vp.Height) : 1.0f;
    const float dz = (vp.MaxZ - vp.MinZ) != 0.0f ? (vp.MaxZ - vp.MinZ) : 1.0f;
    const TVector3f c{(p.x - float(vp.X)) * 2.0f / w - 1.0f, 1.0f - (p.y - float(vp.Y)) * 2.0f / h,
                      (p.z - vp.MinZ) / dz};
    return Vec3TransformCoord(c, inv);
}

TMatrix4f MatrixMultiply(const TMatrix4f& a, const TMatrix4f& b)
{
    return FromGlm(ToGlm(b) * ToGlm(a));
}

bool MatrixInverse(TMatrix4f& out, const TMatrix4f& m, float* determinant)
{
    const glm::mat4 g = ToGlm(m);
    const float det = glm::determinant(g);
    if (determinant)
        *determinant = det;
    if (det == 0.0f || !std::isfinite(det))
        return false;
    out = FromGlm(glm::inverse(g));
    return true;
}

TMatrix4f MatrixTranspose(const TMatrix4f& m)
{
    TMatrix4f r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m.m[j][i];
    return r;
}

TMatrix4f MatrixTranslation(float x, float y, float z)
{
    TMatrix4f r = TMatrix4f::Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

TMatrix4f MatrixScaling(float x, float y, float z)
{
    TMatrix4f r = TMatrix4f::Identity();
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

TMatrix4f MatrixRotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    TMatrix4f r = TMatrix4f::Identity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

TMatrix4f MatrixRotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    TMatrix4f r = TMatrix4f::Identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

TMatrix4f MatrixRotationZ(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    TMatrix4f r = TMatrix4f::Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

TMatrix4f MatrixRotationAxis(const TVector3f& axis, float angle)
{
    const TVector3f n = Vec3Normalize(axis);
    // The column-vector rotation of glm has the memory layout of the row-vector one.
    return FromGlm(glm::rotate(glm::mat4(1.0f), angle, glm::vec3(n.x, n.y, n.z)));
}

TMatrix4f MatrixRotationYawPitchRoll(float yaw, float pitch, float roll)
{
    return MatrixMultiply(MatrixMultiply(MatrixRotationZ(roll), MatrixRotationX(pitch)),
                          MatrixRotationY(yaw));
}

TMatrix4f MatrixLookAtLH(const TVector3f& eye, const TVector3f& at, const TVector3f& up)
{
    return FromGlm(glm::lookAtLH(glm::vec3(eye.x, eye.y, eye.z), glm::vec3(at.x, at.y, at.z),
                                 glm::vec3(up.x, up.y, up.z)));
}

TMatrix4f MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar)
{
    return FromGlm(glm::perspectiveLH_ZO(fovY, aspect, zNear, zFar));
}

TMatrix4f MatrixOrthoLH(float width, float height, float zNear, float zFar)
{
    TMatrix4f r = TMatrix4f::Identity();
    r.m[0][0] = 2.0f / width;
    r.m[1][1] = 2.0f / height;
    r.m[2][2] = 1.0f / (zFar - zNear);
    r.m[3][2] = zNear / (zNear - zFar);
    return r;
}
