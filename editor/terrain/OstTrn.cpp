#include "terrain/OstTrn.h"

#include "platform/MessageBox.h"
#include "ride/KexPhysicsManager.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{
constexpr const char* ImportDisplacementCaption = "Import displacement error";

int Wrap(int value, int count)
{
    return ((value % count) + count) % count;
}
} // namespace

TOstTerrain::TOstTerrain() = default;
TOstTerrain::~TOstTerrain() = default;

void TOstTerrain::Reset()
{
    FFile.reset();
    FSectionsX = 0;
    FSectionsY = 0;
    FTileSpacing = 1.0f;
    FHeightRange = 0.0f;
    FModified = false;
}

void TOstTerrain::TakeOverFile()
{
    FTileSpacing = FFile->TileSpacing();
    FHeightRange = FFile->HeightScale() * FTileSpacing;
    if (FFile->SectionMode() == 1 || !FFile->Root() || !FFile->Root()->HasChildren())
    {
        FSectionsX = 1;
        FSectionsY = 1;
    }
    else
    {
        FSectionsX = FFile->SectionColumns();
        FSectionsY = FFile->SectionRows();
    }
    if (!(FTileSpacing > 0.0f) || !std::isfinite(FTileSpacing) || !std::isfinite(FHeightRange))
    {
        FLastError = "The terrain has no usable tile spacing.";
        Reset();
        return;
    }
    FModified = false;
    Progress("Reading Displacement maps", -1);
    Progress("Reading Textures", -1);
    Progress("Reading Zone maps", -1);
}

bool TOstTerrain::LoadTerrain(std::unique_ptr<THovTRNfile> file)
{
    Reset();
    FLastError.clear();
    if (!file || !file->Loaded())
    {
        FLastError = "No terrain file is loaded.";
        return false;
    }
    FFile = std::move(file);
    TakeOverFile();
    if (!HasHeights())
        return false;
    if (TKexPhysicsManager* physics = PhysicsManager())
        physics->RebuildPhysicsTerrain();
    return true;
}

bool TOstTerrain::LoadFromMemory(const void* data, size_t size)
{
    auto file = std::make_unique<THovTRNfile>();
    file->OnProgress = [this](int phase, int position, int total)
    {
        const int percent = total > 0 ? int(int64_t(position) * 100 / total) : -1;
        if (phase == 0)
            Progress("Reading tiles", percent);
        else if (phase == 1)
            Progress("Reading textures", percent);
    };
    if (!file->LoadFromMemory(data, size))
    {
        Reset();
        FLastError = file->LastError();
        return false;
    }
    file->OnProgress = nullptr;
    return LoadTerrain(std::move(file));
}

bool TOstTerrain::CreateFlatTerrain(int tiles, float baseLevel, float maxElevation,
                                    float gridStrength)
{
    auto file = std::make_unique<THovTRNfile>();
    if (!file->CreateFlat(tiles, baseLevel, maxElevation, gridStrength))
        return false;
    if (!LoadTerrain(std::move(file)))
        return false;
    FHeightRange = maxElevation;
    // A new terrain has not been saved yet.
    FModified = true;
    return true;
}

const uint8_t* TOstTerrain::SampleTile(int u, int v, int& vertex) const
{
    if (!FFile)
        return nullptr;
    const int row = v / 256, column = u / 256;
    const int tileRow = (v % 256) / 16, tileColumn = (u % 256) / 16;
    vertex = 17 * (v % 16) + (u % 16);
    const int index = FFile->TileIndexOf(row, column, tileRow, tileColumn);
    return index < 0 ? nullptr : FFile->Tile(index);
}

float TOstTerrain::SampleHeight(int u, int v) const
{
    if (!HasHeights())
        return 0.0f;
    u = std::clamp(u, 0, 256 * FSectionsX - 1);
    v = std::clamp(v, 0, 256 * FSectionsY - 1);
    int vertex = 0;
    const uint8_t* tile = SampleTile(u, v, vertex);
    if (!tile)
        return 0.0f;
    return float(TileBlock::Height(tile, vertex)) / 65535.0f * FHeightRange;
}

namespace
{
// Sample column (or row) and the fraction inside the cell; far-away and non-finite points
// are kept to a range where the clamped lookup stays exact.
void SplitCoordinate(float world, float spacing, int& sample, float& fraction)
{
    double s = double(world) / double(spacing);
    if (!std::isfinite(s))
        s = 0.0;
    s = std::clamp(s, -1.0e7, 1.0e7);
    const double t = std::trunc(s);
    sample = int(t);
    fraction = float(s - t);
}
} // namespace

