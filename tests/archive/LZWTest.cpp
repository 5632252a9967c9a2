#include "archive/LZW.h"

#include "archive/LzwTestEncoder.h"

#include <gtest/gtest.h>

#include <map>
#include <zlib.h>

namespace
{
using namespace lzwtest;

TBytes Decode(const TBytes& stream, size_t capacity)
{
    TBytes out(capacity, 0xEE);
    TLZWCompressor lzw(stream.data(), 8, 9, out.size(), stream.size(), out.data());
    lzw.Decode();
    return out;
}

TBytes Text(size_t size, uint32_t seed, int alphabet)
{
    TBytes b(size);
    uint32_t x = seed;
    for (size_t i = 0; i < size; ++i)
    {
        x = x * 1664525u + 1013904223u;
        b[i] = uint8_t('a' + (x >> 24) % uint32_t(alphabet));
    }
    return b;
}
} // namespace

TEST(LZW, DecodesTheCodeBeingDefined)
{
    // 65, 66, then 259 (= "AB", the first dictionary code), end.
    const TBytes stream = Pack({{65, 9}, {66, 9}, {259, 9}, {kEnd, 9}});
    EXPECT_EQ(Decode(stream, 4), (TBytes{65, 66, 65, 66}));
    // 65 then 259 while 259 is being defined: "A" + "AA".
    EXPECT_EQ(Decode(Pack({{65, 9}, {259, 9}, {kEnd, 9}}), 3), (TBytes{65, 65, 65}));
}

TEST(LZW, GrowWidensTheNextCodeAndClearResetsIt)
{
    const TBytes stream = Pack({{65, 9},
                                {66, 9},
                                {kGrow, 9},
                                {259, 10}, // "AB" at 10 bits
                                {kClear, 10},
                                {67, 9}, // written directly after the reset
                                {259, 9},
                                {kEnd, 9}});
    TBytes out(7);
    TLZWCompressor lzw(stream.data(), 8, 9, out.size(), stream.size(), out.data());
    lzw.Decode();
    EXPECT_EQ(out, (TBytes{65, 66, 65, 66, 67, 67, 67}));
    EXPECT_EQ(lzw.CodeWidth(), 9);
}

TEST(LZW, RoundTripsThroughTheTestEncoder)
{
    struct TCase
    {
        const char* What;
        size_t Size;
        int Alphabet;
        int MaxWidth;
        bool Clears;
    };
    for (const TCase& c : {TCase{"frozen at 9 bits", 20000, 4, 9, false},
                           TCase{"grows to 12 bits", 60000, 6, 12, false},
                           TCase{"grows and clears", 300000, 16, 11, true},
                           TCase{"full 16 bits", 400000, 200, 16, false}})
    {
        SCOPED_TRACE(c.What);
        const TBytes data = Text(c.Size, 7, c.Alphabet);
        TEncodeStats stats;
        const TBytes stream = Encode(data, c.MaxWidth, c.Clears, &stats);
        EXPECT_EQ(stats.MaxWidth, c.MaxWidth);
        EXPECT_EQ(stats.Clears > 0, c.Clears);
        EXPECT_EQ(Decode(stream, data.size()), data);
    }
    EXPECT_EQ(Decode(Encode({}, 9, false), 0), TBytes());
}

TEST(LZW, OutputIsCutAtItsCapacityAndAShortStreamKeepsWhatItDecoded)
{
    const TBytes data = Text(5000, 3, 5);
    const TBytes stream = Encode(data, 12, false);
    EXPECT_EQ(Decode(stream, 1234), TBytes(data.begin(), data.begin() + 1234));

    // Cut in the middle: the decoded part is right and the rest stays zero.
    const TBytes cut(stream.begin(), stream.begin() + ptrdiff_t(stream.size() / 2));
    const TBytes out = Decode(cut, data.size());
    size_t good = 0;
    while (good < out.size() && out[good] == data[good])
        ++good;
    EXPECT_GT(good, data.size() / 4);
    EXPECT_LT(good, data.size());
    EXPECT_EQ(TBytes(out.begin() + ptrdiff_t(good), out.end()), TBytes(out.size() - good, 0));
}

