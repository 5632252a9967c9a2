// The program's options: typed registry values under "\SOFTWARE\Vellmoor\ZE2\" + section.
// Every read has a default and never fails.
#pragma once

#include <cstdint>
#include <string>

class TRegistryStore;

class TWukOptions
{
public:
    static constexpr const char* RootKey = "\\SOFTWARE\\Vellmoor\\ZE2\\";

    // Works on the program's registry store unless given another.
    explicit TWukOptions(TRegistryStore* store = nullptr);

    void WriteBool(const std::string& name, const std::string& section, bool value);
    void WriteInteger(const std::string& name, const std::string& section, int32_t value);
    void WriteString(const std::string& name, const std::string& section, const std::string& value);

    // A missing value or one of another type gives the default.
    bool ReadBoolDef(const std::string& name, const std::string& section, bool def);
    bool ReadBool(const std::string& name, const std::string& section);
    int32_t ReadIntegerDef(const std::string& name, const std::string& section, int32_t def);
    int32_t ReadInteger(const std::string& name, const std::string& section);
    // A missing value reads as the empty string; a value of another type gives the default.
    std::string ReadStringDef(const std::string& name, const std::string& section,
                              const std::string& def);
    std::string ReadString(const std::string& name, const std::string& section);

    static std::string KeyOf(const std::string& section) { return RootKey + section; }

private:
    TRegistryStore& Store();
    TRegistryStore* FStore;
};

// The options object the main window publishes at start-up (nothing before).
TWukOptions* Options();
void PublishOptions(TWukOptions* options);
