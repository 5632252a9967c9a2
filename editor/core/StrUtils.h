// Text helpers in the manner the game's names need them: 8-bit names, file names with
// either separator, comparisons without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Letter case of ASCII letters only, as the game's 8-bit names use it.
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
// Equal without regard to case (Unicode-aware for UTF-8 text).
bool SameText(std::string_view a, std::string_view b);
// Position of needle in hay without regard to ASCII case; npos when absent.
size_t FindNoCase(std::string_view hay, std::string_view needle);
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
std::vector<std::string> SplitString(std::string_view s, char sep);

// File names: both "\" and "/" separate folders.
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path); // with its trailing separator
std::string ExtractFileExt(std::string_view path);  // with the dot; empty when none
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingBackslash(std::string_view path);
std::string IncludeTrailingSlash(std::string_view path);

// 8-bit names in the game's files are Windows-1252 text; in memory we keep UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
// Characters without an 8-bit form become '?'.
std::string Utf8ToAnsi(std::string_view utf8);

// The first count characters (code points) of UTF-8 text.
std::string_view Utf8Prefix(std::string_view s, size_t count);

// Integer parsing that fails instead of throwing; accepts an optional sign and, with a
// leading '$' or "0x", hexadecimal.
bool TryStrToInt(std::string_view s, int64_t& value);
