// The log of loading and packing: a list of lines with a running category and an indent,
// filtered by the categories the author enabled. The track document and the long
// operations write to it; the log window shows it and edits its mask.
//
// The main window owns the one log and publishes it (Publish<TKexLog>); code that logs
// reaches it through KexLog() and does nothing when there is none (ze2, most tests).
#pragma once

#include "core/Globals.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TKexLog
{
public:
    // Flags given with a line. The low 8 bits are the line's own categories.
    enum : uint32_t
    {
        lfLoading = 1,  // "Track loading"
        lfSaving = 2,   // "Track saving"
        lfModels = 4,   // "Model activity"
        lfTextures = 8, // "Texture activity"
        lfFiles = 16,   // "Files activity"
        lfCategories = 255,
        lfOpenGroup = 256,  // indent the following lines by 2 more
        lfCloseGroup = 512, // indent this and the following lines by 2 less
    };
    // The running log.
    enum : int
    {
        lcNone = 0,
        lcLoading = 1,
        lcPacking = 2,
    };

    std::vector<std::string> LogLines;
    uint32_t LogMask = 0;     // enabled categories; the options keep it as "LogFlags"
    int LogCategory = lcNone; // ORed into every line's categories while a log runs
    int LogIndent = 0;        // blanks before each line; may go negative (then none)

    // Start a log: set the category, clear the lines (OnCleared), indent 0, then the header
    // "===  Logging track loading: " (or "packing: ") + today's short date + "  ===" and an
    // empty line.
    void BeginLoadLog();
    void BeginPackLog();
    // Adds text unless one of its categories (flags' low bits or the running log's) is
    // disabled in LogMask. Lines without any category are always kept. A kept line goes to
    // OnLineAdded, then OnIdle lets the window catch up; a dropped line does nothing.
    void Log(const std::string& text, uint32_t flags = 0);
    void EndLog() { LogCategory = lcNone; }
    // Sets the mask and tells OnMaskChanged (the window's check boxes show its bits).
    void SetLogMask(uint32_t mask);
    // Sets or clears one category bit, as a check box click does.
    void SetCategoryEnabled(uint32_t bit, bool enabled);

    // The window's hooks. A line was appended (as stored, indent included).
    std::function<void(const std::string& line)> OnLineAdded;
    // LogLines were emptied by a Begin call.
    std::function<void()> OnCleared;
    std::function<void(uint32_t mask)> OnMaskChanged;
    // Lets pending window messages run; the application sets it.
    std::function<void()> OnIdle;
    // Today's date as the header shows it; the system's short date format unless replaced.
    std::function<std::string()> DateText;

private:
    void Begin(int category, const char* what);
};

inline TKexLog* KexLog()
{
    return Global<TKexLog>();
}
// Logs through the published log, if there is one.
void LogLine(const std::string& text, uint32_t flags = 0);
