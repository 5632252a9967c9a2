#include "platform/MessageBox.h"

#include <gtest/gtest.h>

namespace
{
// What a command does with a Yes/No question: acts only on Yes.
bool ConfirmAndAct(bool& acted)
{
    acted = MsgBox().ShowMessageBox("Overwrite the existing track?", "Pack track", false, true);
    return acted;
}
} // namespace

TEST(MessageBox, QuestionAnsweredYesAndNo)
{
    TScriptedMsgBox box;
    TMsgBoxScope scope(box);
    box.Answers = {true, false};
    bool acted = false;
    EXPECT_TRUE(ConfirmAndAct(acted));
    EXPECT_TRUE(acted);
    EXPECT_FALSE(ConfirmAndAct(acted));
    EXPECT_FALSE(acted);
    // An OK box answers true without a scripted answer left.
    EXPECT_TRUE(MsgBox().ShowMessageBox("Track packed.", ""));

    ASSERT_EQ(box.Shown.size(), 3u);
    EXPECT_TRUE(box.Shown[0].Question);
    EXPECT_EQ(box.Shown[0].Caption, "Pack track");
    EXPECT_EQ(box.Shown[1].Text, "Overwrite the existing track?");
    EXPECT_FALSE(box.Shown[2].Question);
}
