#include "archive/LZW.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <zlib.h>

TLZWCompressor::TLZWCompressor(const void* input, int rootBits, int initialWidth,
                               size_t outputCapacity, size_t inputSize, void* output)
    : FInput(static_cast<const uint8_t*>(input)), FInputSize(input ? inputSize : 0),
      FOutput(static_cast<uint8_t*>(output)), FOutputCapacity(output ? outputCapacity : 0),
      FRootBits(rootBits), FInitialWidth(initialWidth), FCodeWidth(initialWidth)
{
    if (rootBits < 1 || rootBits > 12 || initialWidth <= rootBits || initialWidth > MaxCodeWidth)
        throw std::invalid_argument("LZW code sizes out of range");
    FMaxLiteral = (1u << rootBits) - 1;
    FEndCode = 1u << rootBits;
    FGrowCode = FEndCode + 1;
    FClearCode = FEndCode + 2;
    FFirstFree = FEndCode + 3;
    if (FOutput && FOutputCapacity)
        std::memset(FOutput, 0, FOutputCapacity);
}

TLZWCompressor::~TLZWCompressor() = default;

uint32_t TLZWCompressor::ReadCode()
{
    while (!FInputEnded && FBitCount <= 24)
    {
        if (FInputPos >= FInputSize)
        {
            FInputEnded = true;
            break;
        }
        FBitBuffer |= uint32_t(FInput[FInputPos++]) << (24 - FBitCount);
        FBitCount += 8;
    }
    if (FInputEnded && FBitCount < FCodeWidth)
        FStop = true;
    const uint32_t code = FBitBuffer >> (32 - FCodeWidth);
    FBitBuffer <<= FCodeWidth;
    FBitCount = std::max(0, FBitCount - FCodeWidth);
    return code;
}

// Writes the string of code backwards onto the stack from pos; returns the position of its
// first symbol. Codes are below 2^16, so every index stays inside the dictionary arrays; a
// chain that does not end within TableSize steps (a cycle or an unassigned code) is corrupt.
size_t TLZWCompressor::Expand(uint32_t code, size_t pos)
{
    while (code > FMaxLiteral)
    {
        if (pos >= TableSize)
            throw EReadError("Fatal LZW error during code expansion");
        FStack[pos++] = FSuffix[code];
        code = FPrefix[code];
    }
    FStack[pos] = uint16_t(code);
    return pos;
}

void TLZWCompressor::Put(uint32_t symbol)
{
    if (FOutputLen >= FOutputCapacity)
    {
        FStop = true;
        return;
    }
    FOutput[FOutputLen++] = uint8_t(symbol);
    if (FOutputLen == FOutputCapacity)
        FStop = true;
}

void TLZWCompressor::Decode()
{
    FOutputLen = 0;
    FInputPos = 0;
    FBitBuffer = 0;
    FBitCount = 0;
    FInputEnded = false;
    FStop = false;
    FCodeWidth = FInitialWidth;
    FMaxCode = (1u << FCodeWidth) - 2;
    FNextFree = FFirstFree;

    uint32_t prev = ReadCode();
    if (FStop || prev == FEndCode)
        return;
    Put(prev);
    uint32_t first = prev;
    FPrefix.assign(TableSize, 0xFFFF);
    FSuffix.assign(TableSize, 0xFFFF);
    FStack.assign(TableSize + 1, 0);

    uint32_t cur = ReadCode();
    while (cur != FEndCode && !FStop)
    {
        size_t top;
        if (cur < FNextFree)
            top = Expand(cur, 0);
        else
        {
            // The code being defined right now: the previous string plus its own first symbol.
            FStack[0] = uint16_t(first);
            top = Expand(prev, 1);
        }
        first = FStack[top];
        for (size_t i = top + 1; i-- > 0 && !FStop;)
            Put(FStack[i]);

        if (FNextFree <= FMaxCode)
        {
            FPrefix[FNextFree] = uint16_t(prev);
            FSuffix[FNextFree] = uint16_t(first);
            ++FNextFree;
        }

        prev = cur;
        cur = ReadCode();
        if (cur == FGrowCode && !FStop)
        {
            if (FCodeWidth >= MaxCodeWidth)
                throw EReadError("Corrupt LZW stream: codes wider than 16 bits");
            ++FCodeWidth;
            FMaxCode = (1u << FCodeWidth) - 2;
            cur = ReadCode();
        }
        if (cur == FClearCode && !FStop)
        {
            FCodeWidth = FRootBits + 1;
            FMaxCode = (1u << FCodeWidth) - 2;
            FNextFree = FFirstFree;
            prev = ReadCode();
            if (FStop || prev == FEndCode)
                break;
            Put(prev);
            first = prev;
            cur = ReadCode();
        }
    }
}

struct TZlibInflater::TState
{
    z_stream Z{};
    bool Initialised = false;
};

TZlibInflater::TZlibInflater() : FState(std::make_unique<TState>()) {}

TZlibInflater::~TZlibInflater()
{
    if (FState->Initialised)
        inflateEnd(&FState->Z);
}

void TZlibInflater::Begin(const void* input, size_t size)
{
    z_stream& z = FState->Z;
    if (!FState->Initialised)
    {
        const int ret = inflateInit(&z);
        if (ret != Z_OK)
            throw EDecompressionError(zError(ret));
        FState->Initialised = true;
    }
    else
    {
        const int ret = inflateReset(&z);
        if (ret != Z_OK)
            throw EDecompressionError(zError(ret));
    }
    if (size > UINT_MAX)
        throw EDecompressionError(zError(Z_BUF_ERROR));
    z.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(input));
    z.avail_in = uInt(size);
    FEnded = false;
}

size_t TZlibInflater::Inflate(void* out, size_t capacity)
{
    z_stream& z = FState->Z;
    auto* dest = static_cast<Bytef*>(out);
    size_t produced = 0;
    while (!FEnded && produced < capacity)
    {
        const uInt room = uInt(std::min<size_t>(capacity - produced, 1u << 30));
        z.next_out = dest + produced;
        z.avail_out = room;
        const int ret = inflate(&z, Z_NO_FLUSH);
        produced += room - z.avail_out;
        if (ret == Z_STREAM_END)
            FEnded = true;
        else if (ret == Z_OK || ret == Z_BUF_ERROR)
        {
            // Room left over means zlib ran out of input before the stream's end.
            if (z.avail_out > 0)
            {
                FEnded = true;
                throw EDecompressionError(zError(Z_BUF_ERROR));
            }
        }
        else
        {
            FEnded = true;
            throw EDecompressionError(zError(ret));
        }
    }
    return produced;
}

std::vector<uint8_t> InflateBuffer(const void* input, size_t inputSize, size_t expectedSize)
{
    TZlibInflater inflater;
    inflater.Begin(input, inputSize);
    std::vector<uint8_t> out(expectedSize);
    size_t len = 0;
    // Growing by at least the current size keeps a highly compressed stream from being copied
    // over and over; the smallest step is the input length rounded up to 256 bytes.
    const size_t step = std::max<size_t>(256, (inputSize + 255) / 256 * 256);
    while (true)
    {
        if (len == out.size())
            out.resize(out.size() + std::max(step, out.size()));
        len += inflater.Inflate(out.data() + len, out.size() - len);
        if (inflater.Ended())
            break;
    }
    out.resize(len);
    return out;
}
