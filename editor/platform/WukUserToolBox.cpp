#include "platform/WukUserToolBox.h"

#include "core/Paths.h"
#include "core/StrUtils.h"
#include "platform/Process.h"
#include "platform/Registry.h"

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace
{
size_t CharCount(const std::string& s)
{
    size_t n = 0;
    for (const char c : s)
        if ((uint8_t(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

} // namespace

TRegistryStore& TWukUserToolBox::Store() const
{
    return FStore ? *FStore : Registry();
}

bool TWukUserToolBox::IsProgramFile(const std::string& path)
{
    if (path.empty() || !FileExists(path))
        return false;
    if (LowerCase(ExtractFileExt(path)) == ".exe")
        return true;
    std::error_code ec;
    const fs::perms p = fs::status(fs::path(ResolvePath(path)), ec).permissions();
    if (ec)
        return false;
    return (p & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) !=
           fs::perms::none;
}

void TWukUserToolBox::LoadTools()
{
    FTools.clear();
    FKeysMatch = true;
    TRegistryStore& store = Store();
    for (int n = 1;; ++n)
    {
        const std::string key = ToolKey(n);
        if (!store.KeyExists(key))
            break;
        const auto path = store.ReadValue(key, "Path");
        if (!path || path->Type != TRegValueType::String || !FileExists(path->Text))
        {
            FKeysMatch = false;
            continue;
        }
        const auto name = store.ReadValue(key, "Name");
        TUserTool tool;
        tool.Path = path->Text;
        tool.Name = name && name->Type == TRegValueType::String
                        ? std::string(Utf8Prefix(name->Text, TUserTool::MaxName))
                        : std::string();
        tool.IconIndex = 0;
        FTools.push_back(tool);
        if (OnToolChanged)
            OnToolChanged(*this, false, int(FTools.size()) - 1);
    }
}

int TWukUserToolBox::FindTool(const std::string& path) const
{
    for (int i = int(FTools.size()) - 1; i >= 0; --i)
        if (SameText(FTools[size_t(i)].Path, path))
            return i;
    return -1;
}

TUserTool TWukUserToolBox::GetTool(int index) const
{
    if (index < 0 || index >= int(FTools.size()))
        return TUserTool{};
    return FTools[size_t(index)];
}

int TWukUserToolBox::AddTool(const std::string& path, const std::string& name, bool save,
                             int iconIndex)
{
    // A longer path would not survive in the record; refuse it rather than keep a cut one.
    if (CharCount(path) > TUserTool::MaxPath || !IsProgramFile(path))
        return -1;
    int index = FindTool(path);
    const bool existed = index >= 0;
    if (!existed)
    {
        FTools.push_back(TUserTool{});
        index = int(FTools.size()) - 1;
    }
    TUserTool& tool = FTools[size_t(index)];
    tool.Path = path;
    tool.Name = std::string(Utf8Prefix(name, TUserTool::MaxName));
    tool.IconIndex = iconIndex;
    if (save)
    {
        if (FKeysMatch)
            WriteTool(index);
        else
            WriteAllTools();
    }
    if (OnToolChanged)
        OnToolChanged(*this, existed, index);
    return index;
}

void TWukUserToolBox::WriteTool(int index)
{
    const TUserTool& tool = FTools[size_t(index)];
    const std::string key = ToolKey(index + 1);
    TRegistryStore& store = Store();
    store.CreateKey(key);
    store.WriteString(key, "Path", tool.Path);
    store.WriteString(key, "Name", tool.Name);
    store.WriteInteger(key, "IconIndex", 0);
}

void TWukUserToolBox::DeleteKeysFrom(int number)
{
    TRegistryStore& store = Store();
    while (store.KeyExists(ToolKey(number)))
        store.DeleteKey(ToolKey(number++));
}

void TWukUserToolBox::WriteAllTools()
{
    for (int i = 0; i < int(FTools.size()); ++i)
        WriteTool(i);
    DeleteKeysFrom(int(FTools.size()) + 1);
    FKeysMatch = true;
}

int TWukUserToolBox::RemoveTool(const std::string& path)
{
    const int index = FindTool(path);
    if (index < 0)
        return -1;
    FTools.erase(FTools.begin() + index);
    if (FKeysMatch)
    {
        for (int i = index; i < int(FTools.size()); ++i)
            WriteTool(i);
        DeleteKeysFrom(int(FTools.size()) + 1);
    }
    else
        WriteAllTools();
    return index;
}

bool TWukUserToolBox::RunTool(int index) const
{
    if (index < 0 || index >= int(FTools.size()))
        return false;
    return RunProgram(FTools[size_t(index)].Path);
}

bool TWukUserToolBox::RunProgram(const std::string& path)
{
    // The path is the program itself (blanks included); only something that is not a file
    // is taken as a command line.
    const std::vector<std::string> argv =
        FileExists(path) ? std::vector<std::string>{path} : SplitCommandLine(path);
    const int pid = StartProcess(argv);
    if (pid <= 0)
        return false;
    // Nobody waits for a tool; collect its exit so it does not linger as a zombie.
    std::thread([pid] { WaitForProcess(pid); }).detach();
    return true;
}
