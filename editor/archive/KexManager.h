// A name-keyed, reference-counted list of items read from resource files by plug-ins (the
// physics manager keeps its collision meshes in one). Each item has a key the plug-in gives
// it, a reference count, where it came from and a small data area of the plug-in's size.
#pragma once

#include "core/Streams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TKexPlugIn;

struct TKexCustomItem
{
    intptr_t Key = 0;
    int RefCount = 0;
    int FolderIndex = -1;
    int EntryIndex = -1;
    TKexPlugIn* PlugIn = nullptr;
    int64_t UserValue = 0;     // the value given to Load
    uint32_t Flags = 0;        // the plug-in's
    std::vector<uint8_t> Data; // ItemDataSize bytes for the plug-in
};

class TKexPlugIn
{
public:
    virtual ~TKexPlugIn() = default;
    // The file extensions read, dot-separated (".col").
    virtual void Extensions(std::string& text) const = 0;
    virtual int FamilyId() const { return 0; }
    virtual int PlugInVersion() const { return 256; }
    // The size of the data area of each item.
    virtual int ItemDataSize() const { return 0; }
    // Reads the file in stream into item (setting its key): 0 or negative.
    virtual int ReadItem(TMemoryStream& stream, TKexCustomItem& item) = 0;
    // Frees what the plug-in made for item.
    virtual void FreeItem(TKexCustomItem& item) { (void)item; }
};

class TKexCustomManager
{
public:
    TKexCustomManager();
    virtual ~TKexCustomManager();
    TKexCustomManager(const TKexCustomManager&) = delete;
    TKexCustomManager& operator=(const TKexCustomManager&) = delete;

    // Plug-ins are not owned.
    void RegisterPlugIn(TKexPlugIn* plugIn);
    void UnregisterPlugIn(TKexPlugIn* plugIn);

    // The item of that file: from the list (its count growing by one) or read through the
    // resource manager by the first plug-in that serves the file's extension. 0 with key
    // set, or negative.
    int Load(const std::string& name, intptr_t& key, int64_t value = 0);
    // Drops one reference; at none the item is freed. 0, or -1 for an unknown key.
    int Release(intptr_t key);

    int Count() const { return int(FItems.size()); }
    TKexCustomItem* Item(intptr_t key);
    const std::string& ItemName(int index) const { return FItems.at(size_t(index))->Name; }

private:
    struct TNamedItem
    {
        std::string Name;
        TKexCustomItem Item;
    };

    std::vector<TKexPlugIn*> FPlugIns;
    std::vector<std::unique_ptr<TNamedItem>> FItems;
};
