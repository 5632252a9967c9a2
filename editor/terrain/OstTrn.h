// The terrain of the open track: sections of tiles with heights, textures and zones.
#pragma once

#include "core/Globals.h"
#include "core/MatrixMaths.h"

#include <functional>
#include <string>

class TOstTerrain
{
public:
    using TProgressEvent = std::function<void(const std::string& text, int position)>;

    // Empties the terrain (no tiles, no heights).
    void Reset();
    bool HasHeights() const { return FTilesAcross > 0; }
    // Height of the ground at (x, z); 0 where the terrain has no data.
    float HeightAt(float x, float z) const;

    int TilesAcross() const { return FTilesAcross; }
    int TilesDown() const { return FTilesDown; }
    float CellSize() const { return FCellSize; }
    bool Modified() const { return FModified; }

    TProgressEvent OnProgress;

private:
    int FTilesAcross = 0;
    int FTilesDown = 0;
    float FCellSize = 1.0f;
    bool FModified = false;
};

inline TOstTerrain* Terrain()
{
    return Global<TOstTerrain>();
}
