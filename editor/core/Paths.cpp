#include "core/Paths.h"

#include "core/StrUtils.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
std::string& ProgramFolderOverride()
{
    static std::string folder;
    return folder;
}

std::string Slashes(const std::string& path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

// Matches the components one by one; 'lastMustExist' is false for a file about to be made.
std::string Resolve(const std::string& path, bool forWrite)
{
    const std::string p = Slashes(path);
    if (p.empty())
        return p;
    std::error_code ec;
    if (fs::exists(fs::path(p), ec))
        return p;

    std::string result;
    size_t start = 0;
    if (p[0] == '/')
    {
        result = "/";
        start = 1;
    }
    bool missing = false;
    while (start <= p.size())
    {
        size_t end = p.find('/', start);
        if (end == std::string::npos)
            end = p.size();
        const std::string part = p.substr(start, end - start);
        const bool trailing = end < p.size();
        if (!part.empty())
        {
            std::string chosen = part;
            const std::string folder = result.empty() ? "." : result;
            if (!missing && part != "." && part != "..")
            {
                if (!fs::exists(fs::path(folder) / part, ec))
                {
                    bool found = false;
                    for (fs::directory_iterator it(folder, ec), last; !ec && it != last;
                         it.increment(ec))
                    {
                        const std::string name = it->path().filename().string();
                        if (SameText(name, part))
                        {
                            chosen = name;
                            found = true;
                            break;
                        }
                    }
                    if (!found)
                        missing = true;
                }
            }
            result += chosen;
        }
        if (trailing)
            result += "/";
        start = end + 1;
    }
    (void)forWrite;
    return result;
}
} // namespace

std::string ResolvePath(const std::string& path)
{
    return Resolve(path, false);
}
std::string ResolvePathForWrite(const std::string& path)
{
    return Resolve(path, true);
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(fs::path(ResolvePath(path)), ec);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(fs::path(ResolvePath(path)), ec);
}

bool ForceDirectories(const std::string& path)
{
    std::error_code ec;
    const fs::path p(ResolvePathForWrite(path));
    fs::create_directories(p, ec);
    return fs::is_directory(p, ec);
}

bool DeleteFileAt(const std::string& path)
{
    std::error_code ec;
    return fs::remove(fs::path(ResolvePath(path)), ec);
}

std::string ProgramFolder()
{
    if (!ProgramFolderOverride().empty())
        return ProgramFolderOverride();
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    return IncludeTrailingSlash(exe.parent_path().string());
}

void SetProgramFolder(const std::string& folder)
{
    ProgramFolderOverride() = folder.empty() ? std::string() : IncludeTrailingSlash(folder);
}
