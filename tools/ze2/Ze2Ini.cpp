// ze2 ini get|set: one value of a sectioned configuration text file.
#include "Ze2.h"

#include "archive/KexIniFile.h"
#include "core/Paths.h"

#include <cstdio>

namespace ze2
{
namespace
{
int IniGet(const TArgs& args)
{
    if (args.Positional.size() != 3)
        return ExitUsage;
    const std::string& file = args.Positional[0];
    if (!FileExists(file))
    {
        Error("cannot open \"" + file + "\": no such file");
        return ExitFailed;
    }
    TKexIniFile ini;
    ini.LoadFromFile(file);
    const std::string value = ini.ReadString(args.Positional[1], args.Positional[2]) + "\n";
    std::fwrite(value.data(), 1, value.size(), stdout);
    return ExitOk;
}

int IniSet(const TArgs& args)
{
    if (args.Positional.size() != 4)
        return ExitUsage;
    const std::string& file = args.Positional[0];
    TKexIniFile ini;
    if (FileExists(file))
        ini.LoadFromFile(file);
    ini.WriteString(args.Positional[1], args.Positional[2], args.Positional[3]);
    ini.SaveToFile(file);
    return ExitOk;
}
} // namespace

void AddIniCommands(TCommandTable& table)
{
    table.push_back({"ini get", "FILE SECTION KEY", IniGet, {}});
    table.push_back({"ini set", "FILE SECTION KEY VALUE", IniSet, {}});
}
} // namespace ze2
