// Meshes: convex hulls and triangle meshes, copied into the bridge and shared by the shapes
// that use them.
#include "KexBridge.h"

#include <BulletCollision/CollisionShapes/btShapeHull.h>

#include <algorithm>
#include <cmath>

using namespace kex;

namespace
{
// Far more than any collision mesh of a track; guards the copies against absurd counts.
constexpr uint32_t kMaxVertices = 1u << 22;
constexpr uint32_t kMaxTriangles = 1u << 22;
} // namespace

extern "C" KEXPHYSICS_API KexMeshHandle CreateKexMesh(const KexMeshProperties* p)
{
    TBridge* b = Bridge();
    if (!b || !p)
        return nullptr;
    const bool convex = p->Convex != 0;
    if (!p->Vertices || p->VertexCount < 3 || p->VertexCount > kMaxVertices)
        return nullptr;
    if (!convex && (!p->Triangles || p->TriangleCount == 0 || p->TriangleCount > kMaxTriangles))
        return nullptr;

    auto mesh = std::make_shared<TMesh>();
    mesh->Convex = convex;
    mesh->Vertices.reserve(size_t(p->VertexCount) * 3);
    btVector3 lo(BT_LARGE_FLOAT, BT_LARGE_FLOAT, BT_LARGE_FLOAT), hi = -lo;
    for (uint32_t i = 0; i < p->VertexCount; ++i)
    {
        const KexVec3& v = p->Vertices[i];
        if (!IsFinite(v))
            return nullptr;
        mesh->Vertices.insert(mesh->Vertices.end(), {v.x, v.y, v.z});
        lo.setMin(ToVector(v));
        hi.setMax(ToVector(v));
    }
    mesh->Centre = 0.5f * (lo + hi);

    if (convex)
    {
        // The hull of the points, reduced to its own vertices.
        btConvexHullShape raw(mesh->Vertices.data(), int(p->VertexCount), 3 * sizeof(btScalar));
        btShapeHull hull(&raw);
        if (!hull.buildHull(0) || hull.numVertices() < 4)
            return nullptr;
        auto shape = std::make_unique<btConvexHullShape>(
            reinterpret_cast<const btScalar*>(hull.getVertexPointer()), hull.numVertices(),
            sizeof(btVector3));
        shape->setMargin(std::min<btScalar>(0.01f, shape->getMargin()));
        shape->optimizeConvexHull();
        mesh->Shape = std::move(shape);
    }
    else
    {
        mesh->Indices.reserve(size_t(p->TriangleCount) * 3);
        for (uint32_t t = 0; t < p->TriangleCount * 3; ++t)
        {
            const uint32_t index = p->Triangles[t];
            if (index >= p->VertexCount)
                return nullptr;
            mesh->Indices.push_back(int32_t(index));
        }
        mesh->Arrays = std::make_unique<btTriangleIndexVertexArray>(
            int(p->TriangleCount), mesh->Indices.data(), 3 * int(sizeof(int32_t)),
            int(p->VertexCount), mesh->Vertices.data(), 3 * int(sizeof(btScalar)));
        mesh->Shape = std::make_unique<btBvhTriangleMeshShape>(mesh->Arrays.get(), true);
    }
    b->Meshes.push_back(mesh);
    return reinterpret_cast<KexMeshHandle>(mesh.get());
}

extern "C" KEXPHYSICS_API bool RemoveKexMesh(KexMeshHandle handle, bool convex)
{
    TBridge* b = Bridge();
    if (!handle || !b)
        return false;
    auto it = std::find_if(b->Meshes.begin(), b->Meshes.end(),
                           [handle](const std::shared_ptr<TMesh>& m)
                           { return m.get() == static_cast<const void*>(handle); });
    // Only a mesh of this scene and of the kind named is released; shapes that still use it
    // keep their share until their actor goes.
    if (it == b->Meshes.end() || (*it)->Convex != convex)
        return false;
    Report("Destroying mesh..");
    Report(convex ? "Convex mesh.." : "Triangle mesh..");
    b->Meshes.erase(it);
    return true;
}
