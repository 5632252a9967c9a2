// Archive reading speed. A compressed archive of 64 MB (64 entries of 1 MB in 32 KB chunks)
// is opened and fully inflated, next to plain zlib inflating the same chunks from memory
// after reading the file; the archive path should stay within 1.5 times the plain one.
// Listing a plain archive of 10,000 entries opens it without reading their data.
#include "archive/HovFolder.h"
#include "core/Streams.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>
#include <zlib.h>

namespace
{
namespace fs = std::filesystem;

constexpr size_t kEntries = 64;
constexpr size_t kEntrySize = 1 << 20;
constexpr size_t kChunkInput = 32 * 1024;
constexpr size_t kListEntries = 10000;
constexpr size_t kListEntrySize = 4096;

void PutLe32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// Data that compresses about as well as terrain maps and textures do (roughly 2:1).
std::vector<uint8_t> EntryBytes(size_t size, uint32_t seed)
{
    std::vector<uint8_t> b(size);
    uint32_t x = seed * 2654435761u + 7;
    for (size_t i = 0; i < size; ++i)
    {
        x = x * 1664525u + 1013904223u;
        b[i] = uint8_t((x >> 20) & 0x0F) + uint8_t(i / 512 % 8) * 16;
    }
    return b;
}

struct TFixture
{
    std::string Dir;
    std::string Compressed;
    std::string Plain;
    std::vector<uint32_t> ChunkLengths;
    size_t DataStart = 0;

    TFixture()
    {
        Dir =
            (fs::temp_directory_path() / ("brakkentiv-bench-" + std::to_string(getpid()))).string();
        fs::create_directories(Dir);
        Compressed = Dir + "/big.pak";
        Plain = Dir + "/list.pak";

        std::vector<uint8_t> chunks;
        std::vector<uint8_t> records;
        for (size_t e = 0; e < kEntries; ++e)
        {
            const std::vector<uint8_t> data = EntryBytes(kEntrySize, uint32_t(e));
            const std::string name = "entry" + std::to_string(e) + ".trn";
            PutLe32(records, uint32_t(name.size()));
            records.insert(records.end(), name.begin(), name.end());
            PutLe32(records, 0);
            PutLe32(records, uint32_t(data.size()));
            for (size_t at = 0; at < data.size(); at += kChunkInput)
            {
                uLongf len = compressBound(kChunkInput);
                std::vector<uint8_t> z(len);
                compress2(z.data(), &len, data.data() + at, kChunkInput, 6);
                ChunkLengths.push_back(uint32_t(len));
                chunks.insert(chunks.end(), z.begin(), z.begin() + ptrdiff_t(len));
            }
        }
        std::vector<uint8_t> file = {3, 0};
        file.resize(16, 0);
        PutLe32(file, uint32_t(ChunkLengths.size() * 2));
        for (const uint32_t len : ChunkLengths)
        {
            file.push_back(uint8_t((len - 1) & 0xFF));
            file.push_back(uint8_t((len - 1) >> 8));
        }
        PutLe32(file, uint32_t(kEntries));
        PutLe32(file, uint32_t(records.size()));
        file.insert(file.end(), records.begin(), records.end());
        DataStart = file.size();
        file.insert(file.end(), chunks.begin(), chunks.end());
        WriteFileAtomically(Compressed, file.data(), file.size());

        auto folder = THovFolder::CreateEmpty(Plain);
        const std::vector<uint8_t> small = EntryBytes(kListEntrySize, 1);
        for (size_t i = 0; i < kListEntries; ++i)
        {
            TMemoryStream s(small);
            folder->AddEntry("tex" + std::to_string(i) + ".dxt", &s);
        }
        folder->SaveAs(Plain);
    }

    ~TFixture()
    {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
};

TFixture& Fixture()
{
    static TFixture fixture;
    return fixture;
}

void BM_OpenCompressedArchive(benchmark::State& state)
{
    const TFixture& f = Fixture();
    for (auto _ : state)
    {
        auto folder = THovFolder::CreateFromFile(f.Compressed, false);
        benchmark::DoNotOptimize(folder->EntryData(int(kEntries) - 1));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEntries * kEntrySize));
}
BENCHMARK(BM_OpenCompressedArchive)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same chunks through zlib's one-call interface, after reading the file into memory.
void BM_PlainZlibSameChunks(benchmark::State& state)
{
    const TFixture& f = Fixture();
    for (auto _ : state)
    {
        const std::vector<uint8_t> file = ReadWholeFile(f.Compressed);
        std::vector<std::vector<uint8_t>> entries(kEntries, std::vector<uint8_t>(kEntrySize));
        size_t at = f.DataStart;
        size_t chunk = 0;
        for (auto& entry : entries)
            for (size_t filled = 0; filled < kEntrySize; filled += kChunkInput, ++chunk)
            {
                uLongf len = kChunkInput;
                uncompress(entry.data() + filled, &len, file.data() + at, f.ChunkLengths[chunk]);
                at += f.ChunkLengths[chunk];
            }
        benchmark::DoNotOptimize(entries.back().data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEntries * kEntrySize));
}
BENCHMARK(BM_PlainZlibSameChunks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ListPlainArchive10000(benchmark::State& state)
{
    const TFixture& f = Fixture();
    for (auto _ : state)
    {
        auto folder = THovFolder::CreateFromFile(f.Plain, true);
        benchmark::DoNotOptimize(folder->EntrySize(int(kListEntries) - 1));
    }
    state.counters["entries"] = double(kListEntries);
}
BENCHMARK(BM_ListPlainArchive10000)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

BENCHMARK_MAIN();
