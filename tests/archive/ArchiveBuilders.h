// Builders of archives in the game's compressed and scrambled layouts, for the archive tests
// and the fuzzer's seed corpus (our own writer makes only the plain layout).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace archive_builders
{
using TBytes = std::vector<uint8_t>;

inline void PutLe32(TBytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// A compressed archive: the directory (name, size) and the zlib chunks as given.
inline TBytes CompressedArchive(const std::vector<std::pair<std::string, uint32_t>>& dir,
                                const std::vector<TBytes>& chunks)
{
    TBytes out = {3, 0};
    out.resize(16, 0);
    PutLe32(out, uint32_t(chunks.size() * 2));
    for (const TBytes& c : chunks)
    {
        out.push_back(uint8_t((c.size() - 1) & 0xFF));
        out.push_back(uint8_t((c.size() - 1) >> 8));
    }
    TBytes records;
    for (const auto& [name, size] : dir)
    {
        PutLe32(records, uint32_t(name.size()));
        records.insert(records.end(), name.begin(), name.end());
        PutLe32(records, 0);
        PutLe32(records, size);
    }
    PutLe32(out, uint32_t(dir.size()));
    PutLe32(out, uint32_t(records.size()));
    out.insert(out.end(), records.begin(), records.end());
    for (const TBytes& c : chunks)
        out.insert(out.end(), c.begin(), c.end());
    return out;
}

// The scrambler the game's tools would use: the inverse of the descrambler.
inline void Scramble(uint8_t* p, size_t n, uint8_t& key)
{
    for (size_t i = 0; i < n; ++i)
    {
        const uint8_t c = uint8_t(p[i] ^ key);
        key = uint8_t(key + c);
        p[i] = c;
    }
}

// A scrambled archive: "RES" with 32-byte names, or "RS2" with stored paths.
inline TBytes ScrambledArchive(bool longNames, uint8_t seed,
                               const std::vector<std::pair<std::string, TBytes>>& entries)
{
    TBytes run;
    const std::string kind = longNames ? "RS2" : "RES";
    run.insert(run.end(), kind.begin(), kind.end());
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
            std::memcpy(field.data(), name.data(), std::min<size_t>(31, name.size()));
            run.insert(run.end(), field.begin(), field.end());
        }
        PutLe32(run, offset);
        PutLe32(run, uint32_t(data.size()));
        offset += uint32_t(data.size());
    }
    uint8_t key = seed;
    Scramble(run.data(), run.size(), key);
    TBytes out = {'F', 'A', 'O', 'E'};
    out.insert(out.end(), run.begin(), run.end());
    for (const auto& [name, data] : entries)
    {
        TBytes d = data;
        key = seed;
        Scramble(d.data(), d.size(), key);
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
}
} // namespace archive_builders
