// The resource manager: an ordered list of resource folders (directories and archives) that
// files are looked up in by bare name, without regard to case, the first folder that has the
// name winning. File plug-ins teach it archive formats; the folders they accept list the
// archive's entries.
#pragma once

#include "core/Streams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TKexCustomFolder;

// One entry of a folder. Offset is 0 for directory files; plug-ins keep what they need in
// the further fields.
struct TKexEntryRecord
{
    uint32_t Offset = 0;
    uint32_t Size = 0;
    int32_t TypeIndex = -1;
    uint8_t User[8] = {};
};

// Teaches the resource manager one family of archive files.
class TKexFilePlugIn
{
public:
    virtual ~TKexFilePlugIn() = default;

    // The archive extensions served, dot-separated and lower case (".pak").
    virtual void Extensions(std::string& text) const = 0;
    virtual int FamilyId() const = 0;
    virtual int PlugInVersion() const = 0;
    // Copies the entry's bytes into stream (from its start); 0 or negative.
    virtual int ReadArchiveEntry(TKexCustomFolder& folder, int index, TMemoryStream& stream) = 0;
    // Lists the archive's entries in the folder. The base accepts (0) a folder whose file
    // extension is one of Extensions and refuses the rest (-1).
    virtual int OpenArchive(TKexCustomFolder& folder);
    virtual void FreeEntryData(TKexEntryRecord& record) { (void)record; }
};

// One resource folder: the names of its entries (looked up without regard to case) with a
// record each.
class TKexCustomFolder
{
public:
    enum TKind
    {
        fkDirectory = 0,
        fkArchive = 1
    };

    explicit TKexCustomFolder(std::string path) : Path(std::move(path)) {}
    virtual ~TKexCustomFolder();
    TKexCustomFolder(const TKexCustomFolder&) = delete;
    TKexCustomFolder& operator=(const TKexCustomFolder&) = delete;

    virtual bool IsDirectory() const { return true; }
    virtual int FolderKind() const { return fkDirectory; }
    // Reads the entry's bytes into stream (replacing what it held); 0 or negative.
    virtual int ReadEntry(int index, TMemoryStream& stream) = 0;
    // Lists the folder's entries; 0 when the scan worked.
    virtual int ScanFolder(const std::string& types, TKexFilePlugIn* plugIn) = 0;
    virtual void MakeCaption();

    int Count() const { return int(FNames.size()); }
    bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    // The entry's name; empty for an invalid index.
    const std::string& Name(int index) const;
    TKexEntryRecord* Entry(int index);
    const TKexEntryRecord* Entry(int index) const;
    // The first entry of that name without regard to case; -1 when none.
    int IndexOf(const std::string& name) const;
    // Appends an entry; returns its index.
    int AddEntry(const std::string& name, const TKexEntryRecord& record);
    // Frees every entry (through the plug-in when there is one).
    void ClearEntries();

    std::string Path;    // the directory (with its trailing separator) or the archive file
    std::string Caption; // display caption
    TKexFilePlugIn* PlugIn = nullptr;
    uint32_t Flags = 0; // bit 0: content shipped with the game

private:
    std::vector<std::string> FNames;
    std::vector<std::unique_ptr<TKexEntryRecord>> FRecords;
    std::unordered_map<std::string, int> FIndex; // lower-cased name -> first entry
};

// A directory on disk: lists its regular files whose extension is a known type.
class TKexRealFolder : public TKexCustomFolder
{
public:
    using TKexCustomFolder::TKexCustomFolder;
    int FolderKind() const override { return fkDirectory; }
    int ReadEntry(int index, TMemoryStream& stream) override;
    int ScanFolder(const std::string& types, TKexFilePlugIn* plugIn) override;
};

// An archive file, listed and read by its plug-in.
class TKexVirtualFolder : public TKexCustomFolder
{
public:
    using TKexCustomFolder::TKexCustomFolder;
    bool IsDirectory() const override { return false; }
    int FolderKind() const override { return fkArchive; }
    int ReadEntry(int index, TMemoryStream& stream) override;
    int ScanFolder(const std::string& types, TKexFilePlugIn* plugIn) override;
};

class TKexResManager
{
public:
    // The known-types list of the program.
    static constexpr const char* DefaultKnownTypes =
        ".slb.slt.tga.mcf.vut.mot.wav.vue.cub.dxg.dxm.dxt.esb.col.prt.aty.pco.stadium";

