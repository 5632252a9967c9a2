#include "core/StrUtils.h"

#include <QString>
#include <algorithm>
#include <cctype>

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return r;
}

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() == b.size() && LowerCase(a) == LowerCase(b))
        return true;
    const bool ascii = std::all_of(a.begin(), a.end(), [](char c) { return (c & 0x80) == 0; }) &&
                       std::all_of(b.begin(), b.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii)
        return false;
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

size_t FindNoCase(std::string_view hay, std::string_view needle)
{
    return LowerCase(hay).find(LowerCase(needle));
}

std::string TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && uint8_t(s[i]) <= ' ')
        ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && uint8_t(s[n - 1]) <= ' ')
        --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s)
{
    return TrimLeft(TrimRight(s));
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && LowerCase(s.substr(0, prefix.size())) == LowerCase(prefix);
}

std::vector<std::string> SplitString(std::string_view s, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true)
    {
        const size_t at = s.find(sep, start);
        if (at == std::string_view::npos)
        {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, at - start));
        start = at + 1;
    }
}

namespace
{
size_t LastSeparator(std::string_view path)
{
    return path.find_last_of("\\/:");
}
} // namespace

std::string ExtractFileName(std::string_view path)
{
    const size_t at = LastSeparator(path);
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ExtractFilePath(std::string_view path)
{
    const size_t at = LastSeparator(path);
    return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string ExtractFileExt(std::string_view path)
{
    const size_t dot = path.find_last_of('.');
    const size_t sep = LastSeparator(path);
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep))
        return {};
    return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext)
{
    const std::string current = ExtractFileExt(path);
    return std::string(path.substr(0, path.size() - current.size())) + std::string(ext);
}

std::string IncludeTrailingBackslash(std::string_view path)
{
    std::string r(path);
    if (r.empty() || (r.back() != '\\' && r.back() != '/'))
        r += '\\';
    return r;
}

std::string IncludeTrailingSlash(std::string_view path)
{
    std::string r(path);
    if (r.empty() || (r.back() != '\\' && r.back() != '/'))
        r += '/';
    return r;
}

namespace
{
// Windows-1252 code points for bytes 0x80..0x9F; 0 where the code page has a hole.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80)
        out += char(cp);
    else if (cp < 0x800)
    {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    }
    else
    {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
} // namespace

std::string AnsiToUtf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size());
    for (const char ch : ansi)
    {
        const uint8_t b = uint8_t(ch);
        uint32_t cp = b;
        if (b >= 0x80 && b < 0xA0)
            cp = kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : b;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::string out;
    out.reserve(size_t(text.size()));
    for (const QChar qc : text)
    {
        const char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100))
        {
            out += char(u);
            continue;
        }
        // The code page's five unused bytes came in as U+0081 etc.: give them back.
        if (u >= 0x80 && u < 0xA0 && kCp1252High[u - 0x80] == 0)
        {
            out += char(u);
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252High[i] == u)
                mapped = char(0x80 + i);
        out += mapped;
    }
    return out;
}

bool TryStrToInt(std::string_view s, int64_t& value)
{
    std::string t = Trim(s);
    if (t.empty())
        return false;
    bool negative = false;
    size_t i = 0;
    if (t[0] == '+' || t[0] == '-')
    {
        negative = t[0] == '-';
        i = 1;
    }
    int base = 10;
    if (i < t.size() && t[i] == '$')
    {
        base = 16;
        ++i;
    }
    else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X'))
    {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    uint64_t v = 0;
    for (; i < t.size(); ++i)
    {
        const char c = t[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * uint64_t(base) + uint64_t(d);
        if (v > (uint64_t(1) << 63))
            return false;
    }
    if (!negative && v > uint64_t(INT64_MAX))
        return false;
    value = negative ? int64_t(0 - v) : int64_t(v);
    return true;
}

std::string_view Utf8Prefix(std::string_view s, size_t count)
{
    size_t i = 0;
    while (i < s.size() && count > 0)
    {
        ++i;
        while (i < s.size() && (uint8_t(s[i]) & 0xC0) == 0x80)
            ++i;
        --count;
    }
    return s.substr(0, i);
}