float TOstTerrain::GetHeight(float x, float z) const
{
    if (!HasHeights())
        return 0.0f;
    int u, v;
    float fu, fv;
    SplitCoordinate(x, FTileSpacing, u, fu);
    SplitCoordinate(z, FTileSpacing, v, fv);
    float h0, h1, h2;
    if (fu + fv > 1.0f)
    {
        h0 = SampleHeight(u + 1, v + 1);
        h1 = SampleHeight(u, v + 1);
        h2 = SampleHeight(u + 1, v);
        fu = 1.0f - fu;
        fv = 1.0f - fv;
    }
    else
    {
        h0 = SampleHeight(u, v);
        h1 = SampleHeight(u + 1, v);
        h2 = SampleHeight(u, v + 1);
    }
    return h0 + (h1 - h0) * fu + (h2 - h0) * fv;
}

void TOstTerrain::GetNormal(float x, float z, TVector3f& normal) const
{
    normal = {0.0f, 1.0f, 0.0f};
    if (!HasHeights())
        return;
    int u, v;
    float fu, fv;
    SplitCoordinate(x, FTileSpacing, u, fu);
    SplitCoordinate(z, FTileSpacing, v, fv);
    const auto point = [this](int su, int sv) {
        return MakeVector(float(su) * FTileSpacing, SampleHeight(su, sv), float(sv) * FTileSpacing);
    };
    TVector3f a, b, c;
    if (fu + fv <= 1.0f)
    {
        a = point(u + 1, v);
        b = point(u, v);
        c = point(u, v + 1);
    }
    else
    {
        a = point(u, v + 1);
        b = point(u + 1, v + 1);
        c = point(u + 1, v);
    }
    TVector3f n = VectorCross(a - b, c - b);
    if (n.y < 0.0f)
        n = n * -1.0f;
    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (length > 0.0f && std::isfinite(length))
        normal = n * (1.0f / length);
}

QImage TOstTerrain::DisplacementMapImage(int row, int column) const
{
    if (!HasHeights() || row < 0 || column < 0 || row >= FSectionsY || column >= FSectionsX)
        return {};
    QImage image(257, 257, QImage::Format_BGR888);
    image.fill(Qt::black);
    for (int r = 0; r <= 256; ++r)
        for (int c = 0; c <= 256; ++c)
        {
            // Sample (r, c) of the section: the last row and column are the edge samples its
            // tiles share with the next ones inside the section.
            const int tileRow = std::min(r / 16, 15), tileColumn = std::min(c / 16, 15);
            const int index = FFile->TileIndexOf(row, column, tileRow, tileColumn);
            const uint8_t* tile = index < 0 ? nullptr : FFile->Tile(index);
            if (!tile)
                continue;
            const int h = TileBlock::Height(tile, 17 * (r - 16 * tileRow) + (c - 16 * tileColumn));
            const int high = h / 256, low = h % 256;
            const QRgb colour = HeightMapMode ? qRgb(high, low, low) : qRgb(high, high, high);
            image.setPixel(c, 256 - r, colour);
        }
    return image;
}

int TOstTerrain::SectionsSharing(int row, int column) const
{
    if (!HasHeights())
        return 0;
    int count = 0;
    for (int sr = 0; sr < FSectionsY; ++sr)
        for (int sc = 0; sc < FSectionsX; ++sc)
        {
            if (sr == row && sc == column)
                continue;
            bool shares = false;
            for (int t = 0; t < 256 && !shares; ++t)
            {
                const int mine = FFile->TileIndexOf(row, column, t / 16, t % 16);
                for (int o = 0; o < 256 && !shares && mine >= 0; ++o)
                    shares = FFile->TileIndexOf(sr, sc, o / 16, o % 16) == mine;
            }
            count += shares ? 1 : 0;
        }
    return count;
}

bool TOstTerrain::ImportDisplacementMap(int row, int column, const QImage& bitmap)
{
    if (!HasHeights())
    {
        MsgBox().ShowMessageBox("There is no TRN loaded to import the displacement map into.",
                                ImportDisplacementCaption);
        return false;
    }
    if (bitmap.depth() != 24)
    {
        MsgBox().ShowMessageBox("The displacement map is not a 24bit TGA file.",
                                ImportDisplacementCaption);
        return false;
    }
    if (bitmap.width() != 257 || bitmap.height() != 257)
    {
        MsgBox().ShowMessageBox("The displacement map must be 257x257 pixels.",
                                ImportDisplacementCaption);
        return false;
    }
    if (row < 0 || column < 0 || row >= FSectionsY || column >= FSectionsX)
    {
        MsgBox().ShowMessageBox("There is no section at this position of the terrain.",
                                ImportDisplacementCaption);
        return false;
    }
    bool sixteenBit = false;
    for (int c = 0; c < 257 && !sixteenBit; ++c)
    {
        const QRgb p = bitmap.pixel(c, 128);
        sixteenBit = qGreen(p) != qRed(p);
    }
    for (int tr = 0; tr < 16; ++tr)
        for (int tc = 0; tc < 16; ++tc)
        {
            const int index = FFile->TileIndexOf(row, column, tr, tc);
            uint8_t* tile = index < 0 ? nullptr : FFile->Tile(index);
            if (!tile)
                continue;
            for (int r = 0; r <= 16; ++r)
                for (int c = 0; c <= 16; ++c)
                {
                    const QRgb p = bitmap.pixel(16 * tc + c, 256 - (16 * tr + r));
                    const int h = sixteenBit ? qRed(p) * 256 + qGreen(p) : qRed(p) * 256;
                    TileBlock::SetHeight(tile, 17 * r + c, uint16_t(h));
                }
        }
    RebuildSection(row, column);
    FModified = true;
    if (TKexPhysicsManager* physics = PhysicsManager())
        physics->RebuildPhysicsTerrain();
    return true;
}

