// ze2 terrain height|export-displacement|import-displacement: the terrain model.
#include "Ze2.h"

#include "core/StrUtils.h"
#include "terrain/OstTrn.h"
#include "terrain/VellTga.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace ze2
{
namespace
{
bool ToNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == 0 && std::isfinite(value);
}

bool ToSection(const std::string& text, int& value)
{
    double v;
    if (!ToNumber(text, v) || v != std::trunc(v) || v < 0 || v > 255)
        return false;
    value = int(v);
    return true;
}

bool Load(const std::string& fileName, TOstTerrain& ground)
{
    auto file = std::make_unique<THovTRNfile>();
    if (!LoadTerrainFile(fileName, *file))
        return false;
    if (!ground.LoadTerrain(std::move(file)))
    {
        Error("cannot use the terrain file " + fileName + ": " + ground.LastError());
        return false;
    }
    return true;
}

bool InGrid(const TOstTerrain& ground, int sx, int sz)
{
    if (sx < ground.SectionsX() && sz < ground.SectionsY())
        return true;
    Error("no section at column " + std::to_string(sx) + ", row " + std::to_string(sz) +
          " (the terrain has " + std::to_string(ground.SectionsX()) + " x " +
          std::to_string(ground.SectionsY()) + ")");
    return false;
}

int TerrainHeight(const TArgs& args)
{
    double x, z;
    if (args.Positional.size() != 3 || !ToNumber(args.Positional[1], x) ||
        !ToNumber(args.Positional[2], z))
        return ExitUsage;
    TOstTerrain ground;
    if (!Load(args.Positional[0], ground))
        return ExitFailed;
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", double(ground.GetHeight(float(x), float(z))));
    Line({text});
    return ExitOk;
}

int ExportDisplacement(const TArgs& args)
{
    int sx, sz;
    if (args.Positional.size() != 4 || !ToSection(args.Positional[1], sx) ||
        !ToSection(args.Positional[2], sz))
        return ExitUsage;
    TOstTerrain ground;
    if (!Load(args.Positional[0], ground) || !InGrid(ground, sx, sz))
        return ExitFailed;
    ground.HeightMapMode = args.Has("--16bit");
    const QImage image = ground.DisplacementMapImage(sz, sx);
    TVellqTarga tga;
    if (image.isNull() || !tga.SaveToFile(args.Positional[3], image, TVellqTarga::td24))
    {
        Error("cannot write " + args.Positional[3]);
        return ExitFailed;
    }
    return ExitOk;
}

int ImportDisplacement(const TArgs& args)
{
    int sx, sz;
    if (args.Positional.size() != 5 || !ToSection(args.Positional[1], sx) ||
        !ToSection(args.Positional[2], sz))
        return ExitUsage;
    TOstTerrain ground;
    if (!Load(args.Positional[0], ground) || !InGrid(ground, sx, sz))
        return ExitFailed;
    TVellqTarga tga;
    QImage map;
    if (!tga.LoadFromFile(args.Positional[3], TVellqTarga::tmKeep, map))
    {
        Error(args.Positional[3] + ": " + tga.ErrorText());
        return ExitFailed;
    }
    // The model reports its own refusals in the message box (stderr here).
    if (!ground.ImportDisplacementMap(sz, sx, map))
        return ExitFailed;
    ground.File()->SaveToFile(args.Positional[4], args.Has("--8bit"));
    return ExitOk;
}
} // namespace

void AddTerrainCommands(TCommandTable& table)
{
    table.push_back({"terrain height", "FILE.trn|FILE.pak X Z", TerrainHeight, {}});
    table.push_back(
        {"terrain export-displacement", "FILE SX SZ OUT.tga [--16bit]", ExportDisplacement, {}});
    table.push_back({"terrain import-displacement",
                     "FILE SX SZ MAP.tga OUT.trn [--8bit]",
                     ImportDisplacement,
                     {}});
}
} // namespace ze2
