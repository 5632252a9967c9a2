#include "archive/KexGraphicsManager.h"

#include "archive/KexResourceManager.h"
#include "core/StrUtils.h"
#include "platform/KexLog.h"

#include <algorithm>

TKexGfxManager::TKexGfxManager() = default;
TKexGfxManager::~TKexGfxManager() = default;

void TKexGfxManager::RegisterPlugIn(TKexGfxPlugIn* plugIn)
{
    if (plugIn && std::find(FPlugIns.begin(), FPlugIns.end(), plugIn) == FPlugIns.end())
        FPlugIns.push_back(plugIn);
}

void TKexGfxManager::UnregisterPlugIn(TKexGfxPlugIn* plugIn)
{
    FPlugIns.erase(std::remove(FPlugIns.begin(), FPlugIns.end(), plugIn), FPlugIns.end());
    for (auto& r : FRecords)
        if (r->PlugIn == plugIn)
            r->PlugIn = nullptr;
}

int TKexGfxManager::IndexOf(const std::string& name) const
{
    for (size_t i = 0; i < FRecords.size(); ++i)
        if (SameText(FRecords[i]->Name, name))
            return int(i);
    return -1;
}

int TKexGfxManager::RefCount(const std::string& name) const
{
    const int i = IndexOf(Trim(name));
    return i < 0 ? 0 : FRecords[size_t(i)]->RefCount;
}

TKexTexture* TKexGfxManager::Find(const std::string& name) const
{
    const int i = IndexOf(Trim(name));
    return i < 0 ? nullptr : FRecords[size_t(i)]->Texture.get();
}

int TKexGfxManager::LoadTexture(int familyId, const std::string& name, TKexTexture*& texture)
{
    const std::string key = Trim(name);
    if (const int i = IndexOf(key); i >= 0)
    {
        ++FRecords[size_t(i)]->RefCount;
        texture = FRecords[size_t(i)]->Texture.get();
        return 0;
    }
    TKexResManager* res = ResManager();
    if (!res)
        return -1;
    std::unique_ptr<TMemoryStream> stream;
    const int result = res->OpenFile(key, stream, false);
    if (result != 0)
    {
        LogLine("Texture not found: " + key, TKexLog::lfTextures);
        return result;
    }
    stream->SetPosition(0);
    return LoadTextureFromStream(familyId, key, texture, *stream);
}

int TKexGfxManager::LoadTextureFromStream(int familyId, const std::string& name,
                                          TKexTexture*& texture, TStream& stream)
{
    const std::string key = Trim(name);
    if (const int i = IndexOf(key); i >= 0)
    {
        ++FRecords[size_t(i)]->RefCount;
        texture = FRecords[size_t(i)]->Texture.get();
        return 0;
    }
    int result = -1;
    for (TKexGfxPlugIn* p : FPlugIns)
    {
        if (p->FamilyId() != familyId)
            continue;
        std::unique_ptr<TKexTexture> made;
        int format = 0;
        try
        {
            stream.SetPosition(0);
            result = p->ReadTexture(format, stream, made);
        }
        catch (const std::exception& e)
        {
            LogLine("Can't read texture " + key + ": " + e.what(), TKexLog::lfTextures);
            result = -1;
        }
        if (result == 0 && made)
        {
            auto r = std::make_unique<TRecord>();
            r->Name = key;
            made->Name = key;
            r->Texture = std::move(made);
            r->RefCount = 1;
            r->Format = format;
            r->PlugIn = p;
            texture = r->Texture.get();
            FRecords.push_back(std::move(r));
            LogLine("Loaded texture " + key, TKexLog::lfTextures);
            return 0;
        }
        if (result == 0)
            result = -1;
    }
    LogLine("Can't read texture " + key, TKexLog::lfTextures);
    return result;
}

int TKexGfxManager::Release(int index, bool force)
{
    if (index < 0)
        return -1;
    TRecord& r = *FRecords[size_t(index)];
    if (r.RefCount > 0)
        --r.RefCount;
    if (r.RefCount == 0 || force)
        FRecords.erase(FRecords.begin() + index);
    return 0;
}

int TKexGfxManager::ReleaseTexture(const std::string& name, bool force)
{
    return Release(IndexOf(Trim(name)), force);
}

int TKexGfxManager::ReleaseTexture(const TKexTexture* texture, bool force)
{
    if (!texture)
        return -1;
    for (size_t i = 0; i < FRecords.size(); ++i)
        if (FRecords[i]->Texture.get() == texture)
            return Release(int(i), force);
    return -1;
}
