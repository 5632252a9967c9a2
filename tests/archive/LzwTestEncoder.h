// A small LZW encoder for tests: it packs codes the way the game's terrain files do, so the
// tests can make packed data without any game file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace lzwtest
{
using TBytes = std::vector<uint8_t>;

constexpr uint32_t kEnd = 256;
constexpr uint32_t kGrow = 257;
constexpr uint32_t kClear = 258;

// Packs codes most significant bit first, continuously across bytes.
class TBitWriter
{
public:
    void Put(uint32_t code, int width)
    {
        for (int i = width - 1; i >= 0; --i)
        {
            FAcc = uint8_t(FAcc << 1 | ((code >> i) & 1));
            if (++FBits == 8)
            {
                Out.push_back(FAcc);
                FAcc = 0;
                FBits = 0;
            }
        }
    }
    TBytes Finish()
    {
        if (FBits)
            Out.push_back(uint8_t(FAcc << (8 - FBits)));
        FBits = 0;
        return Out;
    }
    TBytes Out;

private:
    uint8_t FAcc = 0;
    int FBits = 0;
};

// (code, width) pairs packed into a stream.
inline TBytes Pack(const std::vector<std::pair<uint32_t, int>>& codes)
{
    TBitWriter w;
    for (const auto& [code, width] : codes)
        w.Put(code, width);
    return w.Finish();
}

struct TEncodeStats
{
    int Grows = 0;
    int Clears = 0;
    int MaxWidth = 9;
};

// A small encoder that follows the decoder's rules: the dictionary fills up to 2^w - 2 at
// width w; when it is full the encoder widens the codes (up to maxWidth) with the grow code,
// and at maxWidth starts over with the clear code (or, without clears, stops adding).
inline TBytes Encode(const TBytes& data, int maxWidth, bool clears, TEncodeStats* stats = nullptr)
{
    TBitWriter out;
    TEncodeStats s;
    if (data.empty())
    {
        out.Put(kEnd, 9);
        return out.Finish();
    }
    int width = 9;
    uint32_t nextFree = 259;
    std::map<std::pair<uint32_t, uint8_t>, uint32_t> dict;
    uint32_t w = data[0];
    for (size_t i = 1; i < data.size(); ++i)
    {
        const uint8_t c = data[i];
        const auto found = dict.find({w, c});
        if (found != dict.end())
        {
            w = found->second;
            continue;
        }
        out.Put(w, width);
        if (nextFree > (1u << width) - 2 && width < maxWidth)
        {
            out.Put(kGrow, width);
            ++width;
            ++s.Grows;
            s.MaxWidth = std::max(s.MaxWidth, width);
        }
        if (nextFree <= (1u << width) - 2)
            dict[{w, c}] = nextFree++;
        else if (clears)
        {
            out.Put(kClear, width);
            ++s.Clears;
            width = 9;
            nextFree = 259;
            dict.clear();
        }
        w = c;
    }
    out.Put(w, width);
    out.Put(kEnd, width);
    if (stats)
        *stats = s;
    return out.Finish();
}

} // namespace lzwtest