TEST(LZW, CorruptStreamsRaise)
{
    // An unassigned code refers to itself: the chain never reaches a literal.
    const TBytes chain = Pack({{65, 9}, {300, 9}, {300, 9}, {kEnd, 9}});
    TBytes out(100);
    TLZWCompressor a(chain.data(), 8, 9, out.size(), chain.size(), out.data());
    try
    {
        a.Decode();
        FAIL() << "decoded";
    }
    catch (const EReadError& e)
    {
        EXPECT_STREQ(e.what(), "Fatal LZW error during code expansion");
    }

    // Growing past 16 bits.
    std::vector<std::pair<uint32_t, int>> codes = {{65, 9}, {66, 9}};
    for (int w = 9; w < 16; ++w)
    {
        codes.push_back({kGrow, w});
        codes.push_back({67, w + 1});
    }
    codes.push_back({kGrow, 16});
    codes.push_back({66, 16});
    const TBytes wide = Pack(codes);
    TLZWCompressor b(wide.data(), 8, 9, out.size(), wide.size(), out.data());
    try
    {
        b.Decode();
        FAIL() << "decoded";
    }
    catch (const EReadError& e)
    {
        EXPECT_NE(std::string(e.what()).find("16 bits"), std::string::npos) << e.what();
    }

    // Garbage decodes or raises a read error, never more.
    for (uint32_t seed = 1; seed < 200; ++seed)
    {
        const TBytes junk = Text(64 + seed, seed, 256);
        TLZWCompressor c(junk.data(), 8, 9, out.size(), junk.size(), out.data());
        try
        {
            c.Decode();
        }
        catch (const EReadError&)
        {
        }
        EXPECT_LE(c.OutputLen(), out.size());
    }
}

TEST(LZW, NoCodeIsAssignedPastTheWidthUntilItGrows)
{
    // 65 and 252 codes of 66 assign 259..510. The 67 and 68 that follow assign nothing at
    // 9 bits; after the grow code, 69 assigns 511 = 68 + 'E', so 511 reads "DE" (had 67
    // assigned it, it would read "BC").
    std::vector<std::pair<uint32_t, int>> codes = {{65, 9}};
    for (int i = 0; i < 252; ++i)
        codes.push_back({66, 9});
    for (const auto& c : std::vector<std::pair<uint32_t, int>>{
             {67, 9}, {68, 9}, {kGrow, 9}, {69, 10}, {511, 10}, {kEnd, 10}})
        codes.push_back(c);
    TBytes expected = {65};
    expected.insert(expected.end(), 252, 66);
    for (const uint8_t b : {67, 68, 69, 68, 69})
        expected.push_back(b);
    EXPECT_EQ(Decode(Pack(codes), expected.size()), expected);
}

TEST(Zlib, InflateBufferGrowsAndReportsZlibErrors)
{
    const TBytes plain = Text(100000, 5, 3);
    uLongf len = compressBound(uLong(plain.size()));
    TBytes packed(len);
    ASSERT_EQ(compress2(packed.data(), &len, plain.data(), uLong(plain.size()), 9), Z_OK);
    packed.resize(len);

    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), 10), plain);
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), plain.size() * 3), plain);

    struct TCase
    {
        const char* What;
        TBytes Input;
        const char* Message;
    };
    TBytes flipped = packed;
    flipped[0] ^= 0xFF;
    const TBytes cut(packed.begin(), packed.begin() + ptrdiff_t(packed.size() / 2));
    for (const TCase& c :
         {TCase{"bad header", flipped, "data error"}, TCase{"cut short", cut, "buffer error"},
          TCase{"empty", {}, "buffer error"}})
    {
        SCOPED_TRACE(c.What);
        try
        {
            InflateBuffer(c.Input.data(), c.Input.size(), 100);
            ADD_FAILURE() << "inflated";
        }
        catch (const EDecompressionError& e)
        {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}
