// ze2: the editor's work without a window. Each subcommand prints machine-readable lines
// (TAB-separated) on stdout and diagnostics on stderr, and exits 0 on success, 1 when the work
// failed and 2 on bad usage.
#pragma once

#include <functional>
#include <string>
#include <vector>

class THovTRNfile;

namespace ze2
{
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct TArgs
{
    std::vector<std::string> Positional; // after the subcommand words
    std::vector<std::string> Flags;      // "--name" or "--name=value" as given

    bool Has(const std::string& flag) const;
    // Value of "--name VALUE" or "--name=VALUE"; def when absent.
    std::string Value(const std::string& flag, const std::string& def = {}) const;
};

struct TCommand
{
    std::string Name;  // "pak list"
    std::string Usage; // "FILE"
    std::function<int(const TArgs&)> Run;
    std::vector<std::string> ValueFlags; // flags that take the next word as their value
};

using TCommandTable = std::vector<TCommand>;

// Prints "ze2: " + text on stderr.
void Error(const std::string& text);
// Prints one line of TAB-separated fields on stdout.
void Line(const std::vector<std::string>& fields);

// Each module adds its subcommands.
void AddRegistryCommands(TCommandTable& table);
void AddIniCommands(TCommandTable& table);
void AddPakCommands(TCommandTable& table);
void AddResourceCommands(TCommandTable& table);
void AddPhysicsCommands(TCommandTable& table);
void AddTerrainFileCommands(TCommandTable& table);
void AddTgaCommands(TCommandTable& table);
void AddTerrainCommands(TCommandTable& table);

// Loads a ".trn", or the first entry of a ".pak" whose name contains ".trn"; false after
// printing why it cannot be used.
bool LoadTerrainFile(const std::string& fileName, THovTRNfile& file);
} // namespace ze2
