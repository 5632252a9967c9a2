#include "terrain/OstTrn.h"

void TOstTerrain::Reset()
{
    FTilesAcross = 0;
    FTilesDown = 0;
    FModified = false;
}

float TOstTerrain::HeightAt(float, float) const
{
    return 0.0f;
}
