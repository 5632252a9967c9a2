// The terrain of the open track: the loaded terrain file, height and normal queries for the
// rest of the editor, and the per-section edits (displacement maps in and out, rebuilding the
// derived tile data after an edit).
//
// Grid convention: rows run along world Z, columns along world X. A section is 16 x 16 tiles
// of 16 x 16 cells; sample (u, v) is column u, row v of the whole terrain.
#pragma once

#include "core/Globals.h"
#include "core/MatrixMaths.h"
#include "terrain/HovTRNFile.h"

#include <QImage>
#include <functional>
#include <memory>
#include <string>

class TCustomTerrain
{
public:
    virtual ~TCustomTerrain() = default;
    virtual float GetHeight(float x, float z) const = 0;
    virtual void GetNormal(float x, float z, TVector3f& normal) const = 0;
};

class TOstTerrain : public TCustomTerrain
{
public:
    using TProgressEvent = std::function<void(const std::string& text, int position)>;

    TOstTerrain();
    ~TOstTerrain() override;

    // Empties the terrain (no tiles, no heights) and clears the modified flag.
    void Reset();
    // Marks the file as holding no terrain.
    void ResetTerrain() { Reset(); }

    // Reads a terrain file from memory and takes it over. False (terrain left empty) when the
    // data is not a usable terrain; LastError says why.
    bool LoadFromMemory(const void* data, size_t size);
    // Takes over a loaded terrain file.
    bool LoadTerrain(std::unique_ptr<THovTRNfile> file);
    // A flat terrain of tiles x tiles sections (see THovTRNfile::CreateFlat).
    bool CreateFlatTerrain(int tiles, float baseLevel, float maxElevation, float gridStrength);
    const std::string& LastError() const { return FLastError; }

    bool HasHeights() const { return FSectionsX > 0 && FSectionsY > 0; }
    // Height of the ground at world (x, z): linear over the triangle of the cell the point lies
    // in (every cell split from sample (u + 1, v) to (u, v + 1)); outside the terrain the
    // clamped edge height; 0 without a terrain.
    float GetHeight(float x, float z) const override;
    float HeightAt(float x, float z) const { return GetHeight(x, z); }
    // Upward unit normal of the triangle GetHeight interpolates in; (0, 1, 0) without terrain.
    void GetNormal(float x, float z, TVector3f& normal) const override;
    // World height of sample (u, v), clamped into the terrain.
    float SampleHeight(int u, int v) const;

    // Section grid (columns along X, rows along Z) and the sample spacing.
    int TilesAcross() const { return FSectionsX; }
    int TilesDown() const { return FSectionsY; }
    int SectionsX() const { return FSectionsX; }
    int SectionsY() const { return FSectionsY; }
    float CellSize() const { return FTileSpacing; }
    float TileSpacing() const { return FTileSpacing; }
    float SectionSize() const { return 256.0f * FTileSpacing; }
    float HeightRange() const { return FHeightRange; }
    THovTRNfile* File() const { return FFile.get(); }

    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }

    // 16-bit height images (red high byte, green and blue low byte) instead of grey ones.
    bool HeightMapMode = false;

    // A new 257 x 257 24-bit image of the section's heights (top row = last sample row); a
    // null image without a terrain or outside the grid.
    QImage DisplacementMapImage(int row, int column) const;
    // Takes the section's heights from a 257 x 257 24-bit image as DisplacementMapImage draws
    // them (grey: red x 256; 16-bit when any pixel of image row 128 has green != red), then
    // rebuilds the section and the physics terrain. Errors go to the message box; false and
    // the terrain unchanged.
    bool ImportDisplacementMap(int row, int column, const QImage& bitmap);
    // Recomputes the derived data of the section's 256 tiles, taking the tiles beyond its
    // edges from the adjoining sections (wrapping around the grid).
    void RebuildSection(int row, int column);
    // Gives the section fresh tile blocks (257) and textures (17) of its own, holding copies of
    // what it showed before, so later edits stay inside it. False outside the grid, for a
    // terrain of fewer than 2 x 2 sections, or when the file has no room for more storage.
    bool MakeSectionUnique(int row, int column);
    // Number of sections (other than this one) that name one of this section's tile blocks.
    int SectionsSharing(int row, int column) const;

    TProgressEvent OnProgress;

private:
    void Progress(const std::string& text, int position) const
    {
        if (OnProgress)
            OnProgress(text, position);
    }
    void TakeOverFile();
    // Tile block of the sample, with the vertex index inside it; null where there is none.
    const uint8_t* SampleTile(int u, int v, int& vertex) const;

    std::unique_ptr<THovTRNfile> FFile;
    int FSectionsX = 0;
    int FSectionsY = 0;
    float FTileSpacing = 1.0f;
    float FHeightRange = 0.0f;
    bool FModified = false;
    std::string FLastError;
};

inline TOstTerrain* Terrain()
{
    return Global<TOstTerrain>();
}
