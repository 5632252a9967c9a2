// Terrain files (".trn"): a grid of sections of 16 x 16 tiles, each tile a 17 x 17 height map
// with its derived data, the ground textures, and the tree of section nodes that says which
// tile block and texture lie where.
//
// TCustomTRNFile holds the tiles, textures and the derivation of per-tile data;
// THovTRNfile reads the three layouts the game's terrain files come in (LOD, the editor's
// own; TRN, with LZW-packed chunks; PLN) and writes the LOD layout.
//
// Grid convention: rows run along world Z and columns along world X. Vertex (r, c) of a tile
// has index 17 r + c in every per-vertex array. Child-table entry 16 j + i is row j, column i.
#pragma once

#include "core/MatrixMaths.h"
#include "core/Streams.h"
#include "terrain/Ost32Pal8.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Layout of a tile block.
namespace TileBlock
{
constexpr int Size = 3408;
constexpr int Vertices = 289; // 17 x 17
constexpr int Reserved0 = 0;  // 16-bit: 65535 in blocks the editor creates
constexpr int Heights = 4;    // 289 unsigned 16-bit values
constexpr int Normals = 582;  // 289 x (x, y, z) signed bytes, unit normal x 127
constexpr int Visibility = 1449;
constexpr int Zones = 1738;
constexpr int MaxErrors = 2027;
constexpr int OrderA = 2316; // 256 unsigned 16-bit values
constexpr int OrderB = 2828; // 289 unsigned 16-bit values
constexpr int Trailer = 3406;

inline uint16_t Height(const uint8_t* tile, int vertex)
{
    uint16_t v;
    std::memcpy(&v, tile + Heights + 2 * vertex, 2);
    return v;
}
inline void SetHeight(uint8_t* tile, int vertex, uint16_t value)
{
    std::memcpy(tile + Heights + 2 * vertex, &value, 2);
}
inline uint16_t Word(const uint8_t* tile, int offset)
{
    uint16_t v;
    std::memcpy(&v, tile + offset, 2);
    return v;
}
inline void SetWord(uint8_t* tile, int offset, uint16_t value)
{
    std::memcpy(tile + offset, &value, 2);
}

// A blank tile: reserved 65535, every height `height`, normals straight up, zero visibility,
// zone and error bytes, order tables of a flat tile.
void MakeBlank(uint8_t* tile, uint16_t height);
} // namespace TileBlock

// A node of the section tree: the 97-byte record (its child-table offset is worked out when
// the file is written) and its children, 256 entries (null where there is none) or none.
class TTrnNode
{
public:
    static constexpr int RecordSize = 97;
    static constexpr uint32_t NoTexture = 65534;

    std::array<uint8_t, RecordSize> Data{};
    std::vector<std::unique_ptr<TTrnNode>> Children; // empty, or 256 entries

    TTrnNode() = default;
    TTrnNode(const TTrnNode& other);
    TTrnNode& operator=(const TTrnNode& other);

    float Float(int offset) const;
    void SetFloat(int offset, float value);
    float HeightUnit() const { return Float(4); }
    float HeightScale() const { return Float(12); }
    uint16_t MaxError() const;
    void SetMaxError(uint16_t value);
    uint16_t TileIndex() const;
    void SetTileIndex(uint16_t value);
    // Texture entry k (0: overview, 1..16 the 4 x 4 blocks): twice the texture index, or
    // NoTexture.
    uint32_t TextureEntry(int k) const;
    void SetTextureEntry(int k, uint32_t value);
    uint8_t FormatCode() const { return Data[92]; }
    void SetFormatCode(uint8_t code) { Data[92] = code; }

    bool HasChildren() const { return !Children.empty(); }
    TTrnNode* Child(int entry) const
    {
        return entry >= 0 && entry < int(Children.size()) ? Children[size_t(entry)].get() : nullptr;
    }
    TTrnNode* Child(int row, int column) const { return Child(16 * row + column); }
    // Gives the node a child table (256 empty entries) when it has none.
    void MakeChildTable() { Children.resize(256); }
};

