#include "terrain/Ost32Pal8.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <tuple>

namespace
{
constexpr int ColourCount = 1 << 24;

int Distance(uint32_t a, uint32_t b)
{
    return std::abs(int((a >> 16) & 255) - int((b >> 16) & 255)) +
           std::abs(int((a >> 8) & 255) - int((b >> 8) & 255)) +
           std::abs(int(a & 255) - int(b & 255));
}

// The merge works on a list ordered by (count, sequence); a grid of 8 x 8 x 8 colour cells
// finds the nearest live colour without scanning the whole list.
constexpr int CellBits = 3;
constexpr int CellsPerAxis = 256 >> CellBits;

struct TEntry
{
    uint32_t Colour;
    uint64_t Count;
    uint64_t Seq;
    int Cell;
    int SlotInCell;
};

int CellOf(uint32_t colour)
{
    const int r = int((colour >> 16) & 255) >> CellBits;
    const int g = int((colour >> 8) & 255) >> CellBits;
    const int b = int(colour & 255) >> CellBits;
    return (r * CellsPerAxis + g) * CellsPerAxis + b;
}

class TMerger
{
public:
    explicit TMerger(std::vector<TEntry> entries)
        : FEntries(std::move(entries)), FCells(size_t(CellsPerAxis) * CellsPerAxis * CellsPerAxis)
    {
        for (size_t i = 0; i < FEntries.size(); ++i)
        {
            TEntry& e = FEntries[i];
            e.Cell = CellOf(e.Colour);
            e.SlotInCell = int(FCells[size_t(e.Cell)].size());
            FCells[size_t(e.Cell)].push_back(int(i));
            FOrder.insert({e.Count, e.Seq, int(i)});
        }
        FNextSeq = FEntries.size();
    }

    void ReduceTo(size_t limit)
    {
        while (FOrder.size() > limit)
        {
            const int victim = std::get<2>(*FOrder.begin());
            FOrder.erase(FOrder.begin());
            RemoveFromCell(victim);
            const int target = Nearest(FEntries[size_t(victim)].Colour);
            TEntry& t = FEntries[size_t(target)];
            FOrder.erase({t.Count, t.Seq, target});
            t.Count += FEntries[size_t(victim)].Count;
            t.Seq = FNextSeq++;
            FOrder.insert({t.Count, t.Seq, target});
        }
    }

    std::vector<uint32_t> Colours() const
    {
        std::vector<uint32_t> out;
        for (const auto& o : FOrder)
            out.push_back(FEntries[size_t(std::get<2>(o))].Colour);
        return out;
    }

private:
    void RemoveFromCell(int index)
    {
        std::vector<int>& cell = FCells[size_t(FEntries[size_t(index)].Cell)];
        const int slot = FEntries[size_t(index)].SlotInCell;
        cell[size_t(slot)] = cell.back();
        FEntries[size_t(cell[size_t(slot)])].SlotInCell = slot;
        cell.pop_back();
    }

    // The live entry nearest to colour; among equals the one first in list order.
    int Nearest(uint32_t colour) const
    {
        const int hr = int((colour >> 16) & 255) >> CellBits;
        const int hg = int((colour >> 8) & 255) >> CellBits;
        const int hb = int(colour & 255) >> CellBits;
        int best = -1;
        int bestDist = 0;
        for (int ring = 0; ring < CellsPerAxis; ++ring)
        {
            for (int r = std::max(0, hr - ring); r <= std::min(CellsPerAxis - 1, hr + ring); ++r)
                for (int g = std::max(0, hg - ring); g <= std::min(CellsPerAxis - 1, hg + ring);
                     ++g)
                {
                    // Inside the ring's shell only the two end cells of a line belong to it.
                    const bool edgeRG = std::abs(r - hr) == ring || std::abs(g - hg) == ring;
                    const int step = edgeRG || ring == 0 ? 1 : 2 * ring;
                    for (int b = hb - ring; b <= hb + ring; b += step)
                    {
                        if (b < 0 || b >= CellsPerAxis)
                            continue;
                        const int cell = (r * CellsPerAxis + g) * CellsPerAxis + b;
                        for (const int i : FCells[size_t(cell)])
                        {
                            const TEntry& e = FEntries[size_t(i)];
                            const int d = Distance(colour, e.Colour);
                            if (best < 0 || d < bestDist ||
                                (d == bestDist &&
                                 std::tie(e.Count, e.Seq) < std::tie(FEntries[size_t(best)].Count,
                                                                     FEntries[size_t(best)].Seq)))
                            {
                                best = i;
                                bestDist = d;
                            }
                        }
                    }
                }
            // Every colour in the next ring is at least ring * 8 + 1 away.
            if (best >= 0 && bestDist <= ring * (1 << CellBits))
                break;
        }
        return best;
    }

    std::vector<TEntry> FEntries;
    std::vector<std::vector<int>> FCells;
    std::set<std::tuple<uint64_t, uint64_t, int>> FOrder;
    uint64_t FNextSeq = 0;
};
} // namespace

TMakePAL8::TMakePAL8() : FCounts(ColourCount, 0) {}
TMakePAL8::~TMakePAL8() = default;

void TMakePAL8::AddPixels(const TColorARGB* pixels, size_t count)
{
    uint8_t* counts = FCounts.data();
    for (size_t i = 0; i < count; ++i)
    {
        uint8_t& c = counts[pixels[i] & 0xFFFFFF];
        if (c != 255)
            ++c;
    }
}

void TMakePAL8::AddImage(const QImage& image)
{
    if (image.isNull())
        return;
    const QImage img =
        image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        AddPixels(reinterpret_cast<const TColorARGB*>(img.constScanLine(y)), size_t(img.width()));
}

TPalette256 TMakePAL8::MakePalette(int* colourCount) const
{
    std::vector<TEntry> entries;
    for (uint32_t c = 0; c < uint32_t(ColourCount); ++c)
        if (FCounts[c])
            entries.push_back({c, FCounts[c], 0, 0, 0});
    // By count, then by colour (the order of the scan above).
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Count < b.Count; });
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].Seq = i;

    std::vector<uint32_t> colours;
    if (entries.size() <= 256)
    {
        for (const TEntry& e : entries)
            colours.push_back(e.Colour);
    }
    else
    {
        TMerger merger(std::move(entries));
        merger.ReduceTo(256);
        colours = merger.Colours();
    }
    TPalette256 palette;
    palette.fill(0xFF000000u);
    for (size_t i = 0; i < colours.size(); ++i)
        palette[i] = 0xFF000000u | colours[i];
    if (colourCount)
        *colourCount = int(colours.size());
    return palette;
}

TPal8Matcher::TPal8Matcher(const TPalette256& palette)
    : FPalette(palette), FCache(ColourCount, int16_t(-1))
{
}

uint8_t TPal8Matcher::Match(TColorARGB colour)
{
    const uint32_t rgb = colour & 0xFFFFFF;
    int16_t& cached = FCache[rgb];
    if (cached >= 0)
        return uint8_t(cached);
    int best = 0;
    int bestDist = Distance(rgb, FPalette[0]);
    for (int i = 1; i < 256 && bestDist > 0; ++i)
    {
        const int d = Distance(rgb, FPalette[size_t(i)]);
        if (d < bestDist)
        {
            best = i;
            bestDist = d;
        }
    }
    cached = int16_t(best);
    return uint8_t(best);
}

void TPal8Matcher::MapImage(const QImage& image, uint8_t* out)
{
    const QImage img =
        image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
    {
        const TColorARGB* row = reinterpret_cast<const TColorARGB*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            *out++ = Match(row[x]);
    }
}
