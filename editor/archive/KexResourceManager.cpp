#include "archive/KexResourceManager.h"

#include "core/Paths.h"
#include "core/StrUtils.h"
#include "platform/KexLog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
const std::string kEmpty;

std::string WithoutTrailingSeparator(std::string p)
{
    while (!p.empty() && (p.back() == '\\' || p.back() == '/'))
        p.pop_back();
    return p;
}

// The path with a trailing separator of the kind it already uses ("\\" unless it uses "/"
// only), so that entry paths made from it stay in one style.
std::string WithTrailingSeparator(const std::string& path)
{
    if (path.find('\\') == std::string::npos && path.find('/') != std::string::npos)
        return IncludeTrailingSlash(path);
    return IncludeTrailingBackslash(path);
}

// The names in a directory, in name order (a listing's own order differs between file
// systems), split into subdirectories and regular files.
void ListDirectory(const std::string& path, std::vector<std::string>* dirs,
                   std::vector<std::pair<std::string, uint64_t>>* files)
{
    std::error_code ec;
    for (fs::directory_iterator it(ResolvePath(path), ec), end; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        if (name == "." || name == "..")
            continue;
        std::error_code e2;
        if (it->is_directory(e2))
        {
            if (dirs)
                dirs->push_back(name);
        }
        else if (it->is_regular_file(e2) && files)
        {
            const uint64_t size = it->file_size(e2);
            if (!e2)
                files->emplace_back(name, size);
        }
    }
    if (dirs)
        std::sort(dirs->begin(), dirs->end());
    if (files)
        std::sort(files->begin(), files->end());
}
} // namespace

// ---- File plug-in ---------------------------------------------------------------------

int TKexFilePlugIn::OpenArchive(TKexCustomFolder& folder)
{
    std::string exts;
    Extensions(exts);
    return TKexResManager::TypeIndex(LowerCase(ExtractFileExt(folder.Path)), LowerCase(exts)) >= 0
               ? 0
               : -1;
}

// ---- Folders ----------------------------------------------------------------------------

TKexCustomFolder::~TKexCustomFolder()
{
    ClearEntries();
}

void TKexCustomFolder::MakeCaption()
{
    if (IsDirectory())
        Caption = "\\" + ExtractFileName(WithoutTrailingSeparator(Path));
    else
        Caption = ExtractFileName(Path);
}

const std::string& TKexCustomFolder::Name(int index) const
{
    return ValidIndex(index) ? FNames[size_t(index)] : kEmpty;
}

TKexEntryRecord* TKexCustomFolder::Entry(int index)
{
    return ValidIndex(index) ? FRecords[size_t(index)].get() : nullptr;
}

const TKexEntryRecord* TKexCustomFolder::Entry(int index) const
{
    return ValidIndex(index) ? FRecords[size_t(index)].get() : nullptr;
}

int TKexCustomFolder::IndexOf(const std::string& name) const
{
    const auto it = FIndex.find(LowerCase(name));
    return it == FIndex.end() ? -1 : it->second;
}

int TKexCustomFolder::AddEntry(const std::string& name, const TKexEntryRecord& record)
{
    const int index = Count();
    FNames.push_back(name);
    FRecords.push_back(std::make_unique<TKexEntryRecord>(record));
    FIndex.emplace(LowerCase(name), index); // keeps the first of equal names
    return index;
}

void TKexCustomFolder::ClearEntries()
{
    if (PlugIn)
        for (auto& r : FRecords)
            PlugIn->FreeEntryData(*r);
    FRecords.clear();
    FNames.clear();
    FIndex.clear();
}

int TKexRealFolder::ReadEntry(int index, TMemoryStream& stream)
{
    if (!ValidIndex(index))
        return -1;
    try
    {
        stream.LoadFromFile(WithTrailingSeparator(Path) + Name(index));
        stream.SetPosition(0);
        return 0;
    }
    catch (const std::exception&)
    {
        return -1;
    }
}

