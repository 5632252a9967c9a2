#include "platform/WukUserToolBox.h"
#include "platform/Registry.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace
{
class UserToolBoxTest : public ::testing::Test
{
protected:
    TTempDir Dir;
    TRegistryStore Store{Dir.File("registry")};

    std::string Program(const std::string& name, const std::string& script = "#!/bin/sh\n")
    {
        const std::string path = Dir.Write(name, script);
        fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
        return path;
    }
    std::string KeyPath(int n)
    {
        const auto v = Store.ReadValue(TWukUserToolBox::ToolKey(n), "Path");
        return v ? v->Text : "<none>";
    }
};
} // namespace

TEST_F(UserToolBoxTest, OnlyProgramsAreAdded)
{
    TWukUserToolBox box(&Store);
    std::vector<std::pair<bool, int>> events;
    box.OnToolChanged = [&](TWukUserToolBox&, bool existed, int index)
    { events.emplace_back(existed, index); };

    const std::string text = Dir.Write("notes.txt", "text");
    const std::string exe = Dir.Write("Tool.EXE", "MZ");
    const std::string script = Program("tool.sh");
    EXPECT_EQ(box.AddTool(Dir.File("missing"), "Missing", true), -1);
    EXPECT_EQ(box.AddTool(text, "Text", true), -1);
    EXPECT_EQ(box.AddTool(Dir.Path(), "Folder", true), -1);
    EXPECT_EQ(box.AddTool(exe, "Windows tool", true), 0);
    EXPECT_EQ(box.AddTool(script, std::string(40, 'n'), true), 1);
    EXPECT_EQ(box.GetTool(1).Name, std::string(32, 'n'));
    EXPECT_EQ(box.AddTool(script, "Renamed", true), 1); // same path: renamed, not added
    EXPECT_EQ(box.Count(), 2);
    EXPECT_EQ((events), (std::vector<std::pair<bool, int>>{{false, 0}, {false, 1}, {true, 1}}));
    EXPECT_EQ(Store.ReadValue(TWukUserToolBox::ToolKey(2), "Name")->Text, "Renamed");
    EXPECT_EQ(Store.ReadValue(TWukUserToolBox::ToolKey(2), "IconIndex")->Number, 0);

    EXPECT_EQ(box.FindTool(exe), 0);
    EXPECT_EQ(box.GetTool(5), TUserTool{});
    EXPECT_EQ(box.GetTool(-1), TUserTool{});
    const std::string tooLong = Program(std::string(250, 'p'));
    ASSERT_GT(tooLong.size(), 255u);
    EXPECT_EQ(box.AddTool(tooLong, "Long", true), -1);

    // Without save nothing reaches the registry.
    EXPECT_EQ(box.AddTool(Program("b.sh"), "B", false), 2);
    EXPECT_FALSE(Store.KeyExists(TWukUserToolBox::ToolKey(3)));
}

TEST_F(UserToolBoxTest, RemovingRenumbersTheKeysAfterIt)
{
    TWukUserToolBox box(&Store);
    const std::string a = Program("a.sh"), b = Program("b.sh"), c = Program("c.sh");
    for (const std::string& p : {a, b, c})
        box.AddTool(p, fs::path(p).stem().string(), true);

    EXPECT_EQ(box.RemoveTool(Dir.File("none.sh")), -1);
    EXPECT_EQ(box.RemoveTool(b), 1);
    EXPECT_EQ(KeyPath(1), a);
    EXPECT_EQ(KeyPath(2), c);
    EXPECT_FALSE(Store.KeyExists(TWukUserToolBox::ToolKey(3)));

    TWukUserToolBox loaded(&Store);
    std::vector<int> added;
    loaded.OnToolChanged = [&](TWukUserToolBox&, bool existed, int index)
    {
        EXPECT_FALSE(existed);
        added.push_back(index);
    };
    loaded.LoadTools();
    EXPECT_EQ(added, (std::vector<int>{0, 1}));
    EXPECT_EQ(loaded.GetTool(1).Path, c);
    EXPECT_EQ(loaded.GetTool(1).Name, "c");
}

TEST_F(UserToolBoxTest, ToolsWhoseProgramIsGoneAreSkippedWithoutLosingOthers)
{
    const std::string a = Program("a.sh"), b = Program("b.sh");
    Store.WriteString(TWukUserToolBox::ToolKey(1), "Path", Dir.File("gone.sh"));
    Store.WriteString(TWukUserToolBox::ToolKey(2), "Path", a);
    Store.WriteString(TWukUserToolBox::ToolKey(2), "Name", "A");
    Store.WriteString(TWukUserToolBox::ToolKey(4), "Path", b); // after a gap: never read

    TWukUserToolBox box(&Store);
    box.LoadTools();
    ASSERT_EQ(box.Count(), 1);
    EXPECT_EQ(box.GetTool(0).Name, "A");

    // A new tool must not take over A's key: the keys are rewritten from the list.
    EXPECT_EQ(box.AddTool(b, "B", true), 1);
    EXPECT_EQ(KeyPath(1), a);
    EXPECT_EQ(KeyPath(2), b);
    EXPECT_FALSE(Store.KeyExists(TWukUserToolBox::ToolKey(3)));
    TWukUserToolBox again(&Store);
    again.LoadTools();
    EXPECT_EQ(again.Count(), 2);
}

TEST_F(UserToolBoxTest, RunningAToolStartsItsProgram)
{
    const std::string marker = Dir.File("ran");
    const std::string tool = Program("with blank.sh", "#!/bin/sh\necho ok > '" + marker + "'\n");
    TWukUserToolBox box(&Store);
    ASSERT_EQ(box.AddTool(tool, "Marker", false), 0);
    EXPECT_FALSE(box.RunTool(1));
    ASSERT_TRUE(box.RunTool(0));
    for (int i = 0; i < 200 && ReadFileText(marker).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileText(marker), "ok\n");
    EXPECT_FALSE(TWukUserToolBox::RunProgram(Dir.File("missing-program")));
}
