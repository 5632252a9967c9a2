// Helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir
{
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }
    // Path + "/" + name.
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    // Writes bytes (creating parent folders) and returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string MakeDir(const std::string& name) const;

private:
    std::string FPath;
};

std::string ReadFileText(const std::string& path);

// Runs a program with arguments and captures what it prints.
struct TRunResult
{
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};
TRunResult RunProgram(const std::vector<std::string>& argv,
                      const std::vector<std::string>& env = {});

#ifdef ZE2_BINARY
// Runs the ze2 tool of this build with arguments.
inline TRunResult RunZe2(const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {})
{
    std::vector<std::string> argv = {ZE2_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, env);
}
#endif
