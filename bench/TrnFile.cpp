// Terrain file speed. A terrain of 7 x 7 sections, each with its own 257 tile blocks and 17
// textures (made by CreateFlat, then given per-section storage: about 300 MB in the 32-bit
// layout), is saved and loaded. Loading it from a file is set beside reading the same bytes
// into memory; it should stay within three times that. Rebuilding all 256 tiles of one
// section is measured too.
#include "core/Streams.h"
#include "terrain/HovTRNFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

constexpr int kSections = 7;

// The terrain, built once.
THovTRNfile& Terrain()
{
    static THovTRNfile* file = []
    {
        auto* f = new THovTRNfile;
        f->CreateFlat(kSections, 10.0f, 200.0f, 2.0f);
        for (int sr = 0; sr < kSections; ++sr)
            for (int sc = 0; sc < kSections; ++sc)
            {
                const int t0 = f->TileCount();
                const int x0 = f->TextureCount();
                f->SetTileCount(t0 + 257);
                for (int t = t0; t < t0 + 257; ++t)
                    for (int v = 0; v < TileBlock::Vertices; ++v)
                        TileBlock::SetHeight(f->Tile(t), v, uint16_t((t * 131 + v * 17) & 0xFFFF));
                for (int k = 0; k < 17; ++k)
                {
                    QImage texture(256, 256, QImage::Format_ARGB32);
                    for (int y = 0; y < 256; ++y)
                    {
                        auto* row = reinterpret_cast<uint32_t*>(texture.scanLine(y));
                        for (int x = 0; x < 256; ++x)
                            row[x] = 0xFF000000u | uint32_t((x + k * 8) & 255) << 16 |
                                     uint32_t(y) << 8 | uint32_t((sr * kSections + sc) * 5);
                    }
                    f->ReplaceTexture(x0 + k, texture);
                }
                TTrnNode* section = f->SectionNode(sr, sc);
                section->SetTileIndex(uint16_t(t0));
                section->SetTextureEntry(0, uint32_t(2 * x0));
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i)
                        section->SetTextureEntry(1 + 4 * j + i, uint32_t(2 * (x0 + 4 * i + j)));
                for (int j = 0; j < 16; ++j)
                    for (int i = 0; i < 16; ++i)
                        section->Child(j, i)->SetTileIndex(uint16_t(t0 + 1 + 16 * i + j));
            }
        return f;
    }();
    return *file;
}

const std::string& TerrainPath()
{
    static const std::string path = []
    {
        const std::string p = (fs::temp_directory_path() /
                               ("brakkentiv_bench_trn_" + std::to_string(getpid()) + ".trn"))
                                  .string();
        Terrain().SaveToFile(p, false);
        return p;
    }();
    return path;
}

void BM_SaveLod32(benchmark::State& state)
{
    THovTRNfile& file = Terrain();
    int64_t bytes = 0;
    for (auto _ : state)
    {
        TMemoryStream stream;
        file.SaveToStream(stream, false);
        bytes = stream.Size();
        benchmark::DoNotOptimize(stream.Memory());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_SaveLod32)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadBytesOnly(benchmark::State& state)
{
    const std::string& path = TerrainPath();
    int64_t bytes = 0;
    for (auto _ : state)
    {
        const std::vector<uint8_t> data = ReadWholeFile(path);
        bytes = int64_t(data.size());
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadBytesOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadLod32FromFile(benchmark::State& state)
{
    const std::string& path = TerrainPath();
    int64_t bytes = int64_t(fs::file_size(path));
    for (auto _ : state)
    {
        THovTRNfile file;
        if (!file.LoadFromFile(path))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(file.Tile(0));
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_LoadLod32FromFile)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SaveLoadLod8(benchmark::State& state)
{
    THovTRNfile& file = Terrain();
    int64_t bytes = 0;
    for (auto _ : state)
    {
        TMemoryStream stream;
        file.SaveToStream(stream, true);
        bytes = stream.Size();
        THovTRNfile loaded;
        if (!loaded.LoadFromMemory(stream.Memory(), size_t(stream.Size())))
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_SaveLoadLod8)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RebuildSection(benchmark::State& state)
{
    THovTRNfile& file = Terrain();
    const int sr = 3, sc = 3;
    for (auto _ : state)
    {
        for (int tr = 0; tr < 16; ++tr)
            for (int tc = 0; tc < 16; ++tc)
            {
                std::array<uint8_t*, 9> around{};
                for (int dr = -1; dr <= 1; ++dr)
                    for (int dc = -1; dc <= 1; ++dc)
                    {
                        const int r = tr + dr, c = tc + dc;
                        const int rs = sr + (r < 0 ? -1 : r > 15 ? 1 : 0);
                        const int cs = sc + (c < 0 ? -1 : c > 15 ? 1 : 0);
                        around[size_t(3 * (dr + 1) + dc + 1)] =
                            file.Tile(file.TileIndexOf(rs, cs, (r + 16) % 16, (c + 16) % 16));
                    }
                file.RebuildTile(file.SectionNode(sr, sc)->Child(tr, tc), around, tr, tc,
                                 TCustomTRNFile::rbAll);
            }
    }
    state.counters["tiles/s"] =
        benchmark::Counter(256.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RebuildSection)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove(TerrainPath(), ec);
    return 0;
}