int TKexRealFolder::ScanFolder(const std::string& types, TKexFilePlugIn*)
{
    if (!DirectoryExists(Path))
        return -1;
    std::vector<std::pair<std::string, uint64_t>> files;
    ListDirectory(Path, nullptr, &files);
    for (const auto& [name, size] : files)
    {
        TKexEntryRecord r;
        r.TypeIndex = TKexResManager::TypeIndex(LowerCase(ExtractFileExt(name)), types);
        if (r.TypeIndex < 0)
            continue;
        r.Size = uint32_t(std::min<uint64_t>(size, UINT32_MAX));
        AddEntry(name, r);
    }
    return 0;
}

int TKexVirtualFolder::ReadEntry(int index, TMemoryStream& stream)
{
    if (!ValidIndex(index) || !PlugIn)
        return -1;
    try
    {
        stream.Clear();
        const int result = PlugIn->ReadArchiveEntry(*this, index, stream);
        if (result == 0)
            stream.SetPosition(0);
        return result;
    }
    catch (const std::exception&)
    {
        return -1;
    }
}

int TKexVirtualFolder::ScanFolder(const std::string&, TKexFilePlugIn* plugIn)
{
    if (!plugIn)
        return -1;
    PlugIn = plugIn;
    const int result = plugIn->OpenArchive(*this);
    if (result != 0)
    {
        ClearEntries();
        PlugIn = nullptr;
    }
    return result;
}

// ---- Manager ------------------------------------------------------------------------------

TKexResManager::TKexResManager(std::string knownTypes, uint32_t flags, const std::string& path)
    : FKnownTypes(LowerCase(knownTypes))
{
    if (!path.empty())
        AddPath(path, {}, false, flags);
}

TKexResManager::~TKexResManager() = default;

int TKexResManager::TypeIndex(const std::string& ext, const std::string& list)
{
    // An empty extension would match at the start of every list.
    if (ext.empty())
        return -1;
    const size_t at = list.find(ext);
    if (at == std::string::npos)
        return -1;
    return int(std::count(list.begin(), list.begin() + std::ptrdiff_t(at), '.'));
}

std::string TKexResManager::DisplayName(const std::string& fileName)
{
    const std::string name = ChangeFileExt(ExtractFileName(fileName), "");
    std::string out;
    for (size_t i = 0; i < name.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (i > 0)
        {
            const unsigned char prev = static_cast<unsigned char>(name[i - 1]);
            const bool digit = std::isdigit(c) != 0;
            if ((digit && !std::isdigit(prev)) ||
                ((std::isupper(c) || c == '_') && !std::isupper(prev)))
                out += ' ';
        }
        if (i == 0 || (c != '-' && c != '_'))
            out += char(c);
    }
    return out;
}

int TKexResManager::RegisterPlugIn(TKexFilePlugIn* plugIn)
{
    if (!plugIn)
        return -1;
    if (std::find(FPlugIns.begin(), FPlugIns.end(), plugIn) == FPlugIns.end())
        FPlugIns.push_back(plugIn);
    RebuildArchiveExtensions();
    return 0;
}

void TKexResManager::UnregisterPlugIn(TKexFilePlugIn* plugIn)
{
    const auto it = std::find(FPlugIns.begin(), FPlugIns.end(), plugIn);
    if (it == FPlugIns.end())
        return;
    FPlugIns.erase(it);
    // Its folders can no longer be read; their records are freed while it still exists.
    for (auto& f : FFolders)
        if (f->PlugIn == plugIn)
        {
            f->ClearEntries();
            f->PlugIn = nullptr;
        }
    RebuildArchiveExtensions();
}

void TKexResManager::RebuildArchiveExtensions()
{
    FArchiveExtensions.clear();
    for (TKexFilePlugIn* p : FPlugIns)
    {
        std::string exts;
        p->Extensions(exts);
        for (const std::string& e : SplitString(LowerCase(exts), '.'))
            if (!e.empty() && TypeIndex("." + e, FArchiveExtensions) < 0)
                FArchiveExtensions += "." + e;
    }
}

