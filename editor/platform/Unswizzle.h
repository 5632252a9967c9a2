// Swizzled 8-bit texture data: the console stores the pixels of a texture in Morton order
// instead of row by row. We swizzle when writing 8-bit terrain textures and unswizzle when
// reading them.
//
// The order: the bits of the column (x) and of the row (y) are interleaved, lowest bits
// first, x before y at each bit position:
//
//     index = ... y1 x1 y0 x0
//
// Once the smaller side runs out of bits, the remaining bits of the larger side follow in
// order (a 4 x 2 texture: index = x1 y0 x0). This is the layout the console's graphics library
// uses for power-of-two textures. Sides that are not powers of two are not swizzled: their
// data stays in row order, and both functions copy it unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

// True when w x h pixels are swizzled (both sides powers of two, at least 1).
bool SwizzleApplies(int width, int height);

// Row-ordered pixels (width x height bytes) to swizzled order.
void SwizzleRect(const uint8_t* rows, uint8_t* swizzled, int width, int height);
// Swizzled pixels (width x height bytes) back to row order.
void UnswizzleRect(const uint8_t* swizzled, uint8_t* rows, int width, int height);
