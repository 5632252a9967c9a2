// The registry store: the program's settings as hierarchical keys with typed values, kept in
// one text file. Key paths ("\SOFTWARE\Vellmoor\ZE2\options") and value names are compared
// without regard to case. The file lives at $XDG_CONFIG_HOME/BrakkenTiv/registry, or at the
// path in the environment variable BRAKKENTIV_REGISTRY.
//
// Every call sees the file as it is on disk (another process, such as ze2, may have changed
// it), and every write replaces the file atomically. A damaged or unreadable file reads as
// empty and never stops the program; before it would be overwritten it is kept beside the
// new one as "registry.damaged".
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class TRegValueType
{
    String,
    Integer,
    Bool
};

struct TRegValue
{
    std::string Name;
    TRegValueType Type = TRegValueType::String;
    std::string Text;   // String values
    int32_t Number = 0; // Integer and Bool values
};

class TRegistryStore
{
public:
    explicit TRegistryStore(std::string fileName);

    // The file the program uses: BRAKKENTIV_REGISTRY, else $XDG_CONFIG_HOME (or ~/.config)
    // + "/BrakkenTiv/registry".
    static std::string DefaultFileName();

    const std::string& FileName() const { return FFileName; }

    bool KeyExists(const std::string& key);
    // Creates the key and its parents; false only when the file cannot be written.
    bool CreateKey(const std::string& key);
    // Removes the key, its values and its subkeys.
    bool DeleteKey(const std::string& key);
    std::vector<std::string> SubKeyNames(const std::string& key);

    std::vector<std::string> ValueNames(const std::string& key);
    std::optional<TRegValue> ReadValue(const std::string& key, const std::string& name);
    bool WriteString(const std::string& key, const std::string& name, const std::string& value);
    bool WriteInteger(const std::string& key, const std::string& name, int32_t value);
    bool WriteBool(const std::string& key, const std::string& name, bool value);
    bool DeleteValue(const std::string& key, const std::string& name);

    // Key paths are kept without leading or trailing backslashes.
    static std::string NormaliseKey(const std::string& key);

private:
    struct TKey
    {
        std::string Path;
        std::vector<TRegValue> Values;
    };

    void Refresh();
    bool Save();
    bool Modify(const std::string& key, const TRegValue& value);
    TKey* FindKey(const std::string& path);
    TKey& EnsureKey(const std::string& path);

    std::string FFileName;
    std::vector<TKey> FKeys;
    bool FDamaged = false;
    bool FLoaded = false;
    int64_t FStamp = -1;
    int64_t FSize = -1;
};

// The program's one store, on DefaultFileName() unless set. Tests point it at a file of
// their own with SetRegistryFile.
TRegistryStore& Registry();
void SetRegistryFile(const std::string& fileName);
