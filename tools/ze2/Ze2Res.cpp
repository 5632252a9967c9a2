// ze2 res find, kex list: looking names up across resource folders, and the blocks of block
// files.
#include "Ze2.h"

#include "archive/HovResPlugIns.h"
#include "archive/KexFileStream.h"
#include "archive/KexResourceManager.h"

namespace ze2
{
namespace
{
int ResFind(const TArgs& args)
{
    if (args.Positional.size() < 2)
        return ExitUsage;
    const std::string& name = args.Positional[0];
    // The plug-ins outlive the manager that serves folders through them.
    THovFilePlugIn pak;
    TKexFileStreamPlugIn kex;
    TKexResManager res;
    res.RegisterPlugIn(&pak);
    res.RegisterPlugIn(&kex);
    for (size_t i = 1; i < args.Positional.size(); ++i)
    {
        const int before = res.Count();
        res.AddPath(args.Positional[i], {}, false, 0);
        if (res.Count() == before)
            Error("nothing to look in at " + args.Positional[i]);
    }
    int folder = -1, entry = -1;
    const int found = res.FindFile(name, folder, entry);
    if (found != 0)
    {
        Error(name + " not found");
        return ExitFailed;
    }
    Line({std::to_string(folder), res.FolderCaption(folder),
          std::to_string(res.EntrySize(folder, entry))});
    return ExitOk;
}

int KexList(const TArgs& args)
{
    if (args.Positional.size() != 1)
        return ExitUsage;
    TKexFileStream file;
    int result = file.OpenForRead(args.Positional[0]);
    for (int index = 0; result == TKexFileStream::keOk && !file.NoMoreBlocks(); ++index)
    {
        if ((result = file.NextBlock()) != TKexFileStream::keOk)
            break;
        Line({std::to_string(index), TKexFileStream::KindName(file.BlockKind()),
              std::to_string(file.BlockSubKind()), std::to_string(file.BlockSize()),
              file.BlockName()});
        if (file.DataStart() + int64_t(file.BlockSize()) > file.Stream()->Size())
            result = TKexFileStream::keBlockData;
    }
    if (result != TKexFileStream::keOk)
    {
        Error(args.Positional[0] + ": " + TKexFileStream::ErrorText(result));
        return ExitFailed;
    }
    return ExitOk;
}
} // namespace

void AddResourceCommands(TCommandTable& table)
{
    table.push_back({"res find", "NAME FOLDER...", ResFind, {}});
    table.push_back({"kex list", "FILE", KexList, {}});
}
} // namespace ze2
