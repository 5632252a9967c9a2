#include "TestUtil.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

TTempDir::TTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "brakkentiv-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    FPath = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

std::string TTempDir::Write(const std::string& name, const std::string& bytes) const
{
    const fs::path p = fs::path(FPath) / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return p.string();
}

std::string TTempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    return Write(name, std::string(bytes.begin(), bytes.end()));
}

std::string TTempDir::MakeDir(const std::string& name) const
{
    const fs::path p = fs::path(FPath) / name;
    fs::create_directories(p);
    return p.string();
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TRunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    TTempDir io;
    const std::string outFile = io.File("out"), errFile = io.File("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        envStrings.push_back(*e);
    for (const std::string& kv : env)
    {
        const std::string key = kv.substr(0, kv.find('=') + 1);
        std::erase_if(envStrings, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
        envStrings.push_back(kv);
    }
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    TRunResult r;
    pid_t pid = -1;
    if (posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) == 0)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.Out = ReadFileText(outFile);
    r.Err = ReadFileText(errFile);
    return r;
}
