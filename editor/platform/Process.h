// Starting other programs (user tools, the game).
#pragma once

#include <string>
#include <vector>

// Splits a command line into arguments: blanks separate, double quotes group.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts the program with its arguments; returns the process id, or -1 when it could not be
// started.
int StartProcess(const std::vector<std::string>& argv, const std::string& workingDir = {});
// Waits for the process to end and returns its exit code (-1 when it did not exit normally).
// idle, when given, is called about every 50 ms while waiting.
int WaitForProcess(int pid, void (*idle)(void*) = nullptr, void* context = nullptr);
