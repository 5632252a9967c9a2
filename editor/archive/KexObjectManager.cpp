#include "archive/KexObjectManager.h"

#include "archive/KexResourceManager.h"
#include "core/StrUtils.h"
#include "platform/KexLog.h"

#include <algorithm>

int TKexObjPlugIn::LoadByName(const std::string& name, const TKexModelCallback& callback,
                              void* data, TKexModelRecord& record)
{
    TKexResManager* res = ResManager();
    int folder = -1, entry = -1;
    if (!res || res->FindFile(Trim(name), folder, entry) != 0)
        return -1;
    return LoadFromEntry(folder, entry, callback, data, record);
}

TKexObjectManager::TKexObjectManager() = default;

TKexObjectManager::~TKexObjectManager()
{
    for (auto& r : FRecords)
        if (r->Record.PlugIn)
            r->Record.PlugIn->FreeRecord(r->Record);
}

void TKexObjectManager::RegisterPlugIn(TKexObjPlugIn* plugIn)
{
    if (plugIn && std::find(FPlugIns.begin(), FPlugIns.end(), plugIn) == FPlugIns.end())
        FPlugIns.push_back(plugIn);
}

void TKexObjectManager::UnregisterPlugIn(TKexObjPlugIn* plugIn)
{
    FPlugIns.erase(std::remove(FPlugIns.begin(), FPlugIns.end(), plugIn), FPlugIns.end());
    for (auto& r : FRecords)
        if (r->Record.PlugIn == plugIn)
        {
            plugIn->FreeRecord(r->Record);
            r->Record.PlugIn = nullptr;
        }
}

int TKexObjectManager::IndexOf(const std::string& name) const
{
    for (size_t i = 0; i < FRecords.size(); ++i)
        if (SameText(FRecords[i]->Name, name))
            return int(i);
    return -1;
}

int TKexObjectManager::IndexOf(const TKexModel* model) const
{
    if (!model)
        return -1;
    for (size_t i = 0; i < FRecords.size(); ++i)
        if (FRecords[i]->Record.Model.get() == model)
            return int(i);
    return -1;
}

std::string TKexObjectManager::ModelName(const TKexModel* model) const
{
    const int i = IndexOf(model);
    return i < 0 ? std::string() : FRecords[size_t(i)]->Name;
}

int TKexObjectManager::RefCount(const TKexModel* model) const
{
    const int i = IndexOf(model);
    return i < 0 ? 0 : FRecords[size_t(i)]->Record.RefCount;
}

int TKexObjectManager::LoadModel(const std::string& name, TKexModel*& model,
                                 const TKexModelCallback& callback, void* data)
{
    const std::string key = Trim(name);
    if (const int i = IndexOf(key); i >= 0)
    {
        TKexModelRecord& r = FRecords[size_t(i)]->Record;
        if (model && model != r.Model.get())
            return -1;
        ++r.RefCount;
        model = r.Model.get();
        return 0;
    }
    TKexResManager* res = ResManager();
    int folder = -1, entry = -1;
    if (!res || res->FindFile(ChangeFileExt(key, ".dxg"), folder, entry) != 0)
    {
        LogLine("Model not found: " + key, TKexLog::lfModels);
        return -1;
    }
    return LoadModelFromEntry(folder, entry, callback, data, model);
}

int TKexObjectManager::LoadModelFromEntry(int folderIndex, int entryIndex,
                                          const TKexModelCallback& callback, void* data,
                                          TKexModel*& model)
{
    TKexResManager* res = ResManager();
    const std::string name = res ? res->EntryName(folderIndex, entryIndex) : std::string();
    if (name.empty())
        return -1;
    // Folder indices move when folders are unmounted, so the name must match as well.
    for (auto& r : FRecords)
        if (r->Record.FolderIndex == folderIndex && r->Record.EntryIndex == entryIndex &&
            SameText(r->Name, name))
        {
            ++r->Record.RefCount;
            model = r->Record.Model.get();
            return 0;
        }
    int result = -1;
    for (TKexObjPlugIn* p : FPlugIns)
    {
        auto named = std::make_unique<TNamedRecord>();
        named->Name = name;
        named->Record.FolderIndex = folderIndex;
        named->Record.EntryIndex = entryIndex;
        try
        {
            result = p->LoadFromEntry(folderIndex, entryIndex, callback, data, named->Record);
        }
        catch (const std::exception& e)
        {
            LogLine("Can't load model " + name + ": " + e.what(), TKexLog::lfModels);
            result = -1;
        }
        if (result == 0 && named->Record.Model)
        {
            named->Record.RefCount = 1;
            named->Record.PlugIn = p;
            named->Record.Model->Name = name;
            model = named->Record.Model.get();
            FRecords.push_back(std::move(named));
            LogLine("Loaded model " + name, TKexLog::lfModels);
            return 0;
        }
        p->FreeRecord(named->Record);
        if (result == 0)
            result = -1;
    }
    LogLine("Can't load model " + name, TKexLog::lfModels);
    return result;
}

int TKexObjectManager::ReleaseModel(const TKexModel* model)
{
    const int i = IndexOf(model);
    if (i < 0)
        return -1;
    TKexModelRecord& r = FRecords[size_t(i)]->Record;
    if (r.RefCount > 0)
        --r.RefCount;
    if (r.RefCount == 0)
    {
        if (r.PlugIn)
            r.PlugIn->FreeRecord(r);
        FRecords.erase(FRecords.begin() + i);
    }
    return 0;
}
