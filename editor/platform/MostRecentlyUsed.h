// The recent-files list behind the main window's recent-files menus and the open-track
// wizard: full paths, most recent first, kept in the registry store as the string values
// "1", "2", ... of one key.
//
// The list builds its menus as plain items; the main window turns them into menu actions
// (in both the recent-files menu and the list's popup menu) whenever OnMenusChanged fires,
// and hands a chosen item's tag back to MenuItemClick.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TRegistryStore;

struct TMruEntry
{
    std::string Path;
    // Left out of the menus (the file that is open now); still saved and still in Entries.
    bool Hidden = false;
};

struct TMruMenuItem
{
    std::string Caption; // the file name without its folder, or "Empty"
    int Tag = -1;        // the entry's index; -1 for "Empty"
};

class TMostRecentlyUsed
{
public:
    static constexpr const char* DefaultKey = "\\SOFTWARE\\Vellmoor\\ZE2\\MRU";
    static constexpr int DefaultMaximum = 10;

    // The main window's callback: open path and say whether it was opened.
    using TOpenEvent =
        std::function<void(TMostRecentlyUsed& list, const std::string& path, bool& opened)>;

    // An empty list whose menus hold "Empty", then LoadRecent. Works on the program's
    // registry store unless given another.
    explicit TMostRecentlyUsed(int maximum = DefaultMaximum, std::string keyPath = DefaultKey,
                               TRegistryStore* store = nullptr);
    // Saves the list (SaveRecent).
    ~TMostRecentlyUsed();
    TMostRecentlyUsed(const TMostRecentlyUsed&) = delete;
    TMostRecentlyUsed& operator=(const TMostRecentlyUsed&) = delete;

    // Adds every string value of the key, the last value first, so value "1" ends on top.
    // A key that is missing is created; a store that cannot be read leaves the list empty.
    void LoadRecent();
    // Writes entry i as the string value named i + 1.
    void SaveRecent();
    // Puts path on top (moving it when it is there already, without regard to case, and
    // dropping the oldest entry when the list is full); with hidden the top entry is left
    // out of the menus. Rebuilds the menus.
    void AddRecent(const std::string& path, bool hidden = false);
    // When path is in the list: moves it to the top, hides it and rebuilds the menus.
    void PromoteRecent(const std::string& path);
    // Empties the list (the registry keeps its values until the next save) and rebuilds
    // the menus.
    void Clear();
    // One item per entry that is not hidden, in list order; "Empty" (tag -1) when the list
    // is empty. Fires OnMenusChanged.
    void RebuildMenus();
    // A menu item was chosen: tag -1 does nothing; otherwise OnOpen gets the entry's path
    // and, when it reports the file opened, the entry is promoted.
    void MenuItemClick(int tag);

    const std::vector<TMruEntry>& Entries() const { return FEntries; }
    // The paths in list order (what the open-track wizard offers).
    std::vector<std::string> Paths() const;
    const std::vector<TMruMenuItem>& MenuItems() const { return FMenuItems; }
    int Maximum() const { return FMaximum; }
    const std::string& KeyPath() const { return FKeyPath; }

    std::function<void(TMostRecentlyUsed& list)> OnMenusChanged;
    TOpenEvent OnOpen;

private:
    int IndexOf(const std::string& path) const;
    TRegistryStore& Store();

    int FMaximum;
    std::string FKeyPath;
    TRegistryStore* FStore;
    std::vector<TMruEntry> FEntries;
    std::vector<TMruMenuItem> FMenuItems;
};
