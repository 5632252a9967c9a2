#include "platform/MostRecentlyUsed.h"
#include "platform/Registry.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

namespace
{
class MostRecentlyUsedTest : public ::testing::Test
{
protected:
    TTempDir Dir;
    TRegistryStore Store{Dir.File("registry")};
    const std::string Key = TMostRecentlyUsed::DefaultKey;

    static std::string Track(int n) { return "/tracks/Track" + std::to_string(n) + ".pak"; }
    static std::vector<std::string> Captions(const TMostRecentlyUsed& mru)
    {
        std::vector<std::string> c;
        for (const TMruMenuItem& item : mru.MenuItems())
            c.push_back(item.Caption + ":" + std::to_string(item.Tag));
        return c;
    }
};
} // namespace

TEST_F(MostRecentlyUsedTest, NewestFirstWithoutDuplicatesUpToTheLimit)
{
    TMostRecentlyUsed mru(10, Key, &Store);
    EXPECT_EQ(Captions(mru), std::vector<std::string>{"Empty:-1"});
    int changes = 0;
    mru.OnMenusChanged = [&](TMostRecentlyUsed&) { ++changes; };

    for (int n = 1; n <= 11; ++n)
        mru.AddRecent(Track(n));
    EXPECT_EQ(changes, 11);
    ASSERT_EQ(mru.Entries().size(), 10u);
    EXPECT_EQ(mru.Entries().front().Path, Track(11));
    EXPECT_EQ(mru.Entries().back().Path, Track(2)); // the 11th dropped the oldest

    // A path already there (in another case) moves to the top; nothing is duplicated.
    mru.AddRecent("/TRACKS/track5.PAK");
    ASSERT_EQ(mru.Entries().size(), 10u);
    EXPECT_EQ(mru.Entries()[0].Path, Track(5)); // the stored spelling stays
    EXPECT_EQ(mru.Entries()[1].Path, Track(11));
    EXPECT_EQ(mru.MenuItems()[0].Caption, "Track5.pak");
    EXPECT_EQ(mru.MenuItems()[9].Tag, 9);
}

TEST_F(MostRecentlyUsedTest, OpenedFilesLeaveTheMenuButStayFirstInTheList)
{
    TMostRecentlyUsed mru(10, Key, &Store);
    mru.AddRecent(Track(1));
    mru.AddRecent(Track(2));
    mru.AddRecent(Track(3), true); // opened now: hidden
    EXPECT_EQ(Captions(mru), (std::vector<std::string>{"Track2.pak:1", "Track1.pak:2"}));

    std::vector<std::string> asked;
    bool answer = false;
    mru.OnOpen = [&](TMostRecentlyUsed&, const std::string& path, bool& opened)
    {
        asked.push_back(path);
        opened = answer;
    };
    mru.MenuItemClick(-1);
    mru.MenuItemClick(42);
    EXPECT_TRUE(asked.empty());
    mru.MenuItemClick(2); // not opened: nothing changes
    EXPECT_EQ(asked, std::vector<std::string>{Track(1)});
    EXPECT_EQ(mru.Entries()[2].Path, Track(1));
    answer = true;
    mru.MenuItemClick(2); // opened: promoted and hidden
    EXPECT_EQ(mru.Entries()[0].Path, Track(1));
    EXPECT_TRUE(mru.Entries()[0].Hidden);
    // Track3 was opened before: it stays out of the menus until the next start.
    EXPECT_TRUE(mru.Entries()[1].Hidden);
    EXPECT_EQ(Captions(mru), std::vector<std::string>{"Track2.pak:2"});
    // Adding it again moves it to the top and clears its mark.
    mru.AddRecent(Track(3));
    EXPECT_EQ(Captions(mru), (std::vector<std::string>{"Track3.pak:0", "Track2.pak:2"}));

    mru.PromoteRecent("/elsewhere.pak"); // not in the list: nothing
    EXPECT_EQ(mru.Entries().size(), 3u);

    // All hidden: no items at all, not "Empty".
    TMostRecentlyUsed one(10, Dir.File("other"), &Store);
    one.AddRecent(Track(9), true);
    EXPECT_TRUE(one.MenuItems().empty());
}

TEST_F(MostRecentlyUsedTest, SavedAndLoadedInOrder)
{
    {
        TMostRecentlyUsed mru(10, Key, &Store);
        mru.AddRecent(Track(1));
        mru.AddRecent(Track(2));
        mru.AddRecent(Track(3), true);
    } // saved when destroyed
    EXPECT_EQ(Store.ReadValue(Key, "1")->Text, Track(3));
    EXPECT_EQ(Store.ReadValue(Key, "3")->Text, Track(1));

    TMostRecentlyUsed again(10, Key, &Store);
    EXPECT_EQ(again.Paths(), (std::vector<std::string>{Track(3), Track(2), Track(1)}));
    EXPECT_EQ(again.MenuItems().size(), 3u); // the hidden mark is not kept

    // More values than the limit: the first ones win; other kinds of values are ignored.
    const std::string other = "\\SOFTWARE\\Vellmoor\\ZE2\\MRU2";
    for (int n = 1; n <= 5; ++n)
        Store.WriteString(other, std::to_string(n), Track(n));
    Store.WriteInteger(other, "6", 6);
    Store.WriteString(other, "7", "");
    TMostRecentlyUsed small(3, other, &Store);
    EXPECT_EQ(small.Paths(), (std::vector<std::string>{Track(1), Track(2), Track(3)}));

    // The program's store is used unless another is given.
    SetRegistryFile(Dir.File("program-registry"));
    {
        TMostRecentlyUsed program;
        program.AddRecent(Track(7));
    }
    EXPECT_EQ(Registry().ReadValue(Key, "1")->Text, Track(7));
    SetRegistryFile(TRegistryStore::DefaultFileName());
}
