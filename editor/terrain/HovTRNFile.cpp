#include "terrain/HovTRNFile.h"

#include "archive/LZW.h"
#include "platform/KexLog.h"
#include "platform/Unswizzle.h"

#include <algorithm>
#include <cmath>
#include <limits>

// ---------------------------------------------------------------------------------------------
// Tile blocks and nodes

void TileBlock::MakeBlank(uint8_t* tile, uint16_t height)
{
    std::memset(tile, 0, Size);
    SetWord(tile, Reserved0, 65535);
    for (int v = 0; v < Vertices; ++v)
    {
        SetHeight(tile, v, height);
        tile[Normals + 3 * v + 1] = 127;
    }
    SetWord(tile, OrderA, 0);
    for (int j = 1; j < 256; ++j)
        SetWord(tile, OrderA + 2 * j, 289);
    for (int k = 0; k < Vertices; ++k)
        SetWord(tile, OrderB + 2 * k, uint16_t(k));
}

TTrnNode::TTrnNode(const TTrnNode& other) : Data(other.Data)
{
    *this = other;
}

TTrnNode& TTrnNode::operator=(const TTrnNode& other)
{
    if (this == &other)
        return *this;
    Data = other.Data;
    Children.clear();
    Children.resize(other.Children.size());
    for (size_t i = 0; i < other.Children.size(); ++i)
        if (other.Children[i])
            Children[i] = std::make_unique<TTrnNode>(*other.Children[i]);
    return *this;
}

float TTrnNode::Float(int offset) const
{
    float v;
    std::memcpy(&v, Data.data() + offset, 4);
    return v;
}
void TTrnNode::SetFloat(int offset, float value)
{
    std::memcpy(Data.data() + offset, &value, 4);
}
uint16_t TTrnNode::MaxError() const
{
    return TileBlock::Word(Data.data(), 16);
}
void TTrnNode::SetMaxError(uint16_t value)
{
    TileBlock::SetWord(Data.data(), 16, value);
}
uint16_t TTrnNode::TileIndex() const
{
    return TileBlock::Word(Data.data(), 18);
}
void TTrnNode::SetTileIndex(uint16_t value)
{
    TileBlock::SetWord(Data.data(), 18, value);
}
uint32_t TTrnNode::TextureEntry(int k) const
{
    uint32_t v = NoTexture;
    if (k >= 0 && k < 17)
        std::memcpy(&v, Data.data() + 20 + 4 * k, 4);
    return v;
}
void TTrnNode::SetTextureEntry(int k, uint32_t value)
{
    if (k >= 0 && k < 17)
        std::memcpy(Data.data() + 20 + 4 * k, &value, 4);
}

const char* TrnVariantName(TTrnVariant variant)
{
    switch (variant)
    {
    case TTrnVariant::LOD:
        return "LOD";
    case TTrnVariant::TRN:
        return "TRN";
    case TTrnVariant::PLN:
        return "PLN";
    default:
        return "none";
    }
}

std::array<uint8_t, THovTRNfile::HeaderSize> LodHeader()
{
    std::array<uint8_t, THovTRNfile::HeaderSize> h{};
    std::memcpy(h.data(),
                "LOD\0"
                "7dx \0"
                "UnCompressedDXPal8MM",
                4 + 5 + 20);
    const uint32_t one = 1;
    std::memcpy(h.data() + 41, &one, 4);
    return h;
}

// ---------------------------------------------------------------------------------------------
// TCustomTRNFile

const QImage* TCustomTRNFile::Texture(int index) const
{
    return index >= 0 && index < int(FTextures.size()) ? &FTextures[size_t(index)] : nullptr;
}

uint8_t* TCustomTRNFile::Tile(int index)
{
    return index >= 0 && index < TileCount() ? FTiles.data() + size_t(index) * TileBlock::Size
                                             : nullptr;
}

const uint8_t* TCustomTRNFile::Tile(int index) const
{
    return index >= 0 && index < TileCount() ? FTiles.data() + size_t(index) * TileBlock::Size
                                             : nullptr;
}

bool TCustomTRNFile::SetTile(int index, const uint8_t* block)
{
    uint8_t* tile = Tile(index);
    if (!tile || !block)
        return false;
    std::memmove(tile, block, TileBlock::Size);
    return true;
}

void TCustomTRNFile::SetTileCount(int count)
{
    const int old = TileCount();
    count = std::max(count, 0);
    FTiles.resize(size_t(count) * TileBlock::Size);
    for (int i = old; i < count; ++i)
        TileBlock::MakeBlank(Tile(i), 65535);
}

void TCustomTRNFile::ClearNode(TTrnNode& node)
{
    node.Data.fill(0);
    node.Children.clear();
}

bool TCustomTRNFile::ReplaceTexture(int index, const QImage& bitmap)
{
    if (index < 0 || index > int(FTextures.size()) || bitmap.isNull())
        return false;
    QImage copy = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (index == int(FTextures.size()))
        FTextures.push_back(std::move(copy));
    else
        FTextures[size_t(index)] = std::move(copy);
    return true;
}

bool TCustomTRNFile::DeleteTile(int index)
{
    if (!Tile(index))
        return false;
    FTiles.erase(FTiles.begin() + ptrdiff_t(index) * TileBlock::Size,
                 FTiles.begin() + ptrdiff_t(index + 1) * TileBlock::Size);
    return true;
}

namespace
{
// Heights around a tile: rows and columns below 0 or above 16 come from the neighbours.
class THeightReader
{
public:
    THeightReader(const std::array<uint8_t*, 9>& neighbours, float heightScale)
        : FTiles(neighbours), FScale(double(heightScale) / 65535.0)
    {
    }

    uint16_t Value(int r, int c) const
    {
        int dr = 0, dc = 0, rr = r, cc = c;
        if (rr < 0)
            dr = -1, rr += 16;
        else if (rr > 16)
            dr = 1, rr -= 16;
        if (cc < 0)
            dc = -1, cc += 16;
        else if (cc > 16)
            dc = 1, cc -= 16;
        const uint8_t* tile = FTiles[size_t(3 * (dr + 1) + dc + 1)];
        if (!tile || rr < 0 || rr > 16 || cc < 0 || cc > 16)
        {
            tile = FTiles[4];
            rr = std::clamp(r, 0, 16);
            cc = std::clamp(c, 0, 16);
        }
        return TileBlock::Height(tile, 17 * rr + cc);
    }

