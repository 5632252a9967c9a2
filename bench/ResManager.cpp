// Resource lookups. Eight archives of 10,000 entries each are mounted once; looking a name up
// (one in the last archive, one in none) should stay in the microseconds, since every track
// load looks up hundreds of names. Mounting an archive lists it without reading entry data.
#include "archive/HovFolder.h"
#include "archive/HovResPlugIns.h"
#include "archive/KexResourceManager.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

constexpr int kArchives = 8;
constexpr int kEntries = 10000;

struct TFixture
{
    TFixture()
    {
        Dir = fs::temp_directory_path() / ("bench_res_" + std::to_string(getpid()));
        fs::create_directories(Dir);
        for (int a = 0; a < kArchives; ++a)
        {
            const std::string path = (Dir / ("a" + std::to_string(a) + ".pak")).string();
            auto pak = THovFolder::CreateEmpty(path);
            for (int e = 0; e < kEntries; ++e)
            {
                TMemoryStream s(std::vector<uint8_t>(16, uint8_t(e)));
                pak->AddEntry("Data\\Models\\Model" + std::to_string(a) + "_" + std::to_string(e) +
                                  ".dxg",
                              &s);
            }
            pak->SaveAs(path);
            Paths.push_back(path);
        }
    }
    ~TFixture()
    {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }
    fs::path Dir;
    std::vector<std::string> Paths;
};

TFixture& Fixture()
{
    static TFixture f;
    return f;
}

void BM_MountArchive(benchmark::State& state)
{
    THovFilePlugIn plugIn;
    const std::string path = Fixture().Paths[0];
    for (auto _ : state)
    {
        TKexResManager res;
        res.RegisterPlugIn(&plugIn);
        benchmark::DoNotOptimize(res.AddFolder(path, 0, {}));
    }
}
BENCHMARK(BM_MountArchive)->Unit(benchmark::kMillisecond);

void BM_FindFile(benchmark::State& state)
{
    THovFilePlugIn plugIn;
    TKexResManager res;
    res.RegisterPlugIn(&plugIn);
    for (const std::string& p : Fixture().Paths)
        res.AddFolder(p, 0, {});
    const std::string name = state.range(0) ? "MODEL7_9999.DXG" : "absent.dxg";
    int folder = -1, entry = -1;
    for (auto _ : state)
        benchmark::DoNotOptimize(res.FindFile(name, folder, entry));
}
BENCHMARK(BM_FindFile)->Arg(1)->Arg(0);
} // namespace

BENCHMARK_MAIN();
