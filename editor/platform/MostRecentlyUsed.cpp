#include "platform/MostRecentlyUsed.h"

#include "core/StrUtils.h"
#include "platform/Registry.h"

TMostRecentlyUsed::TMostRecentlyUsed(int maximum, std::string keyPath, TRegistryStore* store)
    : FMaximum(maximum < 1 ? 1 : maximum), FKeyPath(std::move(keyPath)), FStore(store)
{
    FMenuItems.push_back({"Empty", -1});
    LoadRecent();
}

TMostRecentlyUsed::~TMostRecentlyUsed()
{
    SaveRecent();
}

TRegistryStore& TMostRecentlyUsed::Store()
{
    return FStore ? *FStore : Registry();
}

void TMostRecentlyUsed::LoadRecent()
{
    TRegistryStore& store = Store();
    if (!store.KeyExists(FKeyPath))
        store.CreateKey(FKeyPath);
    const std::vector<std::string> names = store.ValueNames(FKeyPath);
    for (auto name = names.rbegin(); name != names.rend(); ++name)
    {
        const auto value = store.ReadValue(FKeyPath, *name);
        // Only file paths belong here; anything else in the key is ignored.
        if (value && value->Type == TRegValueType::String && !value->Text.empty())
            AddRecent(value->Text, false);
    }
}

void TMostRecentlyUsed::SaveRecent()
{
    TRegistryStore& store = Store();
    if (!store.KeyExists(FKeyPath))
        store.CreateKey(FKeyPath);
    for (size_t i = 0; i < FEntries.size(); ++i)
        store.WriteString(FKeyPath, std::to_string(i + 1), FEntries[i].Path);
}

int TMostRecentlyUsed::IndexOf(const std::string& path) const
{
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (SameText(FEntries[i].Path, path))
            return int(i);
    return -1;
}

void TMostRecentlyUsed::AddRecent(const std::string& path, bool hidden)
{
    const int at = IndexOf(path);
    if (at < 0)
    {
        if (int(FEntries.size()) >= FMaximum)
            FEntries.pop_back();
        FEntries.insert(FEntries.begin(), TMruEntry{path, false});
    }
    else
    {
        TMruEntry moved{FEntries[size_t(at)].Path, false};
        FEntries.erase(FEntries.begin() + at);
        FEntries.insert(FEntries.begin(), std::move(moved));
    }
    if (hidden)
        FEntries.front().Hidden = true;
    RebuildMenus();
}

void TMostRecentlyUsed::PromoteRecent(const std::string& path)
{
    const int at = IndexOf(path);
    if (at < 0)
        return;
    TMruEntry moved{FEntries[size_t(at)].Path, true};
    FEntries.erase(FEntries.begin() + at);
    FEntries.insert(FEntries.begin(), std::move(moved));
    RebuildMenus();
}

void TMostRecentlyUsed::Clear()
{
    FEntries.clear();
    RebuildMenus();
}

void TMostRecentlyUsed::RebuildMenus()
{
    FMenuItems.clear();
    for (size_t i = 0; i < FEntries.size(); ++i)
        if (!FEntries[i].Hidden)
            FMenuItems.push_back({ExtractFileName(FEntries[i].Path), int(i)});
    if (FEntries.empty())
        FMenuItems.push_back({"Empty", -1});
    if (OnMenusChanged)
        OnMenusChanged(*this);
}

void TMostRecentlyUsed::MenuItemClick(int tag)
{
    if (tag < 0 || tag >= int(FEntries.size()))
        return;
    // A copy: the callback may change the list (the main window adds what it opened).
    const std::string path = FEntries[size_t(tag)].Path;
    bool opened = false;
    if (OnOpen)
        OnOpen(*this, path, opened);
    if (opened)
        PromoteRecent(path);
}

std::vector<std::string> TMostRecentlyUsed::Paths() const
{
    std::vector<std::string> paths;
    for (const TMruEntry& e : FEntries)
        paths.push_back(e.Path);
    return paths;
}