int TKexResManager::AddFolder(const std::string& path, uint32_t flags, const std::string& caption)
{
    std::unique_ptr<TKexCustomFolder> folder;
    try
    {
        if (DirectoryExists(path))
        {
            folder = std::make_unique<TKexRealFolder>(WithTrailingSeparator(path));
            if (folder->ScanFolder(FKnownTypes, nullptr) != 0 || folder->Count() == 0)
                return -1;
        }
        else
        {
            if (!FileExists(path))
                return -1;
            folder = std::make_unique<TKexVirtualFolder>(path);
            bool accepted = false;
            for (TKexFilePlugIn* p : FPlugIns)
            {
                try
                {
                    if (folder->ScanFolder(FKnownTypes, p) == 0 && folder->Count() > 0)
                    {
                        accepted = true;
                        break;
                    }
                }
                catch (const std::exception& e)
                {
                    LogLine("Can't read " + path + ": " + e.what(), TKexLog::lfFiles);
                }
                folder->ClearEntries();
                folder->PlugIn = nullptr;
            }
            if (!accepted)
                return -1;
        }
    }
    catch (const std::exception&)
    {
        return -1;
    }
    folder->MakeCaption();
    if (!caption.empty())
        folder->Caption = caption;
    folder->Flags |= flags;
    FFolders.push_back(std::move(folder));
    return 0;
}

int TKexResManager::AddPath(const std::string& path, const std::string& caption, bool recurse,
                            uint32_t flags)
{
    AddFolder(path, flags, caption);
    if (!DirectoryExists(path))
        return 0;
    const std::string dir = WithTrailingSeparator(path);
    std::vector<std::string> subdirs;
    std::vector<std::pair<std::string, uint64_t>> files;
    ListDirectory(path, recurse ? &subdirs : nullptr, &files);
    for (const std::string& name : subdirs)
        AddFolder(WithTrailingSeparator(dir + name), flags, {});
    for (const auto& file : files)
        if (TypeIndex(LowerCase(ExtractFileExt(file.first)), FArchiveExtensions) >= 0)
            AddFolder(dir + file.first, flags, {});
    return 0;
}

int TKexResManager::RemoveFolder(int index)
{
    if (!ValidFolder(index))
        return -1;
    FFolders.erase(FFolders.begin() + index);
    return 0;
}

int TKexResManager::FindFile(const std::string& name, int& folderIndex, int& entryIndex) const
{
    for (int f = 0; f < Count(); ++f)
    {
        const int e = FFolders[size_t(f)]->IndexOf(name);
        if (e >= 0)
        {
            folderIndex = f;
            entryIndex = e;
            return 0;
        }
    }
    return -1;
}

int TKexResManager::OpenFile(const std::string& name, std::unique_ptr<TMemoryStream>& stream,
                             bool stripPath)
{
    const std::string look = stripPath ? Trim(ExtractFileName(name)) : name;
    int folder = -1, entry = -1;
    if (FindFile(look, folder, entry) != 0)
        return -1;
    return OpenEntry(folder, entry, stream);
}

int TKexResManager::OpenEntry(int folderIndex, int entryIndex,
                              std::unique_ptr<TMemoryStream>& stream)
{
    if (!ValidFolder(folderIndex) || !Folder(folderIndex).ValidIndex(entryIndex))
        return -1;
    if (!stream)
        stream = std::make_unique<TMemoryStream>();
    else
        stream->Clear();
    const int result = Folder(folderIndex).ReadEntry(entryIndex, *stream);
    if (result == 0)
        stream->SetPosition(0);
    return result;
}

std::string TKexResManager::EntryPath(int folderIndex, int entryIndex, bool nameOnly) const
{
    if (!ValidFolder(folderIndex) || !Folder(folderIndex).ValidIndex(entryIndex))
        return {};
    const TKexCustomFolder& f = Folder(folderIndex);
    std::string path = f.IsDirectory() ? f.Path + f.Name(entryIndex) : f.Name(entryIndex);
    return nameOnly ? ExtractFileName(path) : path;
}

