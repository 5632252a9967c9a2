// One shared 256-colour palette for all ground textures of a terrain, for terrain files
// saved with 8-bit textures, and the matching of colours to it.
#pragma once

#include "core/MatrixMaths.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

using TPalette256 = std::array<TColorARGB, 256>;

// Reduces the colours of many images to 256.
//
// Every pixel is counted per 24-bit colour (a one-byte counter that stops at 255). The
// counted colours are listed by count, least frequent first; while more than 256 remain, the
// least frequent is merged into the colour nearest to it (sum of absolute red, green and blue
// differences; among equally near colours the one earlier in the list wins), whose count grows
// by the merged count. The remaining colours, in list order, are the palette.
//
// Colours with equal counts are listed by colour value at the start; an entry whose count
// grows is placed after every entry of the same count.
class TMakePAL8
{
public:
    TMakePAL8();
    ~TMakePAL8();
    TMakePAL8(const TMakePAL8&) = delete;
    TMakePAL8& operator=(const TMakePAL8&) = delete;

    // Counts the pixels of an image (any format; converted to 32 bits when needed).
    void AddImage(const QImage& image);
    // Counts 32-bit pixels (alpha ignored).
    void AddPixels(const TColorARGB* pixels, size_t count);

    // The palette: the reduced colours (opaque) followed by opaque black for unused entries.
    // colourCount receives the number of entries in use.
    TPalette256 MakePalette(int* colourCount = nullptr) const;

private:
    std::vector<uint8_t> FCounts; // 2^24 saturating counters
};

// Finds the palette entry nearest to a colour (sum of absolute red, green and blue
// differences, the lowest index among equals), remembering each answer.
class TPal8Matcher
{
public:
    explicit TPal8Matcher(const TPalette256& palette);
    uint8_t Match(TColorARGB colour);
    // Maps width x height 32-bit pixels (rows stride bytes apart) to indices in row order.
    void MapImage(const QImage& image, uint8_t* out);

private:
    TPalette256 FPalette;
    std::vector<int16_t> FCache; // per 24-bit colour; -1 until matched
};
