#include "platform/Process.h"

#include "core/Paths.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (const char c : commandLine)
    {
        if (c == '"')
        {
            quoted = !quoted;
            any = true;
        }
        else if ((c == ' ' || c == '\t') && !quoted)
        {
            if (any)
                args.push_back(current);
            current.clear();
            any = false;
        }
        else
        {
            current += c;
            any = true;
        }
    }
    if (any)
        args.push_back(current);
    return args;
}

int StartProcess(const std::vector<std::string>& argv, const std::string& workingDir)
{
    if (argv.empty())
        return -1;
    std::vector<std::string> resolved = argv;
    if (resolved[0].find_first_of("\\/") != std::string::npos)
        resolved[0] = ResolvePath(resolved[0]);
    std::vector<char*> args;
    for (std::string& a : resolved)
        args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
    if (!workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, ResolvePath(workingDir).c_str());
#endif
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? int(pid) : -1;
}

int WaitForProcess(int pid, void (*idle)(void*), void* context)
{
    if (pid <= 0)
        return -1;
    int status = 0;
    while (true)
    {
        const pid_t r = ::waitpid(pid, &status, idle ? WNOHANG : 0);
        if (r == pid)
            break;
        if (r < 0 && errno != EINTR)
            return -1;
        if (idle && r == 0)
        {
            idle(context);
            ::usleep(50000);
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