std::string TKexResManager::EntryName(int folderIndex, int entryIndex) const
{
    return ValidFolder(folderIndex) ? Folder(folderIndex).Name(entryIndex) : std::string();
}

int64_t TKexResManager::EntrySize(int folderIndex, int entryIndex) const
{
    if (!ValidFolder(folderIndex))
        return -1;
    const TKexEntryRecord* r = Folder(folderIndex).Entry(entryIndex);
    return r ? int64_t(r->Size) : -1;
}

int TKexResManager::EntryTypeIndex(int folderIndex, int entryIndex) const
{
    if (!ValidFolder(folderIndex))
        return -1;
    const TKexEntryRecord* r = Folder(folderIndex).Entry(entryIndex);
    return r ? r->TypeIndex : -1;
}

std::string TKexResManager::EntryDisplayName(int folderIndex, int entryIndex) const
{
    return DisplayName(EntryName(folderIndex, entryIndex));
}

std::string TKexResManager::FolderDisplayName(int folderIndex) const
{
    return ValidFolder(folderIndex)
               ? DisplayName(ExtractFileName(WithoutTrailingSeparator(Folder(folderIndex).Caption)))
               : std::string();
}

std::string TKexResManager::FolderPath(int index) const
{
    return ValidFolder(index) ? Folder(index).Path : std::string();
}

std::string TKexResManager::FolderCaption(int index) const
{
    return ValidFolder(index) ? Folder(index).Caption : std::string();
}

uint32_t TKexResManager::FolderFlags(int index) const
{
    return ValidFolder(index) ? Folder(index).Flags : 0;
}

int TKexResManager::FolderKind(int index) const
{
    return ValidFolder(index) ? Folder(index).FolderKind() : -1;
}

int TKexResManager::FolderFamily(int index) const
{
    if (!ValidFolder(index))
        return -1;
    const TKexFilePlugIn* p = Folder(index).PlugIn;
    return p ? p->FamilyId() : 0;
}

int TKexResManager::EntryCount(int index) const
{
    return ValidFolder(index) ? Folder(index).Count() : 0;
}

int TKexResManager::IndexOfFolderPath(const std::string& path) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (SameText(FFolders[size_t(i)]->Path, path))
            return i;
    return -1;
}

std::vector<int> TKexResManager::TypesOf(const std::string& exts) const
{
    std::vector<int> types;
    for (const std::string& e : SplitString(LowerCase(exts), '.'))
        if (!e.empty())
            if (const int t = TypeIndex("." + e, FKnownTypes); t >= 0)
                types.push_back(t);
    return types;
}

bool TKexResManager::TypeMatches(const std::vector<int>& types, const TKexEntryRecord& r) const
{
    return types.empty() || std::find(types.begin(), types.end(), r.TypeIndex) != types.end();
}

bool TKexResManager::FindFirstOfTypes(const std::string& exts, int& folderIndex,
                                      int& entryIndex) const
{
    folderIndex = 0;
    entryIndex = -1;
    return FindNextOfTypes(exts, folderIndex, entryIndex);
}

bool TKexResManager::FindNextOfTypes(const std::string& exts, int& folderIndex,
                                     int& entryIndex) const
{
    const std::vector<int> types = TypesOf(exts);
    if (!exts.empty() && types.empty())
        return false;
    int f = std::max(folderIndex, 0);
    int e = entryIndex + 1;
    for (; f < Count(); ++f, e = 0)
    {
        const TKexCustomFolder& folder = *FFolders[size_t(f)];
        for (e = std::max(e, 0); e < folder.Count(); ++e)
            if (TypeMatches(types, *folder.Entry(e)))
            {
                folderIndex = f;
                entryIndex = e;
                return true;
            }
    }
    return false;
}
