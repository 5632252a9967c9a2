// The terrain: up to 16 height fields placed as tiles on a grid of at most 10 x 10.
#include "KexBridge.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace kex;

extern "C" KEXPHYSICS_API bool ReleaseKexTerrain(void)
{
    TBridge* b = Bridge();
    if (!b || !b->Terrain)
        return false;
    for (const std::unique_ptr<btCollisionObject>& tile : b->Terrain->Tiles)
        b->World->removeCollisionObject(tile.get());
    b->Terrain.reset();
    return true;
}

extern "C" KEXPHYSICS_API bool CreateKexTerrain(const KexTerrainDescription* d)
{
    TBridge* b = Bridge();
    if (!b)
        return false;
    ReleaseKexTerrain();
    if (!d)
        return true;

    // The tables hold 16 height fields and 10 x 10 tiles; anything beyond is refused rather
    // than read past the caller's blocks.
    if (d->HeightFieldCount < 0 || d->HeightFieldCount > KEX_MAX_HEIGHTFIELDS || d->GridSize < 0 ||
        d->GridSize > KEX_MAX_TILE_GRID)
    {
        Report("CreateKexTerrain(): Invalid height field count [%d] or grid size [%d]",
               d->HeightFieldCount, d->GridSize);
        return false;
    }
    if (d->HeightFieldCount > 0 && !d->Samples)
    {
        Report("CreateKexTerrain(): No height samples");
        return false;
    }
    const float heightScale = d->Spacing * d->HeightFactor / 65536.0f;
    if (d->HeightFieldCount > 0 &&
        (!std::isfinite(d->Spacing) || d->Spacing <= 0 || !std::isfinite(heightScale)))
    {
        Report("CreateKexTerrain(): Invalid sample spacing or height factor");
        return false;
    }

    constexpr int n = KEX_HEIGHTFIELD_SIZE;
    auto terrain = std::make_unique<TTerrain>();
    const std::shared_ptr<TMaterial> material = b->MaterialByIndex(d->MaterialIndex);
    std::vector<float> mid; // middle of each field's height range
    for (int k = 0; k < d->HeightFieldCount; ++k)
    {
        // Rows run along x and columns along z; the engine wants x to vary fastest.
        const uint8_t* block = d->Samples + size_t(k) * KEX_HEIGHTFIELD_BYTES;
        std::vector<short> heights(size_t(n) * n);
        int lo = 32767, hi = -32768;
        for (int row = 0; row < n; ++row)
            for (int col = 0; col < n; ++col)
            {
                int16_t v;
                std::memcpy(&v, block + (size_t(row) * n + col) * 4, 2);
                heights[size_t(col) * n + row] = v;
                lo = std::min<int>(lo, v);
                hi = std::max<int>(hi, v);
            }
        float minH = lo * heightScale, maxH = hi * heightScale;
        if (minH > maxH)
            std::swap(minH, maxH);
        mid.push_back(0.5f * (minH + maxH));
        auto field = std::make_unique<btHeightfieldTerrainShape>(n, n, heights.data(), heightScale,
                                                                 minH, maxH, 1, false);
        field->setLocalScaling(btVector3(d->Spacing, 1, d->Spacing));
        field->buildAccelerator();
        terrain->Heights.push_back(std::move(heights));
        terrain->Fields.push_back(std::move(field));
    }

    for (int r = 0; r < d->GridSize; ++r)
        for (int c = 0; c < d->GridSize; ++c)
        {
            const int slot = r * KEX_MAX_TILE_GRID + c;
            const int index = d->TileIndex[slot];
            if (index < 0)
                continue; // a hole in the grid
            if (index >= d->HeightFieldCount)
            {
                Report("CreateKexTerrain(): Tile [%d,%d] names missing height field [%d]", r, c,
                       index);
                continue;
            }
            const KexVec3& pos = d->TilePosition[slot];
            if (!IsFinite(pos))
            {
                Report("CreateKexTerrain(): Tile [%d,%d] has an invalid position", r, c);
                continue;
            }
            btHeightfieldTerrainShape* field = terrain->Fields[size_t(index)].get();
            // The engine centres a height field on its bounds; move it so that sample (0, 0)
            // sits at the tile's origin.
            const btVector3 centre(0.5f * (n - 1) * d->Spacing, mid[size_t(index)],
                                   0.5f * (n - 1) * d->Spacing);
            auto tile = std::make_unique<btCollisionObject>();
            tile->setCollisionShape(field);
            tile->setWorldTransform(
                btTransform(btMatrix3x3::getIdentity(), ToVector(pos) + centre));
            tile->setUserPointer(material.get());
            tile->setCollisionFlags(tile->getCollisionFlags() |
                                    btCollisionObject::CF_STATIC_OBJECT);
            b->World->addCollisionObject(tile.get(), btBroadphaseProxy::StaticFilter,
                                         btBroadphaseProxy::AllFilter ^
                                             btBroadphaseProxy::StaticFilter);
            terrain->Tiles.push_back(std::move(tile));
        }
    terrain->Material = material;
    b->Terrain = std::move(terrain);
    return true;
}
