// The object manager shares models by name between their users, counting references, so a
// model placed hundreds of times is loaded once. Model readers are plug-ins (registered by
// the track document).
#pragma once

#include "core/Globals.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A loaded model. The model layer derives its models from it; until a reader understands
// the file, a model keeps the file's bytes and name.
class TKexModel
{
public:
    virtual ~TKexModel() = default;

    std::string Name;
    std::vector<uint8_t> Bytes;
};

class TKexObjPlugIn;

// One cached model.
struct TKexModelRecord
{
    std::unique_ptr<TKexModel> Model;
    int RefCount = 0;
    int FolderIndex = -1;
    int EntryIndex = -1;
    TKexObjPlugIn* PlugIn = nullptr;
};

// Lets a caller make the model object itself (of its own class) before it loads: receives
// the caller's data, the plug-in and the record whose Model it sets.
using TKexModelCallback =
    std::function<void(void* data, TKexObjPlugIn& plugIn, TKexModelRecord& record)>;

class TKexObjPlugIn
{
public:
    virtual ~TKexObjPlugIn() = default;
    virtual int FamilyId() const { return 2; }
    virtual int PlugInVersion() const { return 256; }
    // Loads the resource manager's entry into record.Model: 0 or negative.
    virtual int LoadFromEntry(int folderIndex, int entryIndex, const TKexModelCallback& callback,
                              void* data, TKexModelRecord& record) = 0;
    // Loads a model file by name (through the resource manager).
    virtual int LoadByName(const std::string& name, const TKexModelCallback& callback, void* data,
                           TKexModelRecord& record);
    // A new, empty model of the plug-in's class.
    virtual std::unique_ptr<TKexModel> CreateModel() { return std::make_unique<TKexModel>(); }
    // Called before a record's model is freed.
    virtual void FreeRecord(TKexModelRecord& record) { (void)record; }
};

class TKexObjectManager
{
public:
    TKexObjectManager();
    ~TKexObjectManager();
    TKexObjectManager(const TKexObjectManager&) = delete;
    TKexObjectManager& operator=(const TKexObjectManager&) = delete;

    // Plug-ins are not owned.
    void RegisterPlugIn(TKexObjPlugIn* plugIn);
    void UnregisterPlugIn(TKexObjPlugIn* plugIn);

    // The model of that name: from the cache (its count growing by one; -1 when the caller
    // passed a different model in), else the ".dxg" file of that name through the resource
    // manager. 0 with model set, or negative.
    int LoadModel(const std::string& name, TKexModel*& model,
                  const TKexModelCallback& callback = {}, void* data = nullptr);
    int LoadModelFromEntry(int folderIndex, int entryIndex, const TKexModelCallback& callback,
                           void* data, TKexModel*& model);
    // Drops one reference; at none the model is freed. 0, or -1 for a model the manager does
    // not hold.
    int ReleaseModel(const TKexModel* model);

    int Count() const { return int(FRecords.size()); }
    // The cached name of a model; empty when the manager does not hold it.
    std::string ModelName(const TKexModel* model) const;
    int RefCount(const TKexModel* model) const;

private:
    struct TNamedRecord
    {
        std::string Name;
        TKexModelRecord Record;
    };
    int IndexOf(const std::string& name) const;
    int IndexOf(const TKexModel* model) const;

    std::vector<TKexObjPlugIn*> FPlugIns;
    std::vector<std::unique_ptr<TNamedRecord>> FRecords;
};

inline TKexObjectManager* ObjectManager()
{
    return Global<TKexObjectManager>();
}
