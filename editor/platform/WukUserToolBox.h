// The user tools: external programs the author starts from the Tools page. Each tool is a
// registry key "\SOFTWARE\Vellmoor\ZE2\UserTools\Tool" + n (n from 1) with the string values
// "Path" and "Name" and the integer value "IconIndex" (always 0).
//
// A tool must be a program: an existing file that is executable (any execute bit set) or,
// for lists shared with Windows installations, one whose name ends in ".exe".
// The icons are the window's business.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TRegistryStore;

struct TUserTool
{
    static constexpr size_t MaxPath = 255; // characters
    static constexpr size_t MaxName = 32;  // characters

    std::string Path;
    int32_t IconIndex = 0;
    std::string Name;

    friend bool operator==(const TUserTool&, const TUserTool&) = default;
};

class TWukUserToolBox
{
public:
    static constexpr const char* ToolKeyPrefix = "\\SOFTWARE\\Vellmoor\\ZE2\\UserTools\\Tool";

    // A tool was added (existed false) or an existing one renamed (existed true) at index.
    using TToolEvent = std::function<void(TWukUserToolBox& box, bool existed, int index)>;

    // Works on the program's registry store unless given another.
    explicit TWukUserToolBox(TRegistryStore* store = nullptr) : FStore(store) {}

    // Replaces the list with the tools of the registry: keys Tool1, Tool2, ... up to the
    // first missing one. A key whose program no longer exists is skipped (its number is
    // still counted). Fires OnToolChanged (false, index) for each tool loaded.
    void LoadTools();
    // Adds the program at path under name (cut to 32 characters), or renames it when it is
    // in the list already (without regard to case). With save its key is written. Returns
    // the tool's index, or -1 (nothing done) when path is not a program or longer than 255
    // characters. Fires OnToolChanged (existed, index).
    int AddTool(const std::string& path, const std::string& name, bool save, int iconIndex = 0);
    // Removes the tool, rewrites the keys of the tools after it under their new numbers and
    // deletes the key left over at the end. Returns its former index, or -1.
    // After a load that skipped tools whose programs are gone, a save rewrites every key
    // from the list, so those skipped keys are dropped rather than another tool's key
    // overwritten.
    int RemoveTool(const std::string& path);
    // Index of the tool with that path (without regard to case, the last one first); -1.
    int FindTool(const std::string& path) const;
    // The tool at index; an empty record for an index out of range.
    TUserTool GetTool(int index) const;
    int Count() const { return int(FTools.size()); }
    const std::vector<TUserTool>& Tools() const { return FTools; }

    // The tool being edited on the Tools page.
    void SetCurrent(const TUserTool& tool) { FCurrent = tool; }
    const TUserTool& Current() const { return FCurrent; }

    // Starts the tool at index; false when there is none or it could not be started
    // (the Tools page reports nothing either way).
    bool RunTool(int index) const;
    // Starts a program path; false when it could not be started.
    static bool RunProgram(const std::string& path);
    // An existing file that can be run as a tool.
    static bool IsProgramFile(const std::string& path);
    static std::string ToolKey(int number) { return ToolKeyPrefix + std::to_string(number); }

    TToolEvent OnToolChanged;

private:
    void WriteTool(int index);
    // Writes every tool under its number and deletes the keys after the last one.
    void WriteAllTools();
    // Deletes the keys number, number + 1, ... up to the first that does not exist.
    void DeleteKeysFrom(int number);
    TRegistryStore& Store() const;

    TRegistryStore* FStore;
    std::vector<TUserTool> FTools;
    TUserTool FCurrent;
    // False after LoadTools skipped a key whose program is gone: then the tools' indexes
    // no longer match their key numbers, and the next save rewrites all keys instead of
    // overwriting the key of another tool.
    bool FKeysMatch = true;
};
