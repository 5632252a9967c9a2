#include "platform/Registry.h"

#include "core/StrUtils.h"
#include "core/Streams.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace
{
constexpr const char* kHeader = "BrakkenTiv registry 1";

std::string Escape(const std::string& s)
{
    std::string r;
    for (const char c : s)
    {
        switch (c)
        {
        case '\\':
            r += "\\\\";
            break;
        case '\t':
            r += "\\t";
            break;
        case '\n':
            r += "\\n";
            break;
        case '\r':
            r += "\\r";
            break;
        case ']':
            r += "\\]";
            break;
        default:
            r += c;
        }
    }
    return r;
}

std::string Unescape(const std::string& s)
{
    std::string r;
    for (size_t i = 0; i < s.size(); ++i)
    {
        if (s[i] != '\\' || i + 1 == s.size())
        {
            r += s[i];
            continue;
        }
        const char n = s[++i];
        r += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    }
    return r;
}

bool IsParentOrSame(const std::string& parent, const std::string& path)
{
    if (SameText(parent, path))
        return true;
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           SameText(path.substr(0, parent.size()), parent);
}
} // namespace

TRegistryStore::TRegistryStore(std::string fileName) : FFileName(std::move(fileName)) {}

std::string TRegistryStore::DefaultFileName()
{
    if (const char* env = std::getenv("BRAKKENTIV_REGISTRY"); env && *env)
        return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".";
    return base + "/BrakkenTiv/registry";
}

std::string TRegistryStore::NormaliseKey(const std::string& key)
{
    std::string k = key;
    for (char& c : k)
        if (c == '/')
            c = '\\';
    size_t b = 0, e = k.size();
    while (b < e && k[b] == '\\')
        ++b;
    while (e > b && k[e - 1] == '\\')
        --e;
    // Collapse doubled separators ("ZE2\\options").
    std::string r;
    for (size_t i = b; i < e; ++i)
        if (!(k[i] == '\\' && !r.empty() && r.back() == '\\'))
            r += k[i];
    return r;
}

void TRegistryStore::Refresh()
{
    struct stat st
    {
    };
    if (::stat(FFileName.c_str(), &st) != 0)
    {
        FKeys.clear();
        FDamaged = false;
        FLoaded = true;
        FStamp = -1;
        FSize = -1;
        return;
    }
    const int64_t stamp = int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    if (FLoaded && stamp == FStamp && int64_t(st.st_size) == FSize)
        return;
    FStamp = stamp;
    FSize = int64_t(st.st_size);
    FLoaded = true;
    FKeys.clear();
    FDamaged = false;

    std::vector<uint8_t> bytes;
    try
    {
        bytes = ReadWholeFile(FFileName);
    }
    catch (const EStreamError&)
    {
        FDamaged = true;
        return;
    }
    const std::string text(bytes.begin(), bytes.end());
    const std::vector<std::string> lines = SplitString(text, '\n');
    if (lines.empty() || TrimRight(lines[0]) != kHeader)
    {
        FDamaged = !text.empty();
        return;
    }
    TKey* current = nullptr;
    for (size_t i = 1; i < lines.size(); ++i)
    {
        const std::string line = lines[i].size() && lines[i].back() == '\r'
                                     ? lines[i].substr(0, lines[i].size() - 1)
                                     : lines[i];
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[' && line.back() == ']')
        {
            current = &EnsureKey(NormaliseKey(Unescape(line.substr(1, line.size() - 2))));
            continue;
        }
        const std::vector<std::string> f = SplitString(line, '\t');
        if (!current || f.size() != 3)
            continue; // a damaged line costs only itself
        TRegValue v;
        v.Name = Unescape(f[1]);
        int64_t n = 0;
        if (f[0] == "sz")
        {
            v.Type = TRegValueType::String;
            v.Text = Unescape(f[2]);
        }
        else if ((f[0] == "dword" || f[0] == "bool") && TryStrToInt(f[2], n))
        {
            v.Type = f[0] == "bool" ? TRegValueType::Bool : TRegValueType::Integer;
            v.Number = int32_t(n);
        }
        else
            continue;
        auto same = std::find_if(current->Values.begin(), current->Values.end(),
                                 [&](const TRegValue& o) { return SameText(o.Name, v.Name); });
        if (same != current->Values.end())
            *same = v;
        else
            current->Values.push_back(v);
    }
}

bool TRegistryStore::Save()
{
    std::string out = std::string(kHeader) + "\n";
    for (const TKey& k : FKeys)
    {
        out += "[" + Escape(k.Path) + "]\n";
        for (const TRegValue& v : k.Values)
        {
            switch (v.Type)
            {
            case TRegValueType::String:
                out += "sz\t" + Escape(v.Name) + "\t" + Escape(v.Text);
                break;
            case TRegValueType::Integer:
                out += "dword\t" + Escape(v.Name) + "\t" + std::to_string(v.Number);
                break;
            case TRegValueType::Bool:
                out += "bool\t" + Escape(v.Name) + "\t" + std::to_string(v.Number ? 1 : 0);
                break;
            }
            out += "\n";
        }
    }
    try
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::create_directories(fs::path(FFileName).parent_path(), ec);
        if (FDamaged)
        {
            fs::copy_file(FFileName, FFileName + ".damaged", fs::copy_options::overwrite_existing,
                          ec);
            FDamaged = false;
        }
        WriteFileAtomically(FFileName, out.data(), out.size());
    }
    catch (const EStreamError&)
    {
        FLoaded = false;
        return false;
    }
    FLoaded = false; // the next call reads the file back
    return true;
}

