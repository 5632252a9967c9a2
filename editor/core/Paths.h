// Paths on disk. The game's names use backslashes and do not care about letter case; every
// path that reaches the file system goes through ResolvePath, which turns "\" into "/" and
// matches each component that does not exist as written against the folder's entries
// without regard to case. So GamePath + "data\common.pak" finds "Data/Common.pak".
#pragma once

#include <string>

// The resolved path, or the path with "/" separators where some component does not exist.
std::string ResolvePath(const std::string& path);
// Like ResolvePath, for a file about to be written: folders and an existing file of the same
// name in another case are matched; a new file keeps the name as given.
std::string ResolvePathForWrite(const std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
bool DeleteFileAt(const std::string& path);

// The folder of the running program, with a trailing "/". Tests and tools may set it.
std::string ProgramFolder();
void SetProgramFolder(const std::string& folder);
