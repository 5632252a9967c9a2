// Writes valid archives of every layout into a folder, each prefixed with the fuzz target's
// mode byte: plain ones through SaveAs, compressed ones with zlib, scrambled ones with the
// scrambler the descrambler undoes.
#include "archive/ArchiveBuilders.h"
#include "archive/HovFolder.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

namespace
{
using archive_builders::TBytes;

TBytes Sample(size_t size, uint32_t seed)
{
    TBytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = uint8_t("terrain spline "[(i * 7 + seed) % 15]);
    return b;
}

void Save(const std::string& dir, const std::string& name, uint8_t mode, const TBytes& archive)
{
    TBytes out = {mode};
    out.insert(out.end(), archive.begin(), archive.end());
    WriteFileAtomically(dir + "/" + name, out.data(), out.size());
}

TBytes Plain(const std::string& dir, int count)
{
    const std::string path = dir + "/plain.tmp";
    auto folder = THovFolder::CreateEmpty(path);
    for (int i = 0; i < count; ++i)
    {
        TMemoryStream s(Sample(size_t(5 + 3 * i), uint32_t(i)));
        folder->AddEntry("Data\\e" + std::to_string(i) + ".trn", &s);
    }
    folder->SaveAs(path);
    TBytes bytes = ReadWholeFile(path);
    std::remove(path.c_str());
    return bytes;
}

TBytes Compressed()
{
    const std::vector<std::pair<std::string, TBytes>> entries = {{"a.trn", Sample(300, 1)},
                                                                 {"b.tdf", Sample(90, 2)}};
    std::vector<std::pair<std::string, uint32_t>> dir;
    std::vector<TBytes> chunks;
    for (const auto& [name, data] : entries)
    {
        dir.emplace_back(name, uint32_t(data.size()));
        for (size_t at = 0; at < data.size(); at += 128)
        {
            const size_t n = std::min<size_t>(128, data.size() - at);
            uLongf len = compressBound(uLong(n));
            TBytes z(len);
            compress2(z.data(), &len, data.data() + at, uLong(n), 9);
            z.resize(len);
            chunks.push_back(z);
        }
    }
    return archive_builders::CompressedArchive(dir, chunks);
}

TBytes Scrambled(bool longNames, uint8_t seed)
{
    return archive_builders::ScrambledArchive(
        longNames, seed, {{"models\\rock.dxg", Sample(60, 3)}, {"sky.dxt", Sample(20, 4)}});
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Save(dir, "plain-empty", 0, Plain(dir, 0));
    Save(dir, "plain-two", 2, Plain(dir, 2));
    Save(dir, "plain-three", 0, Plain(dir, 3)); // starts 3, 0 like a compressed archive
    Save(dir, "compressed", 0, Compressed());
    Save(dir, "compressed-lazy", 2, Compressed());
    Save(dir, "res-short", 1, Scrambled(false, THovFolder::ScrambleSeedRes));
    Save(dir, "res-long", 3, Scrambled(true, THovFolder::ScrambleSeedRes));
    Save(dir, "pak-long", 0, Scrambled(true, THovFolder::ScrambleSeedOther));
    return 0;
}
