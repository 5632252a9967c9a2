#include "archive/KexManager.h"

#include "archive/KexResourceManager.h"
#include "core/StrUtils.h"

#include <algorithm>

TKexCustomManager::TKexCustomManager() = default;

TKexCustomManager::~TKexCustomManager()
{
    for (auto& i : FItems)
        if (i->Item.PlugIn)
            i->Item.PlugIn->FreeItem(i->Item);
}

void TKexCustomManager::RegisterPlugIn(TKexPlugIn* plugIn)
{
    if (plugIn && std::find(FPlugIns.begin(), FPlugIns.end(), plugIn) == FPlugIns.end())
        FPlugIns.push_back(plugIn);
}

void TKexCustomManager::UnregisterPlugIn(TKexPlugIn* plugIn)
{
    FPlugIns.erase(std::remove(FPlugIns.begin(), FPlugIns.end(), plugIn), FPlugIns.end());
    for (auto& i : FItems)
        if (i->Item.PlugIn == plugIn)
        {
            plugIn->FreeItem(i->Item);
            i->Item.PlugIn = nullptr;
        }
}

TKexCustomItem* TKexCustomManager::Item(intptr_t key)
{
    for (auto& i : FItems)
        if (i->Item.Key == key)
            return &i->Item;
    return nullptr;
}

int TKexCustomManager::Load(const std::string& name, intptr_t& key, int64_t value)
{
    TKexResManager* res = ResManager();
    int folder = -1, entry = -1;
    const std::string look = Trim(name);
    if (!res || res->FindFile(look, folder, entry) != 0)
        return -1;
    const std::string path = res->EntryPath(folder, entry, false);
    for (auto& i : FItems)
        if (SameText(i->Name, path))
        {
            ++i->Item.RefCount;
            key = i->Item.Key;
            return 0;
        }
    const std::string ext = LowerCase(ExtractFileExt(look));
    int result = -1;
    for (TKexPlugIn* p : FPlugIns)
    {
        std::string exts;
        p->Extensions(exts);
        if (TKexResManager::TypeIndex(ext, LowerCase(exts)) < 0)
            continue;
        std::unique_ptr<TMemoryStream> stream;
        if ((result = res->OpenEntry(folder, entry, stream)) != 0)
            return result;
        auto item = std::make_unique<TNamedItem>();
        item->Name = path;
        item->Item.FolderIndex = folder;
        item->Item.EntryIndex = entry;
        item->Item.UserValue = value;
        item->Item.Data.assign(size_t(std::max(p->ItemDataSize(), 0)), 0);
        try
        {
            result = p->ReadItem(*stream, item->Item);
        }
        catch (const std::exception&)
        {
            result = -1;
        }
        if (result == 0)
        {
            item->Item.RefCount = 1;
            item->Item.PlugIn = p;
            key = item->Item.Key;
            FItems.push_back(std::move(item));
            return 0;
        }
        p->FreeItem(item->Item);
    }
    return result;
}

int TKexCustomManager::Release(intptr_t key)
{
    for (size_t n = 0; n < FItems.size(); ++n)
    {
        TKexCustomItem& i = FItems[n]->Item;
        if (i.Key != key)
            continue;
        if (i.RefCount > 0)
            --i.RefCount;
        if (i.RefCount == 0)
        {
            if (i.PlugIn)
                i.PlugIn->FreeItem(i);
            FItems.erase(FItems.begin() + std::ptrdiff_t(n));
        }
        return 0;
    }
    return -1;
}
