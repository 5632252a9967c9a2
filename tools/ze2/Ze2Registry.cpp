// ze2 registry get|set, ze2 game: the program's settings store and the game's installation.
#include "Ze2.h"

#include "core/StrUtils.h"
#include "platform/Registry.h"
#include "track/HOVTrackType.h"

namespace ze2
{
namespace
{
int RegistryGet(const TArgs& args)
{
    if (args.Positional.size() != 2)
        return ExitUsage;
    const auto v = Registry().ReadValue(args.Positional[0], args.Positional[1]);
    if (!v)
    {
        Error("no value \"" + args.Positional[1] + "\" under \"" + args.Positional[0] + "\"");
        return ExitFailed;
    }
    std::printf("%s\n", v->Type == TRegValueType::String ? v->Text.c_str()
                                                         : std::to_string(v->Number).c_str());
    return ExitOk;
}

int RegistrySet(const TArgs& args)
{
    if (args.Positional.size() != 3)
        return ExitUsage;
    const std::string& key = args.Positional[0];
    const std::string& name = args.Positional[1];
    const std::string& text = args.Positional[2];
    bool ok;
    if (args.Has("--integer") || args.Has("--bool"))
    {
        int64_t n = 0;
        const std::string lower = LowerCase(text);
        if (args.Has("--bool") && (lower == "true" || lower == "false"))
            n = lower == "true";
        else if (!TryStrToInt(text, n) || n < INT32_MIN || n > UINT32_MAX)
        {
            Error("\"" + text + "\" is not a number");
            return ExitUsage;
        }
        ok = args.Has("--bool") ? Registry().WriteBool(key, name, n != 0)
                                : Registry().WriteInteger(key, name, int32_t(n));
    }
    else
        ok = Registry().WriteString(key, name, text);
    if (!ok)
    {
        Error("cannot write the registry file " + Registry().FileName());
        return ExitFailed;
    }
    return ExitOk;
}

int Game(const TArgs& args)
{
    if (!args.Positional.empty())
        return ExitUsage;
    THOVTrackType document;
    const bool found = document.FindGame();
    Line({"path", document.GamePath});
    Line({"found", found ? "1" : "0"});
    return ExitOk;
}
} // namespace

void AddRegistryCommands(TCommandTable& table)
{
    table.push_back({"registry get", "KEY NAME", RegistryGet, {}});
    table.push_back({"registry set", "KEY NAME VALUE [--integer|--bool]", RegistrySet, {}});
    table.push_back({"game", "", Game, {}});
}
} // namespace ze2