TRegistryStore::TKey* TRegistryStore::FindKey(const std::string& path)
{
    for (TKey& k : FKeys)
        if (SameText(k.Path, path))
            return &k;
    return nullptr;
}

TRegistryStore::TKey& TRegistryStore::EnsureKey(const std::string& path)
{
    if (TKey* k = FindKey(path))
        return *k;
    FKeys.push_back({path, {}});
    return FKeys.back();
}

bool TRegistryStore::KeyExists(const std::string& key)
{
    Refresh();
    const std::string path = NormaliseKey(key);
    if (path.empty())
        return true;
    for (const TKey& k : FKeys)
        if (IsParentOrSame(path, k.Path))
            return true;
    return false;
}

bool TRegistryStore::CreateKey(const std::string& key)
{
    Refresh();
    const std::string path = NormaliseKey(key);
    if (path.empty() || FindKey(path))
        return true;
    EnsureKey(path);
    return Save();
}

bool TRegistryStore::DeleteKey(const std::string& key)
{
    Refresh();
    const std::string path = NormaliseKey(key);
    if (path.empty())
        return false;
    const size_t before = FKeys.size();
    std::erase_if(FKeys, [&](const TKey& k) { return IsParentOrSame(path, k.Path); });
    if (FKeys.size() == before)
        return false;
    return Save();
}

std::vector<std::string> TRegistryStore::SubKeyNames(const std::string& key)
{
    Refresh();
    const std::string path = NormaliseKey(key);
    std::vector<std::string> names;
    for (const TKey& k : FKeys)
    {
        std::string rest;
        if (path.empty())
            rest = k.Path;
        else if (k.Path.size() > path.size() && IsParentOrSame(path, k.Path))
            rest = k.Path.substr(path.size() + 1);
        else
            continue;
        const std::string child = rest.substr(0, rest.find('\\'));
        if (std::none_of(names.begin(), names.end(), [&](auto& n) { return SameText(n, child); }))
            names.push_back(child);
    }
    return names;
}

std::vector<std::string> TRegistryStore::ValueNames(const std::string& key)
{
    Refresh();
    std::vector<std::string> names;
    if (const TKey* k = FindKey(NormaliseKey(key)))
        for (const TRegValue& v : k->Values)
            names.push_back(v.Name);
    return names;
}

std::optional<TRegValue> TRegistryStore::ReadValue(const std::string& key, const std::string& name)
{
    Refresh();
    if (const TKey* k = FindKey(NormaliseKey(key)))
        for (const TRegValue& v : k->Values)
            if (SameText(v.Name, name))
                return v;
    return std::nullopt;
}

bool TRegistryStore::Modify(const std::string& key, const TRegValue& value)
{
    Refresh();
    TKey& k = EnsureKey(NormaliseKey(key));
    auto same = std::find_if(k.Values.begin(), k.Values.end(),
                             [&](const TRegValue& o) { return SameText(o.Name, value.Name); });
    if (same != k.Values.end())
    {
        // The stored name keeps its first spelling, as the platform's registry does.
        const std::string keep = same->Name;
        *same = value;
        same->Name = keep;
    }
    else
        k.Values.push_back(value);
    return Save();
}

bool TRegistryStore::WriteString(const std::string& key, const std::string& name,
                                 const std::string& value)
{
    return Modify(key, {name, TRegValueType::String, value, 0});
}

bool TRegistryStore::WriteInteger(const std::string& key, const std::string& name, int32_t value)
{
    return Modify(key, {name, TRegValueType::Integer, {}, value});
}

bool TRegistryStore::WriteBool(const std::string& key, const std::string& name, bool value)
{
    return Modify(key, {name, TRegValueType::Bool, {}, value ? 1 : 0});
}

bool TRegistryStore::DeleteValue(const std::string& key, const std::string& name)
{
    Refresh();
    TKey* k = FindKey(NormaliseKey(key));
    if (!k)
        return false;
    const size_t before = k->Values.size();
    std::erase_if(k->Values, [&](const TRegValue& v) { return SameText(v.Name, name); });
    if (k->Values.size() == before)
        return false;
    return Save();
}

namespace
{
std::unique_ptr<TRegistryStore>& Store()
{
    static std::unique_ptr<TRegistryStore> store;
    return store;
}
} // namespace

TRegistryStore& Registry()
{
    if (!Store())
        Store() = std::make_unique<TRegistryStore>(TRegistryStore::DefaultFileName());
    return *Store();
}

void SetRegistryFile(const std::string& fileName)
{
    Store() = std::make_unique<TRegistryStore>(fileName);
}
