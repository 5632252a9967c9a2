// Writes valid archives of every layout into a folder, each prefixed with the fuzz target's
// mode byte: plain ones through SaveAs, compressed ones with zlib, scrambled ones with the
// scrambler the descrambler undoes.
#include "archive/HovFolder.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

namespace
{
using TBytes = std::vector<uint8_t>;

void PutLe32(TBytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

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
    TBytes table, records, chunks;
    for (const auto& [name, data] : entries)
    {
        PutLe32(records, uint32_t(name.size()));
        records.insert(records.end(), name.begin(), name.end());
        PutLe32(records, 0);
        PutLe32(records, uint32_t(data.size()));
        for (size_t at = 0; at < data.size(); at += 128)
        {
            const size_t n = std::min<size_t>(128, data.size() - at);
            uLongf len = compressBound(uLong(n));
            TBytes z(len);
            compress2(z.data(), &len, data.data() + at, uLong(n), 9);
            table.push_back(uint8_t((len - 1) & 0xFF));
            table.push_back(uint8_t((len - 1) >> 8));
            chunks.insert(chunks.end(), z.begin(), z.begin() + ptrdiff_t(len));
        }
    }
    TBytes out = {3, 0};
    out.resize(16, 0);
    PutLe32(out, uint32_t(table.size()));
    out.insert(out.end(), table.begin(), table.end());
    PutLe32(out, uint32_t(entries.size()));
    PutLe32(out, uint32_t(records.size()));
    out.insert(out.end(), records.begin(), records.end());
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

void Scramble(TBytes& b, uint8_t seed)
{
    uint8_t key = seed;
    for (uint8_t& p : b)
    {
        p = uint8_t(p ^ key);
        key = uint8_t(key + p);
    }
}

TBytes Scrambled(bool longNames, uint8_t seed)
{
    const std::vector<std::pair<std::string, TBytes>> entries = {
        {"models\\rock.dxg", Sample(60, 3)}, {"sky.dxt", Sample(20, 4)}};
    const std::string kind = longNames ? "RS2" : "RES";
    TBytes run(kind.begin(), kind.end());
    run.push_back(0);
    PutLe32(run, uint32_t(entries.size()));
    size_t dirLen = run.size();
    for (const auto& [name, data] : entries)
        dirLen += longNames ? 12 + name.size() : 40;
    uint32_t offset = uint32_t(dirLen);
    for (const auto& [name, data] : entries)
    {
        if (longNames)
        {
            PutLe32(run, uint32_t(name.size()));
            run.insert(run.end(), name.begin(), name.end());
        }
        else
        {
            TBytes field(32, 0);
            std::copy(name.begin(), name.end(), field.begin());
            run.insert(run.end(), field.begin(), field.end());
        }
        PutLe32(run, offset);
        PutLe32(run, uint32_t(data.size()));
        offset += uint32_t(data.size());
    }
    Scramble(run, seed);
    TBytes out = {'F', 'A', 'O', 'E'};
    out.insert(out.end(), run.begin(), run.end());
    for (const auto& [name, data] : entries)
    {
        TBytes d = data;
        Scramble(d, seed);
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
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