    // Vertex (r, c) as the point (c, scaled height, r).
    void Point(int r, int c, double p[3]) const
    {
        p[0] = c;
        p[1] = FScale * Value(r, c);
        p[2] = r;
    }

private:
    const std::array<uint8_t*, 9>& FTiles;
    double FScale;
};

int PowerPart(int n)
{
    if (n == 0 || n == 16)
        return 16;
    return n & -n;
}

// The upward unit normal of triangle (a, b, c).
void TriangleNormal(const double a[3], const double b[3], const double c[3], double n[3])
{
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
    if (n[1] < 0)
        n[0] = -n[0], n[1] = -n[1], n[2] = -n[2];
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len > 0)
        n[0] /= len, n[1] /= len, n[2] /= len;
}

int8_t NormalByte(double v)
{
    return int8_t(std::clamp(std::lround(v * 127.0), -127L, 127L));
}
} // namespace

void TCustomTRNFile::RebuildTile(TTrnNode* node, const std::array<uint8_t*, 9>& neighbours, int row,
                                 int column, int flags) const
{
    uint8_t* tile = neighbours[4];
    if (!tile)
        return;
    const THeightReader heights(neighbours, HeightScale());

    if (flags & rbNormals)
    {
        double sums[17][17][3] = {};
        for (int r = -1; r <= 16; ++r)
            for (int c = -1; c <= 16; ++c)
            {
                // The cell's two triangles, split along the diagonal that alternates.
                int tris[2][3][2];
                if (((r + c) & 1) == 0)
                {
                    const int t[2][3][2] = {{{r, c}, {r, c + 1}, {r + 1, c + 1}},
                                            {{r, c}, {r + 1, c + 1}, {r + 1, c}}};
                    std::memcpy(tris, t, sizeof tris);
                }
                else
                {
                    const int t[2][3][2] = {{{r, c}, {r, c + 1}, {r + 1, c}},
                                            {{r, c + 1}, {r + 1, c + 1}, {r + 1, c}}};
                    std::memcpy(tris, t, sizeof tris);
                }
                for (const auto& tri : tris)
                {
                    bool touches = false;
                    for (const auto& v : tri)
                        touches |= v[0] >= 0 && v[0] <= 16 && v[1] >= 0 && v[1] <= 16;
                    if (!touches)
                        continue;
                    double p[3][3], n[3];
                    for (int k = 0; k < 3; ++k)
                        heights.Point(tri[k][0], tri[k][1], p[k]);
                    TriangleNormal(p[0], p[1], p[2], n);
                    for (const auto& v : tri)
                        if (v[0] >= 0 && v[0] <= 16 && v[1] >= 0 && v[1] <= 16)
                            for (int k = 0; k < 3; ++k)
                                sums[v[0]][v[1]][k] += n[k];
                }
            }
        for (int r = 0; r <= 16; ++r)
            for (int c = 0; c <= 16; ++c)
            {
                const double* s = sums[r][c];
                const double len = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
                uint8_t* out = tile + TileBlock::Normals + 3 * (17 * r + c);
                for (int k = 0; k < 3; ++k)
                    out[k] = uint8_t(NormalByte(len > 0 ? s[k] / len : (k == 1 ? 1.0 : 0.0)));
            }
    }

    if (flags & rbMaxErrors)
    {
        double largest = 0;
        const int blockRow = 16 * (((row % 4) + 4) % 4);
        const int blockColumn = 16 * (((column % 4) + 4) % 4);
        for (int r = 0; r <= 16; ++r)
            for (int c = 0; c <= 16; ++c)
            {
                const int d = std::min(PowerPart(r), PowerPart(c));
                const int f = (blockRow + r) / d;
                const int e = (blockColumn + c) / d;
                int r1, c1, r2, c2;
                if (e % 2 == 0)
                    r1 = r - d, c1 = c, r2 = r + d, c2 = c;
                else if (f % 2 == 0)
                    r1 = r, c1 = c - d, r2 = r, c2 = c + d;
                else if (e % 4 == f % 4)
                    r1 = r - d, c1 = c - d, r2 = r + d, c2 = c + d;
                else
                    r1 = r - d, c1 = c + d, r2 = r + d, c2 = c - d;
                const double error =
                    std::fabs((double(heights.Value(r1, c1)) + heights.Value(r2, c2)) / 2.0 -
                              heights.Value(r, c));
                largest = std::max(largest, error);
                tile[TileBlock::MaxErrors + 17 * r + c] =
                    uint8_t(std::lround(255.0 * std::pow(error / 65535.0, 0.0995)));
            }
        if (node)
            node->SetMaxError(uint16_t(std::lround(largest)));
    }

    if (flags & rbOrderTables)
    {
        // Vertices column by column, sorted by error byte (equal bytes keep that order).
        std::array<int, TileBlock::Vertices> order;
        int n = 0;
        for (int c = 0; c <= 16; ++c)
            for (int r = 0; r <= 16; ++r)
                order[size_t(n++)] = 17 * r + c;
        const uint8_t* errors = tile + TileBlock::MaxErrors;
        std::stable_sort(order.begin(), order.end(),
                         [errors](int a, int b) { return errors[a] < errors[b]; });
        for (int p = 0; p < TileBlock::Vertices; ++p)
            TileBlock::SetWord(tile, TileBlock::OrderB + 2 * order[size_t(p)], uint16_t(p));
        // runStart[p]: the first position of the run of equal bytes that holds position p.
        std::array<int, TileBlock::Vertices> runStart;
        for (int p = 0; p < TileBlock::Vertices; ++p)
            runStart[size_t(p)] = p > 0 && errors[order[size_t(p)]] == errors[order[size_t(p - 1)]]
                                      ? runStart[size_t(p - 1)]
                                      : p;
        int m = TileBlock::Vertices;
        for (int p = 1; p < TileBlock::Vertices; ++p)
            if (errors[order[size_t(p)]] != errors[order[0]])
            {
                m = p;
                break;
            }
        TileBlock::SetWord(tile, TileBlock::OrderA, 0);
        for (int j = 1; j < 256; ++j)
        {
            const int p = m + j;
            TileBlock::SetWord(tile, TileBlock::OrderA + 2 * j,
                               uint16_t(p <= 288 ? runStart[size_t(p)] : 289));
        }
    }

    if (flags & rbVisibility)
    {
        static constexpr int Around[8][3] = {{-1, -1, 220}, {-1, 0, 155}, {-1, 1, 227},
                                             {0, 1, 227},   {1, 1, 53},   {1, 0, 58},
                                             {1, -1, 31},   {0, -1, 31}};
        for (int r = 0; r <= 16; ++r)
            for (int c = 0; c <= 16; ++c)
            {
                const uint16_t h = heights.Value(r, c);
                uint8_t v = 0;
                for (const auto& a : Around)
                    if (heights.Value(r + a[0], c + a[1]) > h)
                        v = uint8_t(v + a[2]);
                tile[TileBlock::Visibility + 17 * r + c] = v;
            }
    }
}

