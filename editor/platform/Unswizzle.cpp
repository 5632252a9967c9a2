#include "platform/Unswizzle.h"

#include <cstring>
#include <vector>

namespace
{
bool PowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// The swizzled index contributed by each column and each row: index(x, y) = ColumnBits[x] |
// RowBits[y].
void MakeTables(int width, int height, std::vector<uint32_t>& columnBits,
                std::vector<uint32_t>& rowBits)
{
    columnBits.assign(size_t(width), 0);
    rowBits.assign(size_t(height), 0);
    int out = 0;
    for (int bit = 0; (1 << bit) < width || (1 << bit) < height; ++bit)
    {
        if ((1 << bit) < width)
        {
            for (int x = 0; x < width; ++x)
                if (x & (1 << bit))
                    columnBits[size_t(x)] |= 1u << out;
            ++out;
        }
        if ((1 << bit) < height)
        {
            for (int y = 0; y < height; ++y)
                if (y & (1 << bit))
                    rowBits[size_t(y)] |= 1u << out;
            ++out;
        }
    }
}
} // namespace

bool SwizzleApplies(int width, int height)
{
    return PowerOfTwo(width) && PowerOfTwo(height);
}

void SwizzleRect(const uint8_t* rows, uint8_t* swizzled, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    if (!SwizzleApplies(width, height))
    {
        std::memcpy(swizzled, rows, size_t(width) * size_t(height));
        return;
    }
    std::vector<uint32_t> columnBits, rowBits;
    MakeTables(width, height, columnBits, rowBits);
    for (int y = 0; y < height; ++y)
    {
        const uint8_t* src = rows + size_t(y) * size_t(width);
        const uint32_t rowBase = rowBits[size_t(y)];
        for (int x = 0; x < width; ++x)
            swizzled[rowBase | columnBits[size_t(x)]] = src[x];
    }
}

void UnswizzleRect(const uint8_t* swizzled, uint8_t* rows, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    if (!SwizzleApplies(width, height))
    {
        std::memcpy(rows, swizzled, size_t(width) * size_t(height));
        return;
    }
    std::vector<uint32_t> columnBits, rowBits;
    MakeTables(width, height, columnBits, rowBits);
    for (int y = 0; y < height; ++y)
    {
        uint8_t* dst = rows + size_t(y) * size_t(width);
        const uint32_t rowBase = rowBits[size_t(y)];
        for (int x = 0; x < width; ++x)
            dst[x] = swizzled[rowBase | columnBits[size_t(x)]];
    }
}
