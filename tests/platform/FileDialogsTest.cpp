#include "platform/FileDialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, FiltersSplitIntoDescriptionAndPatterns)
{
    const auto pairs = SplitDialogFilter("Hov Track files|*.pak;*.HOVProject|Hov Track File "
                                         "(*.pak)|*.pak|dangling");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "Hov Track files");
    EXPECT_EQ(pairs[0].second, "*.pak;*.HOVProject");
    EXPECT_EQ(pairs[1].second, "*.pak");
}

TEST(FileDialogs, WithoutAServiceEveryDialogIsCancelled)
{
    std::string name = "kept";
    EXPECT_FALSE(FileDialogs().OpenFile({}, name));
    EXPECT_EQ(name, "kept");

    TScriptedFileDialogs script;
    script.Answers = {"/tmp/a.pak", ""};
    PublishFileDialogs(&script);
    TFileDialogRequest open;
    open.Title = "Open";
    open.MustExist = true;
    EXPECT_TRUE(FileDialogs().OpenFile(open, name));
    EXPECT_EQ(name, "/tmp/a.pak");
    TFileDialogRequest save;
    save.Title = "Save";
    EXPECT_FALSE(FileDialogs().SaveFile(save, name));
    EXPECT_EQ(script.Requests.size(), 2u);
    EXPECT_EQ(script.Requests[1].Title, "Save");
    PublishFileDialogs(nullptr);
}