void TOstTerrain::RebuildSection(int row, int column)
{
    if (!HasHeights() || row < 0 || column < 0 || row >= FSectionsY || column >= FSectionsX)
        return;
    TTrnNode* section = FFile->SectionNode(row, column);
    const auto block = [this, row, column](int tr, int tc) -> uint8_t*
    {
        int sr = row, sc = column;
        if (tr < 0)
            --sr, tr += 16;
        else if (tr > 15)
            ++sr, tr -= 16;
        if (tc < 0)
            --sc, tc += 16;
        else if (tc > 15)
            ++sc, tc -= 16;
        sr = Wrap(sr, FSectionsY);
        sc = Wrap(sc, FSectionsX);
        const int index = FFile->TileIndexOf(sr, sc, tr, tc);
        return index < 0 ? nullptr : FFile->Tile(index);
    };
    for (int tr = 0; tr < 16; ++tr)
        for (int tc = 0; tc < 16; ++tc)
        {
            std::array<uint8_t*, 9> neighbours{};
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc)
                    neighbours[size_t(3 * (dr + 1) + (dc + 1))] = block(tr + dr, tc + dc);
            if (!neighbours[4])
                continue;
            TTrnNode* node = section ? section->Child(tr, tc) : nullptr;
            FFile->RebuildTile(node, neighbours, tr, tc, TCustomTRNFile::rbAll);
        }
}

bool TOstTerrain::MakeSectionUnique(int row, int column)
{
    if (!HasHeights() || row < 0 || column < 0 || row >= FSectionsY || column >= FSectionsX ||
        FSectionsX < 2 || FSectionsY < 2)
        return false;
    TTrnNode* section = FFile->SectionNode(row, column);
    if (!section || !section->HasChildren())
        return false;
    const int t0 = FFile->TileCount(), x0 = FFile->TextureCount();
    // Tile indices are 16-bit; texture entries are twice the index and 65534 means none.
    if (t0 + 257 > 65535 || 2 * (x0 + 17) >= int(TTrnNode::NoTexture))
        return false;

    // The content the section shows now, taken before any index changes.
    std::vector<uint8_t> block(TileBlock::Size);
    const auto copyOrBlank = [&](int index)
    {
        const uint8_t* old = index >= 0 ? FFile->Tile(index) : nullptr;
        if (old)
            std::memcpy(block.data(), old, block.size());
        else
        {
            TileBlock::MakeBlank(block.data(), 65535);
            TileBlock::SetWord(block.data(), TileBlock::Trailer, 0);
        }
    };
    const auto oldTexture = [&](int entry) -> QImage
    {
        const uint32_t value = section->TextureEntry(entry);
        const QImage* old = value != TTrnNode::NoTexture ? FFile->Texture(int(value / 2)) : nullptr;
        if (old && !old->isNull())
            return *old;
        QImage grey(256, 256, QImage::Format_ARGB32);
        grey.fill(qRgb(192, 192, 192));
        return grey;
    };

    std::vector<std::vector<uint8_t>> tiles(257);
    copyOrBlank(section->TileIndex() < t0 ? int(section->TileIndex()) : -1);
    tiles[0] = block;
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
        {
            copyOrBlank(FFile->TileIndexOf(row, column, j, i));
            tiles[size_t(1 + 16 * i + j)] = block;
        }
    std::vector<QImage> textures(17);
    textures[0] = oldTexture(0);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            textures[size_t(1 + 4 * i + j)] = oldTexture(1 + 4 * j + i);

    FFile->SetTileCount(t0 + 257);
    for (int k = 0; k < 257; ++k)
        FFile->SetTile(t0 + k, tiles[size_t(k)].data());
    for (int k = 0; k < 17; ++k)
        FFile->ReplaceTexture(x0 + k, textures[size_t(k)]);

    section->SetTileIndex(uint16_t(t0));
    section->SetTextureEntry(0, uint32_t(2 * x0));
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            section->SetTextureEntry(1 + 4 * j + i, uint32_t(2 * (x0 + 1 + 4 * i + j)));
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
            if (TTrnNode* tile = section->Child(j, i))
            {
                tile->SetTileIndex(uint16_t(t0 + 1 + 16 * i + j));
                for (int k = 0; k < 17; ++k)
                    tile->SetTextureEntry(k, TTrnNode::NoTexture);
            }
    FModified = true;
    return true;
}
