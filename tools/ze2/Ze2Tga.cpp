// ze2 tga topng|frompng: TGA images.
#include "Ze2.h"

#include "core/Paths.h"
#include "terrain/VellTga.h"

namespace ze2
{
namespace
{
// The value of flag as 0, 1 or 2; -1 when it is something else. def when absent.
int Choice(const TArgs& args, const std::string& flag, int def)
{
    if (!args.Has(flag))
        return def;
    const std::string v = args.Value(flag);
    return v == "0" ? 0 : v == "1" ? 1 : v == "2" ? 2 : -1;
}

int TgaToPng(const TArgs& args)
{
    const int mode = Choice(args, "--mode", 0);
    if (args.Positional.size() != 2 || mode < 0)
        return ExitUsage;
    TVellqTarga tga;
    QImage image;
    if (!tga.LoadFromFile(args.Positional[0], mode, image))
    {
        Error(tga.ErrorText());
        return ExitFailed;
    }
    if (!image.save(QString::fromStdString(ResolvePathForWrite(args.Positional[1])), "PNG"))
    {
        Error("cannot write " + args.Positional[1]);
        return ExitFailed;
    }
    return ExitOk;
}

int TgaFromPng(const TArgs& args)
{
    const int depth = Choice(args, "--depth", 0);
    if (args.Positional.size() != 2 || depth < 0)
        return ExitUsage;
    QImage image;
    if (!image.load(QString::fromStdString(ResolvePath(args.Positional[0]))))
    {
        Error("cannot read the image " + args.Positional[0]);
        return ExitFailed;
    }
    TVellqTarga tga;
    if (!tga.SaveToFile(args.Positional[1], image, depth))
    {
        Error("cannot write " + args.Positional[1]);
        return ExitFailed;
    }
    return ExitOk;
}
} // namespace

void AddTgaCommands(TCommandTable& table)
{
    table.push_back({"tga topng", "IN.tga OUT.png [--mode 0|1|2]", TgaToPng, {"--mode"}});
    table.push_back({"tga frompng", "IN.png OUT.tga [--depth 0|1|2]", TgaFromPng, {"--depth"}});
}
} // namespace ze2
