// Vectors, matrices and colours shared by every part of the editor.
//
// World space is left-handed with y up. Matrices follow the Direct3D row-vector convention:
// a point is transformed as p * M and the translation lives in the fourth row (m[3][0..2]).
// In memory that layout is the same as a column-vector (OpenGL/glm) matrix of the same
// transform, so conversion to glm is a plain copy.
#pragma once

#include <cstdint>

struct TVector3f
{
    float x = 0, y = 0, z = 0;

    friend bool operator==(const TVector3f&, const TVector3f&) = default;
};

struct TVector4f
{
    float x = 0, y = 0, z = 0, w = 0;
};

struct TMatrix4f
{
    float m[4][4] = {};

    static TMatrix4f Identity();
    friend bool operator==(const TMatrix4f&, const TMatrix4f&) = default;
};

// A viewport as Direct3D describes it, for projecting and unprojecting.
struct TViewport
{
    uint32_t X = 0, Y = 0, Width = 640, Height = 480;
    float MinZ = 0.0f, MaxZ = 1.0f;
};

// 32-bit colour: alpha in the top byte, then red, green, blue (Direct3D layout).
using TColorARGB = uint32_t;

constexpr TColorARGB MakeARGB(uint8_t a, uint8_t r, uint8_t g, uint8_t b)
{
    return (TColorARGB(a) << 24) | (TColorARGB(r) << 16) | (TColorARGB(g) << 8) | TColorARGB(b);
}
constexpr uint8_t ColorA(TColorARGB c)
{
    return uint8_t(c >> 24);
}
constexpr uint8_t ColorR(TColorARGB c)
{
    return uint8_t(c >> 16);
}
constexpr uint8_t ColorG(TColorARGB c)
{
    return uint8_t(c >> 8);
}
constexpr uint8_t ColorB(TColorARGB c)
{
    return uint8_t(c);
}

// Colours written as three numbers in configuration files and the property tree use the
// platform colour layout: red in the lowest byte, then green, then blue.
using TPlatformColor = uint32_t;
constexpr TPlatformColor MakePlatformColor(uint8_t r, uint8_t g, uint8_t b)
{
    return TPlatformColor(r) | (TPlatformColor(g) << 8) | (TPlatformColor(b) << 16);
}
constexpr TColorARGB PlatformColorToARGB(TPlatformColor c, uint8_t alpha = 255)
{
    return MakeARGB(alpha, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16));
}
constexpr TPlatformColor ARGBToPlatformColor(TColorARGB c)
{
    return MakePlatformColor(ColorR(c), ColorG(c), ColorB(c));
}

// --- vector operations ---
TVector3f MakeVector(float x, float y, float z);
TVector3f MakeVector(float x, float z); // (x, 0, z): a point on the ground plane
TVector3f MakeVector(const TVector4f& v);
float VectorLength(const TVector3f& v);
float VectorDot(const TVector3f& a, const TVector3f& b);
TVector3f VectorCross(const TVector3f& a, const TVector3f& b);
TVector3f VectorAdd(const TVector3f& a, const TVector3f& b);
TVector3f VectorSubtract(const TVector3f& a, const TVector3f& b);
TVector3f VectorScale(const TVector3f& v, float s);
TVector3f VectorLerp(const TVector3f& a, const TVector3f& b, float t);
// The 2D cross product of the x and y components: a.x * b.y - a.y * b.x.
float VectorCross2D(const TVector3f& a, const TVector3f& b);

inline TVector3f operator+(const TVector3f& a, const TVector3f& b)
{
    return VectorAdd(a, b);
}
inline TVector3f operator-(const TVector3f& a, const TVector3f& b)
{
    return VectorSubtract(a, b);
}
inline TVector3f operator*(const TVector3f& v, float s)
{
    return VectorScale(v, s);
}

// A zero vector normalises to zero, as the Direct3D helper does.
TVector3f Vec3Normalize(const TVector3f& v);
// p * M with the homogeneous divide.
TVector3f Vec3TransformCoord(const TVector3f& p, const TMatrix4f& m);
// v * M without the translation.
TVector3f Vec3TransformNormal(const TVector3f& v, const TMatrix4f& m);
TVector3f Vec3Project(const TVector3f& p, const TViewport& vp, const TMatrix4f& proj,
                      const TMatrix4f& view, const TMatrix4f& world);
TVector3f Vec3Unproject(const TVector3f& p, const TViewport& vp, const TMatrix4f& proj,
                        const TMatrix4f& view, const TMatrix4f& world);

// --- matrix operations (row-vector convention: MatrixMultiply(a, b) applies a, then b) ---
TMatrix4f MatrixMultiply(const TMatrix4f& a, const TMatrix4f& b);
// Returns false (and leaves out untouched) when the matrix cannot be inverted.
bool MatrixInverse(TMatrix4f& out, const TMatrix4f& m, float* determinant = nullptr);
TMatrix4f MatrixTranspose(const TMatrix4f& m);
TMatrix4f MatrixTranslation(float x, float y, float z);
TMatrix4f MatrixScaling(float x, float y, float z);
TMatrix4f MatrixRotationX(float angle);
TMatrix4f MatrixRotationY(float angle);
TMatrix4f MatrixRotationZ(float angle);
TMatrix4f MatrixRotationAxis(const TVector3f& axis, float angle);
// Roll about z, then pitch about x, then yaw about y.
TMatrix4f MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);
TMatrix4f MatrixLookAtLH(const TVector3f& eye, const TVector3f& at, const TVector3f& up);
// Depth maps to [0, 1], as Direct3D expects.
TMatrix4f MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
TMatrix4f MatrixOrthoLH(float width, float height, float zNear, float zFar);