enum class TTrnVariant
{
    None,
    LOD,
    TRN,
    PLN
};
const char* TrnVariantName(TTrnVariant variant);

// Progress while reading and writing: (phase, position, total). Phases: 0 tiles read, 1
// textures read, 2 reading done, 3 tiles written, 5 palette built, 6 textures written.
using TTrnProgressEvent = std::function<void(int phase, int position, int total)>;

class TCustomTRNFile
{
public:
    virtual ~TCustomTRNFile() = default;

    virtual float TileSpacing() const { return 0.0f; }
    virtual float HeightScale() const { return 0.0f; }
    virtual int TileCount() const { return int(FTiles.size() / TileBlock::Size); }
    virtual TTrnNode* Root() const { return nullptr; }
    // The section node at (row, column); the root for a single-section terrain; null outside
    // the grid.
    virtual TTrnNode* SectionNode(int row, int column) const { return nullptr; }
    // The tile index of tile (tileRow, tileColumn) of section (row, column); -1 when there is
    // none or it names no tile block.
    virtual int TileIndexOf(int row, int column, int tileRow, int tileColumn) const { return -1; }
    virtual int SectionRows() const { return 0; }
    virtual int SectionColumns() const { return 0; }
    virtual int SectionMode() const { return 0; }
    // Texture at an index (32-bit ARGB bitmap); null for an invalid index.
    virtual const QImage* Texture(int index) const;
    virtual int TextureCount() const { return int(FTextures.size()); }
    // The tile block at an index (TileBlock::Size bytes); null for an invalid index.
    virtual uint8_t* Tile(int index);
    virtual const uint8_t* Tile(int index) const;
    virtual bool SetTile(int index, const uint8_t* block);
    // Resizes the tile storage; new blocks are blank.
    virtual void SetTileCount(int count);
    virtual void ClearNode(TTrnNode& node);
    // Replaces texture index with a copy of bitmap in 32 bits (appends when index is the
    // count); false for an invalid index.
    virtual bool ReplaceTexture(int index, const QImage& bitmap);
    virtual bool DeleteTile(int index);
    virtual void SaveToStream(TStream& stream, bool eightBit) {}
    virtual int ExportSection(int row, int column, TStream* stream) { return 0; }
    virtual bool LoadFromMemory(const void* data, size_t size) { return false; }
    // Recomputes the derived data of a tile (flags: rbNormals, rbMaxErrors, rbOrderTables,
    // rbVisibility). neighbours is the 3 x 3 block of tile blocks around it: entry
    // 3 (dr + 1) + (dc + 1) lies dr rows and dc columns away, entry 4 is the tile itself and
    // is rewritten. A missing neighbour (null) is replaced by the tile's own edge. node (may be
    // null) receives the tile's largest height error. Only row and column modulo 4 matter.
    void RebuildTile(TTrnNode* node, const std::array<uint8_t*, 9>& neighbours, int row, int column,
                     int flags) const;
    // Logs the tile's stored data beside freshly computed data.
    virtual void WriteTileReport(const std::array<uint8_t*, 9>& neighbours, int row,
                                 int column) const;

    enum : int
    {
        rbNormals = 1,
        rbMaxErrors = 2,
        rbOrderTables = 4,
        rbVisibility = 8,
        rbAll = 15
    };

    TTrnProgressEvent OnProgress;
    // Why the last load failed ("" after a good load).
    const std::string& LastError() const { return FLastError; }

protected:
    void Progress(int phase, int position, int total) const
    {
        if (OnProgress)
            OnProgress(phase, position, total);
    }

    std::vector<QImage> FTextures;
    std::vector<uint8_t> FTiles; // TileCount blocks, contiguous
    std::string FLastError;
};

// Raised inside the reader when the data does not hold together; the load catches it.
class ETrnDamaged : public EReadError
{
public:
    using EReadError::EReadError;
};

