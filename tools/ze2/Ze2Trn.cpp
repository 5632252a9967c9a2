// ze2 trn info|flat|resave: terrain files.
#include "Ze2.h"

#include "archive/HovFolder.h"
#include "core/StrUtils.h"
#include "terrain/HovTRNFile.h"

#include <cstdio>

namespace ze2
{
namespace
{
std::string Fixed6(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", v);
    return text;
}

bool ParseNumber(const TArgs& args, const std::string& flag, double& value)
{
    const std::string text = args.Value(flag);
    if (text.empty())
        return false;
    try
    {
        size_t used = 0;
        value = std::stod(text, &used);
        return used == text.size();
    }
    catch (...)
    {
        return false;
    }
}

int TrnInfo(const TArgs& args)
{
    if (args.Positional.size() != 1)
        return ExitUsage;
    THovTRNfile file;
    if (!LoadTerrainFile(args.Positional[0], file))
        return ExitFailed;
    Line({"variant", TrnVariantName(file.Variant())});
    Line({"sections",
          std::to_string(file.SectionColumns()) + "x" + std::to_string(file.SectionRows())});
    Line({"tiles", std::to_string(file.TileCount())});
    Line({"textures", std::to_string(file.TextureCount())});
    Line({"spacing", Fixed6(file.TileSpacing())});
    Line({"heightscale", Fixed6(file.HeightScale())});
    return ExitOk;
}

int TrnFlat(const TArgs& args)
{
    double tiles, base, max, grid;
    if (args.Positional.size() != 1 || !ParseNumber(args, "--tiles", tiles) ||
        !ParseNumber(args, "--base", base) || !ParseNumber(args, "--max", max) ||
        !ParseNumber(args, "--grid", grid))
        return ExitUsage;
    THovTRNfile file;
    if (!file.CreateFlat(int(tiles), float(base), float(max), float(grid)))
    {
        Error("cannot make a flat terrain: --max and --grid must be above 0");
        return ExitFailed;
    }
    file.SaveToFile(args.Positional[0], args.Has("--8bit"));
    return ExitOk;
}

int TrnResave(const TArgs& args)
{
    if (args.Positional.size() != 2)
        return ExitUsage;
    THovTRNfile file;
    if (!LoadTerrainFile(args.Positional[0], file))
        return ExitFailed;
    file.SaveToFile(args.Positional[1], args.Has("--8bit"));
    return ExitOk;
}
} // namespace

// Loads a ".trn", or the first entry of a ".pak" whose name contains ".trn".
bool LoadTerrainFile(const std::string& fileName, THovTRNfile& file)
{
    if (SameText(ExtractFileExt(fileName), ".pak"))
    {
        const auto folder = THovFolder::CreateFromFile(fileName, true);
        const int index = folder->FindEntry(".trn");
        if (index < 0)
        {
            Error("no terrain file in " + fileName);
            return false;
        }
        const uint8_t* data = folder->EntryData(index);
        if (!file.LoadFromMemory(data, folder->EntrySize(index)))
        {
            Error("cannot use the terrain file " + folder->EntryName(index) + ": " +
                  file.LastError());
            return false;
        }
        return true;
    }
    if (!file.LoadFromFile(fileName))
    {
        Error("cannot use the terrain file " + fileName + ": " + file.LastError());
        return false;
    }
    return true;
}

void AddTerrainFileCommands(TCommandTable& table)
{
    table.push_back({"trn info", "FILE.trn|FILE.pak", TrnInfo, {}});
    table.push_back({"trn flat",
                     "OUT.trn --tiles N --base B --max M --grid S [--8bit]",
                     TrnFlat,
                     {"--tiles", "--base", "--max", "--grid"}});
    table.push_back({"trn resave", "IN OUT [--8bit]", TrnResave, {}});
}
} // namespace ze2
