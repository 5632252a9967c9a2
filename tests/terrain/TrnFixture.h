// Terrain files built byte by byte for the tests, in the three layouts the reader accepts.
#pragma once

#include "archive/LzwTestEncoder.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace trnfixture
{
using TBytes = std::vector<uint8_t>;

inline void Put32(TBytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
inline void PutF(TBytes& b, float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    Put32(b, v);
}
inline void Set32(TBytes& b, size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}
inline void Append(TBytes& b, const TBytes& more)
{
    b.insert(b.end(), more.begin(), more.end());
}

// A packed-layout chunk: LZW-packed when pack is set, otherwise stored as it is.
inline TBytes Chunk(const TBytes& data, bool pack)
{
    TBytes out;
    if (!pack)
    {
        Put32(out, uint32_t(data.size()));
        Put32(out, uint32_t(data.size()));
        Append(out, data);
        return out;
    }
    const TBytes packed = lzwtest::Encode(data, 12, true);
    Put32(out, uint32_t(packed.size() + 4));
    Put32(out, uint32_t(data.size()));
    Put32(out, uint32_t(packed.size() + 4));
    Append(out, packed);
    return out;
}

// A texture block with one level per entry of sides (the last one is what the reader keeps).
inline TBytes TextureBlock(uint32_t format, const std::vector<std::pair<int, int>>& sides,
                           const TBytes& lastPixels)
{
    TBytes out;
    Put32(out, format);
    Put32(out, uint32_t(sides.size()));
    Put32(out, uint32_t(sides.back().first));
    Put32(out, uint32_t(sides.back().second));
    const int bpp = format == 200 ? 4 : 1;
    for (size_t l = 0; l < sides.size(); ++l)
    {
        const auto [w, h] = sides[l];
        Put32(out, uint32_t(w));
        Put32(out, uint32_t(h));
        Put32(out, uint32_t(w * h * bpp));
        if (l + 1 == sides.size())
            Append(out, lastPixels);
        else
            out.resize(out.size() + size_t(w * h * bpp), 0xAB);
    }
    return out;
}

// A single-section terrain: the root names 256 tile nodes, node e using tile e % tiles.
struct TFixture
{
    std::string Magic = "LOD";
    float Spacing = 2.0f;
    float HeightScale = 100.0f;
    TBytes Palette = TBytes(1024, 0);
    TBytes TrnPrefix;          // TRN: the three extra chunks and the 4 skipped bytes
    std::vector<TBytes> Tiles; // in the layout's tile form
    std::vector<TBytes> Textures;
    bool Offsets = true;
    bool Trailer = true;

    // Filled by Build.
    size_t TreeOffset = 0;
    size_t RootTable = 0;
    size_t InfoOffset = 0;

    TBytes Build()
    {
        TBytes b;
        if (Magic == "TRN")
        {
            b = {'T', 'R', 'N', 0};
            b.resize(24, 0);
            Append(b, TrnPrefix);
        }
        else
        {
            b = {uint8_t(Magic[0]), uint8_t(Magic[1]), uint8_t(Magic[2]), 0};
            b.resize(45, 0);
            Append(b, Palette);
        }
        InfoOffset = b.size();
        PutF(b, Spacing);
        Put32(b, 1);
        Put32(b, 0); // tree offset, set below
        Put32(b, uint32_t(Tiles.size()));
        Put32(b, uint32_t(Tiles.size()));
        const size_t tileTable = b.size();
        b.resize(b.size() + 4 * Tiles.size(), 0);
        Put32(b, uint32_t(Textures.size()));
        Put32(b, uint32_t(Textures.size()));
        const size_t textureTable = b.size();
        b.resize(b.size() + 4 * Textures.size(), 0);
        for (size_t i = 0; i < Tiles.size(); ++i)
        {
            if (Offsets)
                Set32(b, tileTable + 4 * i, uint32_t(b.size()));
            Append(b, Tiles[i]);
        }
        for (size_t i = 0; i < Textures.size(); ++i)
        {
            if (Offsets)
                Set32(b, textureTable + 4 * i, uint32_t(b.size()));
            Append(b, Textures[i]);
        }
        TreeOffset = b.size();
        Set32(b, InfoOffset + 8, uint32_t(TreeOffset));
        b.resize(b.size() + 97, 0);
        PutNode(b, TreeOffset, 0);
        RootTable = b.size();
        Set32(b, TreeOffset + 93, uint32_t(RootTable));
        b.resize(b.size() + 1024, 0);
        for (int e = 0; e < 256; ++e)
        {
            const size_t node = b.size();
            b.resize(b.size() + 97, 0);
            PutNode(b, node, uint16_t(Tiles.empty() ? 0 : e % int(Tiles.size())));
            Set32(b, RootTable + 4 * size_t(e), uint32_t(node));
        }
        if (Trailer)
            b.resize(b.size() + 24, 0);
        return b;
    }

private:
    void PutNode(TBytes& b, size_t at, uint16_t tile)
    {
        const float one = 1.0f, unit = HeightScale / 65535.0f;
        std::memcpy(b.data() + at, &one, 4);
        std::memcpy(b.data() + at + 4, &unit, 4);
        std::memcpy(b.data() + at + 12, &HeightScale, 4);
        std::memcpy(b.data() + at + 18, &tile, 2);
        for (int k = 0; k < 17; ++k)
            Set32(b, at + 20 + 4 * size_t(k), k == 1 ? 0u : 65534u);
        b[at + 92] = 56;
    }
};
} // namespace trnfixture
