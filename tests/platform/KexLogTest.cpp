#include "platform/KexLog.h"
#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(KexLog, LinesAreKeptOnlyWhenAllTheirCategoriesAreEnabled)
{
    const struct
    {
        uint32_t Mask;
        int Running; // 0 none, 1 loading, 2 packing
        uint32_t Flags;
        bool Kept;
    } cases[] = {
        {0, 0, 0, true}, // no category at all: always kept
        {0, 0, TKexLog::lfOpenGroup | TKexLog::lfCloseGroup, true},
        {0, 0, TKexLog::lfModels, false},
        {0, 1, 0, false}, // a running loading log needs "Track loading"
        {1, 1, 0, true},
        {1, 1, TKexLog::lfLoading, true},
        {2, 1, 0, false},
        {2, 2, 260, false}, // packing a model needs "Track saving" and "Model activity"
        {4, 2, 260, false},
        {6, 2, 260, true},
        {31, 0, TKexLog::lfTextures | TKexLog::lfFiles, true},
        {8, 0, TKexLog::lfTextures | TKexLog::lfFiles, false},
    };
    for (const auto& c : cases)
    {
        TKexLog log;
        log.DateText = [] { return "1/2/03"; };
        if (c.Running == 1)
            log.BeginLoadLog();
        if (c.Running == 2)
            log.BeginPackLog();
        log.SetLogMask(c.Mask);
        int idles = 0;
        log.OnIdle = [&] { ++idles; };
        const size_t before = log.LogLines.size();
        log.Log("line", c.Flags);
        EXPECT_EQ(log.LogLines.size() - before, c.Kept ? 1u : 0u)
            << "mask " << c.Mask << " log " << c.Running << " flags " << c.Flags;
        EXPECT_EQ(idles, c.Kept ? 1 : 0);
    }
}

TEST(KexLog, GroupsIndentAndBeginStartsAFreshLog)
{
    TKexLog log;
    log.DateText = [] { return "24.12.05"; };
    std::vector<std::string> shown;
    log.OnLineAdded = [&](const std::string& line) { shown.push_back(line); };
    log.OnCleared = [&] { shown.clear(); };
    log.SetLogMask(TKexLog::lfLoading);

    log.Log("before");
    log.BeginLoadLog();
    log.Log("Loading scene", 1 | TKexLog::lfOpenGroup);
    log.Log("object", 1);
    log.Log("texture", TKexLog::lfTextures | TKexLog::lfOpenGroup); // dropped: no indent
    log.Log("Scene done", 1 | TKexLog::lfCloseGroup);
    log.Log("closing again", TKexLog::lfCloseGroup);
    log.Log("and again", TKexLog::lfCloseGroup); // indent below 0: no blanks
    log.Log("after", TKexLog::lfOpenGroup);
    log.EndLog();
    log.Log("no category needed", 0);

    const std::vector<std::string> expected = {
        "===  Logging track loading: 24.12.05  ===",
        "",
        "Loading scene",
        "  object",
        "Scene done",
        "closing again",
        "and again",
        "after",
        "no category needed", // the indent is still below 0
    };
    EXPECT_EQ(log.LogLines, expected);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(log.LogCategory, TKexLog::lcNone);

    log.BeginPackLog();
    EXPECT_EQ(log.LogIndent, 0);
    EXPECT_EQ(log.LogCategory, TKexLog::lcPacking);
    EXPECT_EQ(log.LogLines,
              (std::vector<std::string>{"===  Logging track packing: 24.12.05  ===", ""}));
}

TEST(KexLog, MaskChangesReachTheWindowAndTheGlobalLogIsOptional)
{
    TKexLog log;
    uint32_t shownMask = 99;
    log.OnMaskChanged = [&](uint32_t mask) { shownMask = mask; };
    log.SetLogMask(5);
    EXPECT_EQ(shownMask, 5u);
    log.SetCategoryEnabled(TKexLog::lfSaving, true);
    log.SetCategoryEnabled(TKexLog::lfLoading, false);
    EXPECT_EQ(log.LogMask, 6u);
    EXPECT_EQ(shownMask, 6u);

    // Today's date in the header when no date source is set.
    log.BeginLoadLog();
    EXPECT_EQ(log.LogLines[0].rfind("===  Logging track loading: ", 0), 0u);
    EXPECT_GT(log.LogLines[0].size(), std::string("===  Logging track loading:   ===").size());

    ASSERT_EQ(KexLog(), nullptr);
    LogLine("nobody listens"); // no log published: nothing happens
    Publish(&log);
    log.EndLog();
    LogLine("saved", TKexLog::lfSaving);
    Publish<TKexLog>(nullptr);
    EXPECT_EQ(log.LogLines.back(), "saved");
}

TEST(Progress, ScopeShowsAndHidesEvenOnAnException)
{
    TRecordingProgress progress;
    Publish<TProgressSink>(&progress);
    try
    {
        TProgressScope scope;
        EXPECT_TRUE(progress.Visible);
        scope.Report("Packing terrain", 40);
        EXPECT_EQ(progress.Caption, "Packing terrain");
        scope.Report("Beyond", 130);
        EXPECT_EQ(progress.Position, 100);
        throw std::runtime_error("pack failed");
    }
    catch (const std::runtime_error&)
    {
    }
    Publish<TProgressSink>(nullptr);
    EXPECT_FALSE(progress.Visible);
    EXPECT_EQ(progress.Events.front().Kind, TRecordingProgress::TEvent::TKind::Show);
    EXPECT_EQ(progress.Events.back().Kind, TRecordingProgress::TEvent::TKind::Hide);
    TProgressScope nothing; // no sink published: nothing to show
    nothing.Report("x", 1);

    EXPECT_EQ(ProgressBarWidth(0), 0);
    EXPECT_EQ(ProgressBarWidth(40), 100);
    EXPECT_EQ(ProgressBarWidth(100), 250);
    EXPECT_EQ(ProgressBarWidth(-5), 0);
    EXPECT_EQ(ProgressBarWidth(1000), 250);
}