void TCustomTRNFile::WriteTileReport(const std::array<uint8_t*, 9>& neighbours, int row,
                                     int column) const
{
    TKexLog* log = KexLog();
    if (!log || !neighbours[4])
        return;
    std::vector<uint8_t> fresh(neighbours[4], neighbours[4] + TileBlock::Size);
    std::array<uint8_t*, 9> around = neighbours;
    around[4] = fresh.data();
    RebuildTile(nullptr, around, row, column, rbAll);
    const uint8_t* stored = neighbours[4];

    auto rowText = [](const uint8_t* bytes, int r, bool isSigned)
    {
        std::string line;
        for (int c = 0; c <= 16; ++c)
            line +=
                std::to_string(isSigned ? int(int8_t(bytes[17 * r + c])) : int(bytes[17 * r + c])) +
                (c < 16 ? " " : "");
        return line;
    };
    log->Log("Normals (stored, computed).", TKexLog::lfOpenGroup);
    for (int v = 0; v < TileBlock::Vertices; v += 17)
    {
        std::string line;
        for (int c = 0; c < 17; ++c)
        {
            const uint8_t* a = stored + TileBlock::Normals + 3 * (v + c);
            const uint8_t* b = fresh.data() + TileBlock::Normals + 3 * (v + c);
            line += "(" + std::to_string(int8_t(a[0])) + "," + std::to_string(int8_t(a[1])) + "," +
                    std::to_string(int8_t(a[2])) + "|" + std::to_string(int8_t(b[0])) + "," +
                    std::to_string(int8_t(b[1])) + "," + std::to_string(int8_t(b[2])) + ") ";
        }
        log->Log(line);
    }
    log->Log("", TKexLog::lfCloseGroup);
    log->Log("PVS data.", TKexLog::lfOpenGroup);
    for (int r = 0; r <= 16; ++r)
        log->Log(rowText(stored + TileBlock::Visibility, r, false) + "  |  " +
                 rowText(fresh.data() + TileBlock::Visibility, r, false));
    log->Log("", TKexLog::lfCloseGroup);
    log->Log("Zone byte data.", TKexLog::lfOpenGroup);
    for (int r = 0; r <= 16; ++r)
        log->Log(rowText(stored + TileBlock::Zones, r, false));
    log->Log("", TKexLog::lfCloseGroup);
    log->Log("Original MaxError byte data.", TKexLog::lfOpenGroup);
    for (int r = 0; r <= 16; ++r)
        log->Log(rowText(stored + TileBlock::MaxErrors, r, false) + "  |  " +
                 rowText(fresh.data() + TileBlock::MaxErrors, r, false));
    log->Log("", TKexLog::lfCloseGroup);
    uint16_t lo = 65535, hi = 0;
    for (int v = 0; v < TileBlock::Vertices; ++v)
    {
        lo = std::min(lo, TileBlock::Height(stored, v));
        hi = std::max(hi, TileBlock::Height(stored, v));
    }
    log->Log("Actual heightmap min: " + std::to_string(lo) + " max: " + std::to_string(hi));
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace
{
// A bounds-checked read cursor; every failure names what was being read and where.
class TCursor
{
public:
    TCursor(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw ETrnDamaged(what + " at offset " + std::to_string(FPos));
    }
    void Need(size_t count, const char* what) const
    {
        if (count > FSize - FPos)
            Fail(std::string("truncated ") + what);
    }
    void Seek(size_t pos, const char* what)
    {
        if (pos > FSize)
            Fail(std::string(what) + " offset " + std::to_string(pos) + " outside the file");
        FPos = pos;
    }
    void Skip(size_t count, const char* what)
    {
        Need(count, what);
        FPos += count;
    }
    uint32_t U32(const char* what)
    {
        Need(4, what);
        uint32_t v;
        std::memcpy(&v, FData + FPos, 4);
        FPos += 4;
        return v;
    }
    float F32(const char* what)
    {
        const uint32_t bits = U32(what);
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    const uint8_t* Take(size_t count, const char* what)
    {
        Need(count, what);
        const uint8_t* p = FData + FPos;
        FPos += count;
        return p;
    }
    size_t Pos() const { return FPos; }
    size_t Size() const { return FSize; }
    size_t Remaining() const { return FSize - FPos; }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

// One chunk of the packed layout: stored size, unpacked size, then either the bytes or (when
// the sizes differ) the packed length + 4 and the LZW stream. The unpacked size must lie in
// [minSize, maxSize].
std::vector<uint8_t> ReadChunk(TCursor& in, size_t minSize, size_t maxSize, const char* what)
{
    const uint32_t stored = in.U32(what);
    const uint32_t unpacked = in.U32(what);
    if (unpacked < minSize || unpacked > maxSize)
        in.Fail(std::string("wrong unpacked size ") + std::to_string(unpacked) + " of " + what);
    std::vector<uint8_t> out(unpacked);
    if (stored == unpacked)
    {
        if (unpacked)
            std::memcpy(out.data(), in.Take(unpacked, what), unpacked);
        return out;
    }
    const uint32_t packed = in.U32(what);
    if (packed < 4)
        in.Fail(std::string("wrong packed size of ") + what);
    const uint8_t* bytes = in.Take(packed - 4, what);
    TLZWCompressor lzw(bytes, 8, 9, out.size(), packed - 4, out.data());
    lzw.Decode();
    return out;
}

QImage NewTexture(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        throw ETrnDamaged("cannot allocate a texture");
    return image;
}

// 1-5-5-5 to 5-6-5 (the low green bit 0) to 32 bits.
TColorARGB From1555(uint16_t p)
{
    const int r5 = (p >> 10) & 31, g6 = ((p >> 5) & 31) << 1, b5 = p & 31;
    return MakeARGB(255, uint8_t(r5 << 3 | r5 >> 2), uint8_t(g6 << 2 | g6 >> 4),
                    uint8_t(b5 << 3 | b5 >> 2));
}

constexpr size_t MaxTextureBytes = size_t(1536) << 20; // decoded textures of one file
} // namespace

THovTRNfile::THovTRNfile()
{
    FPalette.fill(0xFF000000u);
}
THovTRNfile::~THovTRNfile() = default;

void THovTRNfile::Clear()
{
    FTextures.clear();
    FTiles.clear();
    FTiles.shrink_to_fit();
    FRoot.reset();
    FTrnExtra.clear();
    FHeader = {};
    FPalette.fill(0xFF000000u);
    FTileSpacing = 0.0f;
    FHeightScale = 0.0f;
    FSectionMode = 0;
    FSectionsX = FSectionsY = 0;
    FVariant = TTrnVariant::None;
}

bool THovTRNfile::LoadFromMemory(const void* data, size_t size)
{
    Clear();
    FLastError.clear();
    try
    {
        ReadFile(static_cast<const uint8_t*>(data), size);
        Progress(2, 1, 1);
        return true;
    }
    catch (const ETrnDamaged& e)
    {
        Clear();
        FLastError = e.what();
        return false;
    }
    catch (...)
    {
        Clear();
        throw;
    }
}

bool THovTRNfile::LoadFromStream(TStream& stream)
{
    const int64_t size = stream.Size() - stream.Position();
    std::vector<uint8_t> bytes(size_t(std::max<int64_t>(size, 0)));
    stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return LoadFromMemory(bytes.data(), bytes.size());
}

bool THovTRNfile::LoadFromFile(const std::string& fileName)
{
    const std::vector<uint8_t> bytes = ReadWholeFile(fileName);
    return LoadFromMemory(bytes.data(), bytes.size());
}

void THovTRNfile::ReadFile(const uint8_t* data, size_t size)
{
    TCursor in(data, size);
    if (size < 4)
        in.Fail("not a terrain file");
    TTrnVariant variant;
    if (std::memcmp(data, "LOD", 4) == 0)
        variant = TTrnVariant::LOD;
    else if (std::memcmp(data, "PLN", 4) == 0)
        variant = TTrnVariant::PLN;
    else if (std::memcmp(data, "TRN", 4) == 0)
        variant = TTrnVariant::TRN;
    else
        in.Fail("not a terrain file (unknown header)");

    if (variant == TTrnVariant::TRN)
    {
        in.Skip(TrnHeaderSize, "header");
        FHeader = LodHeader();
        static constexpr size_t ExtraSizes[3] = {768, 32768, 65536};
        for (const size_t extra : ExtraSizes)
        {
            const std::vector<uint8_t> block = ReadChunk(in, extra, extra, "packed block");
            FTrnExtra.insert(FTrnExtra.end(), block.begin(), block.end());
        }
        in.Skip(4, "header");
    }
    else
    {
        std::memcpy(FHeader.data(), in.Take(HeaderSize, "header"), HeaderSize);
        std::memcpy(FPalette.data(), in.Take(1024, "palette"), 1024);
        if (variant == TTrnVariant::PLN)
        {
            // Stored with red and blue exchanged, and in every group of 32 entries the
            // entries 8 to 15 and 16 to 23 exchanged.
            for (TColorARGB& c : FPalette)
                c = (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
            for (int g = 0; g < 256; g += 32)
                for (int k = 0; k < 8; ++k)
                    std::swap(FPalette[size_t(g + 8 + k)], FPalette[size_t(g + 16 + k)]);
        }
    }

    FTileSpacing = in.F32("tile spacing");
    if (!std::isfinite(FTileSpacing) || FTileSpacing <= 0)
        in.Fail("bad tile spacing");
    const uint32_t mode = in.U32("section mode");
    if (mode != 1 && mode != 2)
        in.Fail("bad section mode " + std::to_string(mode));
    FSectionMode = int(mode);
    uint32_t treeOffset = in.U32("tree offset");
    const uint32_t tileCount = in.U32("tile count");
    in.U32("tile count");
    // Tile indices are 16-bit; every tile needs at least a few bytes of the file.
    const size_t minTileBytes = variant == TTrnVariant::LOD   ? size_t(TileBlock::Size)
                                : variant == TTrnVariant::PLN ? 2129
                                                              : 24;
    if (tileCount > 65536 || size_t(tileCount) * 4 > in.Remaining() ||
        size_t(tileCount) * minTileBytes > size)
        in.Fail("bad tile count " + std::to_string(tileCount));
    std::vector<uint32_t> tileOffsets(tileCount);
    for (uint32_t& o : tileOffsets)
        o = in.U32("tile offsets");
    const uint32_t textureCount = in.U32("texture count");
    in.U32("texture count");
    if (textureCount > 32767 || size_t(textureCount) * 16 > in.Remaining())
        in.Fail("bad texture count " + std::to_string(textureCount));
    std::vector<uint32_t> textureOffsets(textureCount);
    for (uint32_t& o : textureOffsets)
        o = in.U32("texture offsets");

    const bool sequential =
        tileCount ? tileOffsets[0] == 0 : (textureCount == 0 || textureOffsets[0] == 0);

    FTiles.assign(size_t(tileCount) * TileBlock::Size, 0);
    for (uint32_t i = 0; i < tileCount; ++i)
    {
        if (!sequential && tileOffsets[i] != 0)
            in.Seek(tileOffsets[i], "tile");
        uint8_t* tile = Tile(int(i));
        if (variant == TTrnVariant::LOD)
            std::memcpy(tile, in.Take(TileBlock::Size, "tile block"), TileBlock::Size);
        else if (variant == TTrnVariant::PLN)
        {
            TileBlock::MakeBlank(tile, 0);
            std::memcpy(tile, in.Take(4, "tile block"), 4);
            for (int r = 0; r <= 16; ++r)
            {
                std::memcpy(tile + TileBlock::Heights + 34 * r, in.Take(34, "tile heights"), 34);
                in.Skip(6, "tile heights");
            }
            std::memcpy(tile + TileBlock::Normals, in.Take(867, "tile normals"), 867);
            std::memcpy(tile + TileBlock::Visibility, in.Take(289, "tile visibility"), 289);
            std::memcpy(tile + TileBlock::Zones, in.Take(289, "tile zones"), 289);
        }
        else
        {
            const std::vector<uint8_t> a = ReadChunk(in, 512, 512, "order table A");
            const std::vector<uint8_t> b = ReadChunk(in, 578, 578, "order table B");
            const std::vector<uint8_t> v = ReadChunk(in, 2312, 2312, "tile vertices");
            std::memcpy(tile + TileBlock::OrderA, a.data(), 512);
            std::memcpy(tile + TileBlock::OrderB, b.data(), 578);
            // Records column by column: record 17 c + r holds vertex (r, c).
            for (int c = 0; c <= 16; ++c)
                for (int r = 0; r <= 16; ++r)
                {
                    const uint8_t* rec = v.data() + 8 * (17 * c + r);
                    const int k = 17 * r + c;
                    tile[TileBlock::Zones + k] = rec[0];
                    tile[TileBlock::MaxErrors + k] = rec[1];
                    std::memcpy(tile + TileBlock::Heights + 2 * k, rec + 2, 2);
                    std::memcpy(tile + TileBlock::Normals + 3 * k, rec + 4, 3);
                    tile[TileBlock::Visibility + k] = rec[7];
                }
        }
        if ((i & 63) == 63 || i + 1 == tileCount)
            Progress(0, int(i + 1), int(tileCount));
    }

    size_t textureBytes = 0;
    FTextures.reserve(textureCount);
    for (uint32_t i = 0; i < textureCount; ++i)
    {
        if (!sequential && textureOffsets[i] != 0)
            in.Seek(textureOffsets[i], "texture");
        if (variant == TTrnVariant::TRN)
        {
            const uint32_t w = in.U32("texture header");
            const uint32_t h = in.U32("texture header");
            const uint32_t format = in.U32("texture header");
            if (w < 1 || h < 1 || w > 256 || h > 256)
                in.Fail("texture size outside the limits");
            const size_t bytes = size_t(w) * h * 2;
            std::vector<uint8_t> packed;
            const uint8_t* pixels;
            if (format == 22)
            {
                // A packed mip chain, largest level first.
                packed = ReadChunk(in, bytes, 2 * bytes, "texture");
                pixels = packed.data();
            }
            else
                pixels = in.Take(bytes, "texture");
            QImage image = NewTexture(int(w), int(h));
            for (uint32_t y = 0; y < h; ++y)
            {
                TColorARGB* row = reinterpret_cast<TColorARGB*>(image.scanLine(int(y)));
                for (uint32_t x = 0; x < w; ++x)
                {
                    uint16_t p;
                    std::memcpy(&p, pixels + 2 * (size_t(y) * w + x), 2);
                    row[x] = From1555(p);
                }
            }
            FTextures.push_back(std::move(image));
        }
        else
        {
            const uint32_t format = in.U32("texture header");
            const uint32_t levels = in.U32("texture header");
            const uint32_t w = in.U32("texture header");
            const uint32_t h = in.U32("texture header");
            if (w > 256 || h > 256 || format > 512 || levels > 9)
                in.Fail("texture block outside the limits");
            if (levels < 1 || w < 1 || h < 1)
                in.Fail("empty texture block");
            for (uint32_t l = 0; l < levels; ++l)
            {
                const uint32_t lw = in.U32("texture level");
                const uint32_t lh = in.U32("texture level");
                const uint32_t bytes = in.U32("texture level");
                in.Need(bytes, "texture level");
                if (l + 1 < levels)
                {
                    in.Skip(bytes, "texture level");
                    continue;
                }
                if (lw < 1 || lh < 1 || lw > 256 || lh > 256)
                    in.Fail("texture level size outside the limits");
                const size_t pixelCount = size_t(lw) * lh;
                const size_t need = format == Format32Bit ? 4 * pixelCount : pixelCount;
                if (bytes < need)
                    in.Fail("texture level shorter than its size");
                const uint8_t* pixels = in.Take(bytes, "texture level");
                QImage image = NewTexture(int(lw), int(lh));
                if (format == Format32Bit)
                {
                    for (uint32_t y = 0; y < lh; ++y)
                        std::memcpy(image.scanLine(int(y)), pixels + 4 * size_t(y) * lw,
                                    4 * size_t(lw));
                }
                else
                {
                    std::vector<uint8_t> rows;
                    if (format != Format8Bit)
                    {
                        rows.resize(pixelCount);
                        UnswizzleRect(pixels, rows.data(), int(lw), int(lh));
                        pixels = rows.data();
                    }
                    for (uint32_t y = 0; y < lh; ++y)
                    {
                        TColorARGB* row = reinterpret_cast<TColorARGB*>(image.scanLine(int(y)));
                        const uint8_t* src = pixels + size_t(y) * lw;
                        for (uint32_t x = 0; x < lw; ++x)
                            row[x] = FPalette[src[x]];
                    }
                }
                FTextures.push_back(std::move(image));
            }
        }
        textureBytes += size_t(FTextures.back().sizeInBytes());
        if (textureBytes > MaxTextureBytes)
            in.Fail("too much texture data");
        if ((i & 15) == 15 || i + 1 == textureCount)
            Progress(1, int(i + 1), int(textureCount));
    }

    if (sequential)
        treeOffset = uint32_t(std::min<size_t>(in.Pos(), std::numeric_limits<uint32_t>::max()));
    ReadTree(data, size, treeOffset);
    if (variant == TTrnVariant::TRN)
    {
        auto fix = [](TTrnNode& n)
        {
            if (n.FormatCode() == 22)
                n.SetFormatCode(uint8_t(Format8Swizzled));
        };
        fix(*FRoot);
        for (const auto& s : FRoot->Children)
            if (s)
            {
                fix(*s);
                for (const auto& t : s->Children)
                    if (t)
                        fix(*t);
            }
    }
    FHeightScale = FRoot->HeightUnit() * 65535.0f;
    if (!std::isfinite(FHeightScale))
        in.Fail("bad height unit in the section tree");
    FVariant = variant;
}

void THovTRNfile::ReadTree(const uint8_t* data, size_t size, uint32_t treeOffset)
{
    // Sections and tiles: a tree of at most two levels below the root (one for a single
    // section). Deeper child tables are not read.
    const int maxDepth = FSectionMode == 1 ? 1 : 2;
    std::vector<size_t> path; // offsets of the nodes above the one being read
    auto fail = [](const std::string& what, size_t offset) -> void
    { throw ETrnDamaged(what + " at offset " + std::to_string(offset)); };
    auto read = [&](auto& self, size_t offset, int depth) -> std::unique_ptr<TTrnNode>
    {
        if (offset > size || size - offset < size_t(TTrnNode::RecordSize))
            fail("section node outside the file", offset);
        auto node = std::make_unique<TTrnNode>();
        std::memcpy(node->Data.data(), data + offset, TTrnNode::RecordSize);
        uint32_t table;
        std::memcpy(&table, data + offset + 93, 4);
        std::memset(node->Data.data() + 93, 0, 4);
        if (table == 0 || depth >= maxDepth)
            return node;
        if (table > size || size - table < 1024)
            fail("child table outside the file", table);
        path.push_back(offset);
        node->MakeChildTable();
        for (int e = 0; e < 256; ++e)
        {
            uint32_t child;
            std::memcpy(&child, data + table + 4 * e, 4);
            if (child == 0)
                continue;
            if (child >= table && child < table + 1024)
                fail("child table points into itself", table);
            if (std::find(path.begin(), path.end(), size_t(child)) != path.end())
                fail("child table points back to a parent node", table);
            node->Children[size_t(e)] = self(self, child, depth + 1);
        }
        path.pop_back();
        return node;
    };
    FRoot = read(read, treeOffset, 0);
    CountSections();

    // Every section of the grid must exist with its 256 tiles, each naming a tile block.
    for (int r = 0; r < FSectionsY; ++r)
        for (int c = 0; c < FSectionsX; ++c)
        {
            const TTrnNode* section = SectionNode(r, c);
            if (!section || !section->HasChildren())
                fail("section " + std::to_string(r) + "," + std::to_string(c) + " has no tiles",
                     treeOffset);
            for (int e = 0; e < 256; ++e)
            {
                const TTrnNode* tile = section->Child(e);
                if (!tile)
                    fail("section " + std::to_string(r) + "," + std::to_string(c) +
                             " misses tile " + std::to_string(e),
                         treeOffset);
                if (tile->TileIndex() >= TileCount())
                    fail("tile index " + std::to_string(tile->TileIndex()) + " out of range",
                         treeOffset);
            }
        }
}

void THovTRNfile::CountSections()
{
    FSectionsX = FSectionsY = 0;
    if (!FRoot)
        return;
    if (FSectionMode == 1)
    {
        FSectionsX = FSectionsY = 1;
        return;
    }
    while (FSectionsY < MaxSections && FRoot->Child(FSectionsY, 0))
        ++FSectionsY;
    while (FSectionsX < MaxSections && FRoot->Child(0, FSectionsX))
        ++FSectionsX;
    if (FSectionsX == 0 || FSectionsY == 0)
        throw ETrnDamaged("the section tree has no sections");
}

TTrnNode* THovTRNfile::SectionNode(int row, int column) const
{
    if (!FRoot || row < 0 || column < 0 || row >= FSectionsY || column >= FSectionsX)
        return nullptr;
    if (FSectionMode == 1)
        return FRoot.get();
    return FRoot->Child(row, column);
}

int THovTRNfile::TileIndexOf(int row, int column, int tileRow, int tileColumn) const
{
    const TTrnNode* section = SectionNode(row, column);
    if (!section || tileRow < 0 || tileRow > 15 || tileColumn < 0 || tileColumn > 15)
        return -1;
    const TTrnNode* tile = section->Child(tileRow, tileColumn);
    if (!tile || tile->TileIndex() >= TileCount())
        return -1;
    return tile->TileIndex();
}

void THovTRNfile::SetHeightScale(float value)
{
    FHeightScale = value;
    if (!FRoot)
        return;
    auto apply = [value](auto& self, TTrnNode& node) -> void
    {
        node.SetFloat(4, value / 65535.0f);
        node.SetFloat(12, value);
        for (const auto& child : node.Children)
            if (child)
                self(self, *child);
    };
    apply(apply, *FRoot);
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace
{
class TWriter
{
public:
    explicit TWriter(TStream& stream) : FStream(stream) {}
    void Bytes(const void* data, size_t count) { FStream.WriteBuffer(data, int64_t(count)); }
    void U32(uint32_t v) { Bytes(&v, 4); }
    void F32(float v) { Bytes(&v, 4); }

private:
    TStream& FStream;
};

// Nearest-neighbour stretch of a 32-bit image to side x side.
void StretchPixels(const QImage& src, int side, std::vector<TColorARGB>& out)
{
    out.resize(size_t(side) * size_t(side));
    const int w = src.width(), h = src.height();
    for (int y = 0; y < side; ++y)
    {
        const TColorARGB* row =
            reinterpret_cast<const TColorARGB*>(src.constScanLine(int(int64_t(y) * h / side)));
        TColorARGB* dst = out.data() + size_t(y) * size_t(side);
        if (w == side)
            std::memcpy(dst, row, size_t(side) * 4);
        else
            for (int x = 0; x < side; ++x)
                dst[x] = row[int64_t(x) * w / side];
    }
}

// The same for 8-bit indices (rows of width w).
void StretchIndices(const uint8_t* src, int w, int h, int side, std::vector<uint8_t>& out)
{
    out.resize(size_t(side) * size_t(side));
    for (int y = 0; y < side; ++y)
    {
        const uint8_t* row = src + size_t(int64_t(y) * h / side) * size_t(w);
        for (int x = 0; x < side; ++x)
            out[size_t(y) * size_t(side) + size_t(x)] = row[int64_t(x) * w / side];
    }
}

QImage Argb32(const QImage& image)
{
    if (!image.isNull() &&
        (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32))
        return image;
    if (image.isNull())
    {
        QImage grey(THovTRNfile::TextureSide, THovTRNfile::TextureSide, QImage::Format_ARGB32);
        grey.fill(QColor(192, 192, 192));
        return grey;
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

void WriteTexture32(TWriter& out, const QImage& texture, std::vector<TColorARGB>& scratch)
{
    const QImage image = Argb32(texture);
    out.U32(THovTRNfile::Format32Bit);
    out.U32(THovTRNfile::TextureLevels);
    out.U32(THovTRNfile::TextureSide);
    out.U32(THovTRNfile::TextureSide);
    for (int side = 1; side <= THovTRNfile::TextureSide; side *= 2)
    {
        out.U32(uint32_t(side));
        out.U32(uint32_t(side));
        out.U32(uint32_t(side * side * 4));
        StretchPixels(image, side, scratch);
        out.Bytes(scratch.data(), scratch.size() * 4);
    }
}

void WriteTexture8(TWriter& out, const QImage& texture, TPal8Matcher& matcher)
{
    const QImage image = Argb32(texture);
    std::vector<uint8_t> indices(size_t(image.width()) * size_t(image.height()));
    matcher.MapImage(image, indices.data());
    out.U32(THovTRNfile::Format8Swizzled);
    out.U32(THovTRNfile::TextureLevels);
    out.U32(THovTRNfile::TextureSide);
    out.U32(THovTRNfile::TextureSide);
    std::vector<uint8_t> level, swizzled;
    for (int side = 1; side <= THovTRNfile::TextureSide; side *= 2)
    {
        out.U32(uint32_t(side));
        out.U32(uint32_t(side));
        out.U32(uint32_t(side * side));
        StretchIndices(indices.data(), image.width(), image.height(), side, level);
        swizzled.resize(level.size());
        SwizzleRect(level.data(), swizzled.data(), side, side);
        out.Bytes(swizzled.data(), swizzled.size());
    }
}

uint32_t Offset32(uint64_t offset)
{
    if (offset > std::numeric_limits<uint32_t>::max())
        throw EWriteError("The terrain is too large for a terrain file");
    return uint32_t(offset);
}
} // namespace

std::vector<uint8_t> THovTRNfile::TreeBytes(const TTrnNode& root, uint32_t base) const
{
    std::vector<uint8_t> out;
    auto emit = [&](auto& self, const TTrnNode& node) -> uint32_t
    {
        const size_t pos = out.size();
        out.insert(out.end(), node.Data.begin(), node.Data.end());
        uint32_t tableOffset = 0;
        const bool any = std::any_of(node.Children.begin(), node.Children.end(),
                                     [](const auto& c) { return c != nullptr; });
        if (any)
        {
            const size_t table = out.size();
            out.resize(out.size() + 1024, 0);
            for (size_t e = 0; e < node.Children.size(); ++e)
                if (node.Children[e])
                {
                    const uint32_t child = self(self, *node.Children[e]);
                    std::memcpy(out.data() + table + 4 * e, &child, 4);
                }
            tableOffset = Offset32(uint64_t(base) + table);
        }
        std::memcpy(out.data() + pos + 93, &tableOffset, 4);
        return Offset32(uint64_t(base) + pos);
    };
    emit(emit, root);
    return out;
}

void THovTRNfile::SaveToStream(TStream& stream, bool eightBit)
{
    if (!FRoot)
        throw EWriteError("There is no terrain to save");
    SetHeightScale(FHeightScale);
    const uint32_t tileCount = uint32_t(TileCount());
    const uint32_t textureCount = uint32_t(FTextures.size());
    const uint64_t textureBlock = eightBit ? TextureBlockSize8 : TextureBlockSize32;
    const uint64_t tileBase =
        uint64_t(HeaderSize) + 1024 + 20 + 4ull * tileCount + 8 + 4ull * textureCount;
    const uint64_t textureBase = tileBase + uint64_t(TileBlock::Size) * tileCount;
    const uint32_t treeOffset = Offset32(textureBase + textureBlock * textureCount);
    const std::vector<uint8_t> tree = TreeBytes(*FRoot, treeOffset);
    Offset32(uint64_t(treeOffset) + tree.size() + TrailerSize);

    TPalette256 palette;
    palette.fill(0xFF000000u);
    std::unique_ptr<TPal8Matcher> matcher;
    if (eightBit)
    {
        TMakePAL8 maker;
        for (uint32_t i = 0; i < textureCount; ++i)
        {
            maker.AddImage(FTextures[i]);
            Progress(5, int(i + 1), int(textureCount));
        }
        palette = maker.MakePalette();
        matcher = std::make_unique<TPal8Matcher>(palette);
    }

    TWriter out(stream);
    const auto header = LodHeader();
    out.Bytes(header.data(), header.size());
    out.Bytes(palette.data(), 1024);
    out.F32(FTileSpacing);
    out.U32(FSectionsX == 1 && FSectionsY == 1 ? 1 : 2);
    out.U32(treeOffset);
    out.U32(tileCount);
    out.U32(tileCount);
    for (uint32_t i = 0; i < tileCount; ++i)
        out.U32(uint32_t(tileBase + uint64_t(TileBlock::Size) * i));
    out.U32(textureCount);
    out.U32(textureCount);
    for (uint32_t i = 0; i < textureCount; ++i)
        out.U32(uint32_t(textureBase + textureBlock * i));
    const uint32_t chunk = 256;
    for (uint32_t i = 0; i < tileCount; i += chunk)
    {
        const uint32_t n = std::min(chunk, tileCount - i);
        out.Bytes(Tile(int(i)), size_t(n) * TileBlock::Size);
        Progress(3, int(i + n), int(tileCount));
    }
    std::vector<TColorARGB> scratch;
    for (uint32_t i = 0; i < textureCount; ++i)
    {
        if (eightBit)
            WriteTexture8(out, FTextures[i], *matcher);
        else
            WriteTexture32(out, FTextures[i], scratch);
        Progress(6, int(i + 1), int(textureCount));
    }
    out.Bytes(tree.data(), tree.size());
    const uint8_t trailer[TrailerSize] = {};
    out.Bytes(trailer, TrailerSize);
    stream.SetSize(stream.Position());
}

void THovTRNfile::SaveToFile(const std::string& fileName, bool eightBit)
{
    TMemoryStream stream;
    SaveToStream(stream, eightBit);
    WriteFileAtomically(fileName, stream.Memory(), size_t(stream.Size()));
}

int THovTRNfile::ExportSection(int row, int column, TStream* stream)
{
    const TTrnNode* section = SectionNode(row, column);
    if (!stream || !section)
        return 0;
    const int64_t start = stream->Position();
    constexpr uint32_t tileCount = 257, textureCount = 17;

    // The tree: the section as root, its tiles renumbered column by column.
    TTrnNode root;
    root.Data = section->Data;
    root.SetMaxError(0);
    root.SetTileIndex(0);
    root.SetTextureEntry(0, TTrnNode::NoTexture);
    for (int k = 1; k <= 16; ++k)
        root.SetTextureEntry(k, uint32_t(2 * (k - 1)));
    root.MakeChildTable();
    std::vector<const uint8_t*> tiles(tileCount, nullptr);
    tiles[0] = Tile(section->TileIndex());
    for (int j = 0; j < 16; ++j)
        for (int i = 0; i < 16; ++i)
        {
            const TTrnNode* tile = section->Child(j, i);
            if (!tile)
                continue;
            auto copy = std::make_unique<TTrnNode>();
            copy->Data = tile->Data;
            copy->SetTileIndex(uint16_t(1 + 16 * i + j));
            for (int k = 0; k < 17; ++k)
                copy->SetTextureEntry(k, TTrnNode::NoTexture);
            tiles[size_t(1 + 16 * i + j)] = Tile(tile->TileIndex());
            root.Children[size_t(16 * j + i)] = std::move(copy);
        }
    std::vector<const QImage*> textures;
    for (int k = 1; k <= 16; ++k)
    {
        const uint32_t entry = section->TextureEntry(k);
        textures.push_back(entry == TTrnNode::NoTexture ? nullptr : Texture(int(entry / 2)));
    }
    const uint32_t last = section->TextureEntry(16);
    textures.push_back(last == TTrnNode::NoTexture ? nullptr : Texture(int(last / 2) + 1));

    const uint32_t tileBase = HeaderSize + 1024 + 20 + 4 * tileCount + 8 + 4 * textureCount;
    const uint32_t textureBase = tileBase + TileBlock::Size * tileCount;
    const uint32_t treeOffset = textureBase + TextureBlockSize32 * textureCount;
    const std::vector<uint8_t> tree = TreeBytes(root, treeOffset);

    TWriter out(*stream);
    const auto header = FVariant == TTrnVariant::LOD ? FHeader : LodHeader();
    out.Bytes(header.data(), header.size());
    out.Bytes(FPalette.data(), 1024);
    out.F32(FTileSpacing);
    out.U32(1);
    out.U32(treeOffset);
    out.U32(tileCount);
    out.U32(tileCount);
    for (uint32_t i = 0; i < tileCount; ++i)
        out.U32(tileBase + TileBlock::Size * i);
    out.U32(textureCount);
    out.U32(textureCount);
    for (uint32_t i = 0; i < textureCount; ++i)
        out.U32(textureBase + TextureBlockSize32 * i);
    std::vector<uint8_t> blank(TileBlock::Size);
    TileBlock::MakeBlank(blank.data(), 65535);
    for (const uint8_t* tile : tiles)
        out.Bytes(tile ? tile : blank.data(), TileBlock::Size);
    std::vector<TColorARGB> scratch;
    for (const QImage* texture : textures)
        WriteTexture32(out, texture ? *texture : QImage(), scratch);
    out.Bytes(tree.data(), tree.size());
    const uint8_t trailer[TrailerSize] = {};
    out.Bytes(trailer, TrailerSize);
    return int(stream->Position() - start);
}

bool THovTRNfile::CreateFlat(int tiles, float baseLevel, float maxElevation, float gridStrength)
{
    if (!(maxElevation > 0) || !(gridStrength > 0) || !std::isfinite(maxElevation) ||
        !std::isfinite(gridStrength))
        return false;
    Clear();
    FLastError.clear();
    if (baseLevel > maxElevation)
        baseLevel = maxElevation;
    tiles = std::clamp(tiles, 2, MaxSections);

    FHeader = LodHeader();
    FTileSpacing = gridStrength;
    FSectionMode = 2;
    FTextureFormat = Format32Bit;
    const uint16_t height =
        uint16_t(std::clamp(std::lround(double(baseLevel) / maxElevation * 65535.0), 0L, 65535L));
    FTiles.resize(size_t(258) * TileBlock::Size);
    for (int i = 0; i < 258; ++i)
        TileBlock::MakeBlank(Tile(i), height);
    FTextures.clear();
    for (int i = 0; i < 17; ++i)
    {
        QImage texture(TextureSide, TextureSide, QImage::Format_ARGB32);
        texture.fill(QColor(192, 192, 192));
        FTextures.push_back(std::move(texture));
    }

    FRoot = std::make_unique<TTrnNode>();
    TTrnNode& root = *FRoot;
    root.SetFloat(0, 1.0f);
    root.SetTileIndex(1);
    for (int k = 0; k < 17; ++k)
        root.SetTextureEntry(k, TTrnNode::NoTexture);
    root.SetFormatCode(uint8_t(Format8Swizzled));
    root.MakeChildTable();
    for (int i = 0; i < tiles; ++i)
        for (int j = 0; j < tiles; ++j)
        {
            auto section = std::make_unique<TTrnNode>();
            section->Data = root.Data;
            section->SetTextureEntry(0, 0);
            for (int k = 1; k <= 16; ++k)
                section->SetTextureEntry(k, uint32_t(2 * (k - 1)));
            section->MakeChildTable();
            for (int e = 0; e < 256; ++e)
            {
                auto tile = std::make_unique<TTrnNode>();
                tile->Data = root.Data;
                tile->SetTileIndex(uint16_t(e + 2));
                section->Children[size_t(e)] = std::move(tile);
            }
            root.Children[size_t(16 * i + j)] = std::move(section);
        }
    FSectionsX = FSectionsY = tiles;
    SetHeightScale(maxElevation / gridStrength);
    FVariant = TTrnVariant::LOD;
    return true;
}