    explicit TKexResManager(std::string knownTypes = DefaultKnownTypes, uint32_t flags = 0,
                            const std::string& path = {});
    ~TKexResManager();
    TKexResManager(const TKexResManager&) = delete;
    TKexResManager& operator=(const TKexResManager&) = delete;

    const std::string& KnownTypes() const { return FKnownTypes; }
    const std::string& ArchiveExtensions() const { return FArchiveExtensions; }

    // Position of ext in list (a dot-separated extension list): the number of dots before
    // its first occurrence; -1 when absent or empty.
    static int TypeIndex(const std::string& ext, const std::string& list);
    // A file name made readable: no extension, words split at capitals and digits, "-" and
    // "_" dropped (StartGate01 gives "Start Gate 01").
    static std::string DisplayName(const std::string& fileName);

    // Plug-ins are not owned; they must outlive their registration.
    int RegisterPlugIn(TKexFilePlugIn* plugIn);
    void UnregisterPlugIn(TKexFilePlugIn* plugIn);
    int PlugInCount() const { return int(FPlugIns.size()); }

    // Mounts path (a directory or an archive) as a folder. For a directory, then (with
    // recurse) each subdirectory, and each archive file it holds, in name order. Returns 0.
    int AddPath(const std::string& path, const std::string& caption, bool recurse, uint32_t flags);
    // Mounts one folder: 0, or -1 when the folder lists nothing, cannot be scanned or (an
    // archive) no plug-in accepts it; such a folder is not added.
    int AddFolder(const std::string& path, uint32_t flags, const std::string& caption);
    // Unmounts the folder at index: 0, or -1 for a bad index.
    int RemoveFolder(int index);

    int Count() const { return int(FFolders.size()); }
    bool ValidFolder(int index) const { return index >= 0 && index < Count(); }
    // The folder at index; raises std::out_of_range for a bad index.
    TKexCustomFolder& Folder(int index) const { return *FFolders.at(size_t(index)); }

    // Looks name up in every folder in order: 0 with the first hit, -1 when none has it.
    int FindFile(const std::string& name, int& folderIndex, int& entryIndex) const;
    // Opens a file by name (with stripPath, by its trimmed file name): 0 with the bytes in
    // stream (made when null, positioned at 0), or the failure code.
    int OpenFile(const std::string& name, std::unique_ptr<TMemoryStream>& stream, bool stripPath);
    int OpenEntry(int folderIndex, int entryIndex, std::unique_ptr<TMemoryStream>& stream);

    // Directory folders: folder path + entry name; archive folders: the entry name. With
    // nameOnly, just the file name. Empty for bad indices.
    std::string EntryPath(int folderIndex, int entryIndex, bool nameOnly) const;
    std::string EntryName(int folderIndex, int entryIndex) const;
    int64_t EntrySize(int folderIndex, int entryIndex) const; // -1 for bad indices
    int EntryTypeIndex(int folderIndex, int entryIndex) const;
    std::string EntryDisplayName(int folderIndex, int entryIndex) const;
    std::string FolderDisplayName(int folderIndex) const;
    std::string FolderPath(int index) const;
    std::string FolderCaption(int index) const;
    uint32_t FolderFlags(int index) const;
    int FolderKind(int index) const; // -1 for a bad index
    int FolderFamily(int index) const;
    int EntryCount(int index) const;
    // The last folder made from path (compared without regard to case); -1 when none.
    int IndexOfFolderPath(const std::string& path) const;

    // Walk the entries whose type is one of the dot-separated extensions in exts (all entries
    // when exts is empty). FindFirstOfTypes starts at the first entry; FindNextOfTypes goes on
    // after folderIndex/entryIndex.
    bool FindFirstOfTypes(const std::string& exts, int& folderIndex, int& entryIndex) const;
    bool FindNextOfTypes(const std::string& exts, int& folderIndex, int& entryIndex) const;

private:
    bool TypeMatches(const std::vector<int>& types, const TKexEntryRecord& record) const;
    std::vector<int> TypesOf(const std::string& exts) const;
    void RebuildArchiveExtensions();

    std::string FKnownTypes;
    std::string FArchiveExtensions;
    std::vector<TKexFilePlugIn*> FPlugIns;
    std::vector<std::unique_ptr<TKexCustomFolder>> FFolders;
};

#include "core/Globals.h"
inline TKexResManager* ResManager()
{
    return Global<TKexResManager>();
}
