#include "archive/KexResourceManager.h"

#include "core/Paths.h"
#include "core/StrUtils.h"

#include <algorithm>
#include <filesystem>

TKexResManager::TKexResManager(std::string knownTypes) : FKnownTypes(LowerCase(knownTypes)) {}

TKexResManager::~TKexResManager() = default;

int TKexResManager::TypeIndex(const std::string& ext, const std::string& list)
{
    if (ext.empty())
        return -1;
    const size_t at = list.find(ext);
    if (at == std::string::npos)
        return -1;
    return int(std::count(list.begin(), list.begin() + std::ptrdiff_t(at), '.'));
}

int TKexResManager::AddFolder(const std::string& path, unsigned flags, const std::string& caption)
{
    TKexFolderInfo info;
    info.Path = path;
    info.Flags = flags;
    info.Directory = DirectoryExists(path);
    if (!info.Directory && !FileExists(path))
        return -1;
    if (!caption.empty())
        info.Caption = caption;
    else if (info.Directory)
    {
        std::string p = path;
        while (!p.empty() && (p.back() == '\\' || p.back() == '/'))
            p.pop_back();
        info.Caption = "\\" + ExtractFileName(p);
    }
    else
        info.Caption = ExtractFileName(path);
    FFolders.push_back(info);
    return 0;
}

int TKexResManager::AddPath(const std::string& path, const std::string& caption, bool recurse,
                            unsigned flags)
{
    AddFolder(path, flags, caption);
    if (recurse && DirectoryExists(path))
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        std::vector<std::string> subdirs;
        for (fs::directory_iterator it(ResolvePath(path), ec), end; !ec && it != end;
             it.increment(ec))
            if (it->is_directory(ec))
                subdirs.push_back(it->path().filename().string());
        std::sort(subdirs.begin(), subdirs.end());
        for (const std::string& name : subdirs)
            AddFolder(IncludeTrailingBackslash(path) + name + "\\", flags, {});
    }
    return 0;
}

bool TKexResManager::RemoveFolder(int index)
{
    if (index < 0 || index >= Count())
        return false;
    FFolders.erase(FFolders.begin() + index);
    return true;
}
