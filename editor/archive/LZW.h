// The two decompressors of the game's data: the LZW decoder for the packed blocks of terrain
// files, and zlib inflation for the chunks of compressed archives. Nothing here compresses.
#pragma once

#include "core/Streams.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Compressed data that would not inflate. For zlib failures the message is zlib's standard
// text for the error code ("data error", "buffer error", ...).
class EDecompressionError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

// Decodes one LZW stream into a caller's buffer. Codes are packed most significant bit first;
// the code width changes only on the grow code and returns to RootBits + 1 on the clear code.
class TLZWCompressor
{
public:
    // Output (outputCapacity bytes) is zero-filled here; Decode writes at most that many bytes.
    TLZWCompressor(const void* input, int rootBits, int initialWidth, size_t outputCapacity,
                   size_t inputSize, void* output);
    ~TLZWCompressor();
    TLZWCompressor(const TLZWCompressor&) = delete;
    TLZWCompressor& operator=(const TLZWCompressor&) = delete;

    // Decodes the whole input. A stream that ends without the end code keeps what was decoded;
    // one that decodes to more than the output holds is cut. A code chain longer than the
    // dictionary raises EReadError "Fatal LZW error during code expansion"; a stream that
    // widens its codes beyond 16 bits raises EReadError too.
    void Decode();

    size_t OutputLen() const { return FOutputLen; }
    int CodeWidth() const { return FCodeWidth; }
    bool InputEnded() const { return FInputEnded; }

    // Dictionary entries for the widest codes decoding allows (16 bits).
    static constexpr int MaxCodeWidth = 16;
    static constexpr size_t TableSize = 67537;

private:
    uint32_t ReadCode();
    size_t Expand(uint32_t code, size_t pos);
    void Put(uint32_t symbol);

    const uint8_t* FInput;
    size_t FInputSize;
    size_t FInputPos = 0;
    uint8_t* FOutput;
    size_t FOutputCapacity;
    size_t FOutputLen = 0;

    int FRootBits;
    int FInitialWidth;
    int FCodeWidth;
    uint32_t FBitBuffer = 0;
    int FBitCount = 0;

    uint32_t FEndCode;
    uint32_t FGrowCode;
    uint32_t FClearCode;
    uint32_t FFirstFree;
    uint32_t FNextFree = 0;
    uint32_t FMaxLiteral;
    uint32_t FMaxCode = 0;

    std::vector<uint16_t> FPrefix;
    std::vector<uint16_t> FSuffix;
    std::vector<uint16_t> FStack;

    bool FInputEnded = false;
    bool FStop = false;
};

// Inflates zlib streams (zlib header, default window, Adler-32 trailer) one after another with
// one set of zlib state. Errors raise EDecompressionError with zlib's text for the code; a
// stream whose input ends before its end counts as zlib's buffer error.
class TZlibInflater
{
public:
    TZlibInflater();
    ~TZlibInflater();
    TZlibInflater(const TZlibInflater&) = delete;
    TZlibInflater& operator=(const TZlibInflater&) = delete;

    // Starts a new stream over input (borrowed until the stream ends or the next Begin).
    void Begin(const void* input, size_t size);
    // Inflates into out[0, capacity); returns the bytes produced. Once Ended() is true the
    // stream is complete and further calls produce nothing.
    size_t Inflate(void* out, size_t capacity);
    bool Ended() const { return FEnded; }

private:
    struct TState;
    std::unique_ptr<TState> FState;
    bool FEnded = true;
};

// Inflates one complete zlib stream into a new buffer, cut to the bytes produced. The buffer
// starts at expectedSize and grows while the stream has more to give.
std::vector<uint8_t> InflateBuffer(const void* input, size_t inputSize, size_t expectedSize);
