// ze2 pak list|cat|extract|create|add|rm: the entries of archives.
#include "Ze2.h"

#include "archive/HovFolder.h"
#include "core/Paths.h"
#include "core/StrUtils.h"

#include <cstdio>

namespace ze2
{
namespace
{
// Splits "NAME=PATH"; false when there is no '=' or the name is empty.
bool SplitPair(const std::string& word, std::string& name, std::string& path)
{
    const size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    name = word.substr(0, eq);
    path = word.substr(eq + 1);
    return true;
}

// The entry name as a path below the extraction folder, folders separated by "/"; empty when
// the name is absolute, names a drive, or climbs out with "..".
std::string SafeRelativePath(const std::string& name)
{
    if (name.empty() || name[0] == '\\' || name[0] == '/')
        return {};
    std::string normalised = name;
    for (char& c : normalised)
        if (c == '\\')
            c = '/';
    std::string out;
    bool first = true;
    for (const std::string& part : SplitString(normalised, '/'))
    {
        if (part == "..")
            return {};
        if (first && part.find(':') != std::string::npos)
            return {};
        first = false;
        if (part.empty() || part == ".")
            continue;
        out += (out.empty() ? "" : "/") + part;
    }
    return out;
}

int PakList(const TArgs& args)
{
    if (args.Positional.size() != 1)
        return ExitUsage;
    const auto folder = THovFolder::CreateFromFile(args.Positional[0], true);
    for (int i = 0; i < folder->Count(); ++i)
        Line({std::to_string(i), std::to_string(folder->EntrySize(i)), folder->EntryName(i)});
    return ExitOk;
}

int PakCat(const TArgs& args)
{
    if (args.Positional.size() != 2)
        return ExitUsage;
    const auto folder = THovFolder::CreateFromFile(args.Positional[0], true);
    const int index = folder->IndexOfName(args.Positional[1]);
    if (index < 0)
    {
        Error("no entry \"" + args.Positional[1] + "\" in " + args.Positional[0]);
        return ExitFailed;
    }
    const uint8_t* data = folder->EntryData(index);
    const uint32_t size = folder->EntrySize(index);
    if (size > 0 && std::fwrite(data, 1, size, stdout) != size)
    {
        Error("cannot write to standard output");
        return ExitFailed;
    }
    std::fflush(stdout);
    return ExitOk;
}

int PakExtract(const TArgs& args)
{
    if (args.Positional.size() != 2)
        return ExitUsage;
    const auto folder = THovFolder::CreateFromFile(args.Positional[0], true);
    const std::string dir = IncludeTrailingSlash(args.Positional[1]);
    bool allDone = true;
    for (int i = 0; i < folder->Count(); ++i)
    {
        const std::string name = folder->EntryName(i);
        const std::string rel = SafeRelativePath(name);
        if (rel.empty())
        {
            Error("refused entry \"" + name + "\": its name leads outside " + args.Positional[1]);
            allDone = false;
            continue;
        }
        const std::string path = dir + rel;
        try
        {
            const uint8_t* data = folder->EntryData(i);
            if (!ForceDirectories(ExtractFilePath(path)))
                throw EFCreateError("Cannot create folder \"" + ExtractFilePath(path) + "\"");
            WriteFileAtomically(path, data, folder->EntrySize(i));
            folder->ReleaseEntryData(i);
        }
        catch (const EStreamError& e)
        {
            Error(name + ": " + e.what());
            allDone = false;
        }
    }
    return allDone ? ExitOk : ExitFailed;
}

// Adds every NAME=PATH of words to the folder; false (after a message) on a malformed word.
bool AddPairs(THovFolder& folder, const std::vector<std::string>& words, size_t from)
{
    for (size_t i = from; i < words.size(); ++i)
    {
        std::string name;
        std::string path;
        if (!SplitPair(words[i], name, path))
        {
            Error("\"" + words[i] + "\" is not NAME=PATH");
            return false;
        }
        if (!folder.AddFile(name, path))
        {
            Error("cannot add \"" + name + "\"");
            return false;
        }
    }
    return true;
}

int PakCreate(const TArgs& args)
{
    if (args.Positional.empty())
        return ExitUsage;
    const auto folder = THovFolder::CreateEmpty(args.Positional[0]);
    if (!AddPairs(*folder, args.Positional, 1))
        return ExitUsage;
    folder->SaveAs(args.Positional[0]);
    return ExitOk;
}

int PakAdd(const TArgs& args)
{
    if (args.Positional.size() < 2)
        return ExitUsage;
    const auto folder = THovFolder::CreateFromFile(args.Positional[0], false);
    if (!AddPairs(*folder, args.Positional, 1))
        return ExitUsage;
    folder->SaveAs(args.Positional[0]);
    return ExitOk;
}

int PakRm(const TArgs& args)
{
    if (args.Positional.size() < 2)
        return ExitUsage;
    const auto folder = THovFolder::CreateFromFile(args.Positional[0], false);
    // All or nothing: a name that is not there leaves the archive as it was.
    bool allThere = true;
    for (size_t i = 1; i < args.Positional.size(); ++i)
        if (folder->IndexOfName(args.Positional[i]) < 0)
        {
            Error("no entry \"" + args.Positional[i] + "\" in " + args.Positional[0]);
            allThere = false;
        }
    if (!allThere)
        return ExitFailed;
    for (size_t i = 1; i < args.Positional.size(); ++i)
        folder->DeleteByName(args.Positional[i]);
    folder->SaveAs(args.Positional[0]);
    return ExitOk;
}
} // namespace

void AddPakCommands(TCommandTable& table)
{
    table.push_back({"pak list", "FILE", PakList, {}});
    table.push_back({"pak cat", "FILE NAME", PakCat, {}});
    table.push_back({"pak extract", "FILE DIR", PakExtract, {}});
    table.push_back({"pak create", "OUT [NAME=PATH...]", PakCreate, {}});
    table.push_back({"pak add", "FILE NAME=PATH...", PakAdd, {}});
    table.push_back({"pak rm", "FILE NAME...", PakRm, {}});
}
} // namespace ze2
