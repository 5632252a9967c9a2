// The resource manager: an ordered list of resource folders (directories and archives) that
// files are looked up in by bare name, the first folder that has the name winning.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TKexResManager;

// One mounted folder.
struct TKexFolderInfo
{
    std::string Path;    // the directory (with trailing separator) or the archive file
    std::string Caption; // the display caption
    unsigned Flags = 0;  // bit 0: content shipped with the game (not copied into packages)
    bool Directory = false;
};

class TKexResManager
{
public:
    // The known-types list of the program.
    static constexpr const char* DefaultKnownTypes =
        ".slb.slt.tga.mcf.vut.mot.wav.vue.cub.dxg.dxm.dxt.esb.col.prt.aty.pco.stadium";

    explicit TKexResManager(std::string knownTypes = DefaultKnownTypes);
    ~TKexResManager();

    const std::string& KnownTypes() const { return FKnownTypes; }

    // Position of ext in list (a dot-separated extension list): the number of dots before
    // its first occurrence; -1 when absent.
    static int TypeIndex(const std::string& ext, const std::string& list);

    // Mounts path (a directory or an archive) as a folder; with recurse, a directory's
    // subdirectories are mounted after it. Returns 0.
    int AddPath(const std::string& path, const std::string& caption, bool recurse, unsigned flags);
    // Mounts one folder; -1 when the path is neither an existing directory nor a file.
    int AddFolder(const std::string& path, unsigned flags, const std::string& caption);
    // Unmounts the folder at index; false for a bad index.
    bool RemoveFolder(int index);

    int Count() const { return int(FFolders.size()); }
    const TKexFolderInfo& Folder(int index) const { return FFolders.at(size_t(index)); }
    unsigned FolderFlags(int index) const { return Folder(index).Flags; }

private:
    std::string FKnownTypes;
    std::vector<TKexFolderInfo> FFolders;
};

#include "core/Globals.h"
inline TKexResManager* ResManager() { return Global<TKexResManager>(); }
