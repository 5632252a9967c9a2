// Messages of the bridge and the conversions between records and the engine's types.
#include "KexBridge.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace kex
{
namespace
{
KexDebugSink GSink = nullptr;
}

void SetDebugSink(KexDebugSink sink)
{
    GSink = sink;
}

void Report(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (GSink)
        GSink(text);
    else
        std::fprintf(stderr, "%s\n", text);
}

btTransform ToTransform(const KexPose& p)
{
    const btMatrix3x3 m(p.M[0][0], p.M[0][1], p.M[0][2], p.M[1][0], p.M[1][1], p.M[1][2], p.M[2][0],
                        p.M[2][1], p.M[2][2]);
    return btTransform(m, btVector3(p.t.x, p.t.y, p.t.z));
}

KexPose ToPose(const btTransform& transform)
{
    KexPose p;
    const btMatrix3x3& m = transform.getBasis();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p.M[r][c] = float(m[r][c]);
    p.t = ToVec3(transform.getOrigin());
    return p;
}

btVector3 ToVector(const KexVec3& v)
{
    return btVector3(v.x, v.y, v.z);
}

KexVec3 ToVec3(const btVector3& v)
{
    return {float(v.x()), float(v.y()), float(v.z())};
}

bool IsFinite(const KexVec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool IsFinite(const KexPose& pose)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (!std::isfinite(pose.M[r][c]))
                return false;
    return IsFinite(pose.t);
}
} // namespace kex