class THovTRNfile : public TCustomTRNFile
{
public:
    static constexpr int HeaderSize = 45;
    static constexpr int TrnHeaderSize = 24;
    static constexpr int TrailerSize = 24;
    static constexpr int MaxSections = 16;
    static constexpr int TextureSide = 256;
    static constexpr int TextureLevels = 9;
    static constexpr uint32_t Format8Bit = 39;      // 8-bit indices, rows in order
    static constexpr uint32_t Format8Swizzled = 56; // 8-bit indices, swizzled
    static constexpr uint32_t Format32Bit = 200;
    static constexpr int TextureBlockSize8 = 87505;
    static constexpr int TextureBlockSize32 = 349648;

    THovTRNfile();
    ~THovTRNfile() override;

    float TileSpacing() const override { return FTileSpacing; }
    void SetTileSpacing(float value) { FTileSpacing = value; }
    float HeightScale() const override { return FHeightScale; }
    // Stores value and writes value / 65535 and value into every node of the tree.
    void SetHeightScale(float value);
    TTrnNode* Root() const override { return FRoot.get(); }
    TTrnNode* SectionNode(int row, int column) const override;
    int TileIndexOf(int row, int column, int tileRow, int tileColumn) const override;
    int SectionRows() const override { return FSectionsY; }
    int SectionColumns() const override { return FSectionsX; }
    int SectionMode() const override { return FSectionMode; }
    TTrnVariant Variant() const { return FVariant; }
    bool Loaded() const { return FVariant != TTrnVariant::None; }
    const TPalette256& Palette() const { return FPalette; }
    const std::array<uint8_t, HeaderSize>& Header() const { return FHeader; }
    // The TRN layout's three extra packed blocks, kept as read.
    const std::vector<uint8_t>& TrnExtra() const { return FTrnExtra; }

    // Empties the file (no tiles, textures or tree).
    void Clear();

    // Reads a terrain file in any of its three layouts. False (and an empty file, with
    // LastError saying why) when the data is not a terrain file or is damaged; an LZW error
    // in a packed chunk raises EReadError ("Fatal LZW error during code expansion").
    bool LoadFromMemory(const void* data, size_t size) override;
    bool LoadFromStream(TStream& stream);
    bool LoadFromFile(const std::string& fileName);

    // Writes the LOD layout. With eightBit the textures are reduced to one 256-colour palette
    // and stored as swizzled 8-bit indices; otherwise as 32-bit colours.
    void SaveToStream(TStream& stream, bool eightBit) override;
    // Writes through a temporary file, so a failed write keeps the old file.
    void SaveToFile(const std::string& fileName, bool eightBit);
    // A single-section file of section (row, column): 257 tile blocks and 17 32-bit textures.
    // Returns the bytes written; 0 (nothing written) without a stream or outside the grid.
    int ExportSection(int row, int column, TStream* stream) override;

    // A flat terrain of tiles x tiles sections (2 to 16), all sharing tile blocks 1 to 257 and
    // textures 0 to 15: heights baseLevel / maxElevation of the range, spacing gridStrength,
    // height range maxElevation. False for a non-positive maxElevation or gridStrength.
    bool CreateFlat(int tiles, float baseLevel, float maxElevation, float gridStrength);

private:
    void ReadFile(const uint8_t* data, size_t size);
    void ReadTree(const uint8_t* data, size_t size, uint32_t treeOffset);
    void CountSections();
    std::vector<uint8_t> TreeBytes(const TTrnNode& root, uint32_t base) const;

    std::array<uint8_t, HeaderSize> FHeader{};
    TPalette256 FPalette{};
    float FTileSpacing = 0.0f;
    float FHeightScale = 0.0f;
    int FSectionMode = 0;
    int FSectionsX = 0;
    int FSectionsY = 0;
    uint32_t FTextureFormat = Format32Bit;
    TTrnVariant FVariant = TTrnVariant::None;
    std::unique_ptr<TTrnNode> FRoot;
    std::vector<uint8_t> FTrnExtra;
};

// The standard header of the LOD layout.
std::array<uint8_t, THovTRNfile::HeaderSize> LodHeader();
