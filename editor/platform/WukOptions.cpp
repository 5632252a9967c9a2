#include "platform/WukOptions.h"

#include "platform/Registry.h"

namespace
{
TWukOptions* g_Options = nullptr;
}

TWukOptions* Options()
{
    return g_Options;
}
void PublishOptions(TWukOptions* options)
{
    g_Options = options;
}

TWukOptions::TWukOptions(TRegistryStore* store) : FStore(store) {}

TRegistryStore& TWukOptions::Store()
{
    return FStore ? *FStore : Registry();
}

void TWukOptions::WriteBool(const std::string& name, const std::string& section, bool value)
{
    Store().WriteBool(KeyOf(section), name, value);
}

void TWukOptions::WriteInteger(const std::string& name, const std::string& section, int32_t value)
{
    Store().WriteInteger(KeyOf(section), name, value);
}

void TWukOptions::WriteString(const std::string& name, const std::string& section,
                              const std::string& value)
{
    Store().WriteString(KeyOf(section), name, value);
}

bool TWukOptions::ReadBoolDef(const std::string& name, const std::string& section, bool def)
{
    // Booleans are stored as numbers on the platform, so a number reads as a boolean too.
    const auto v = Store().ReadValue(KeyOf(section), name);
    if (!v || v->Type == TRegValueType::String)
        return def;
    return v->Number != 0;
}

bool TWukOptions::ReadBool(const std::string& name, const std::string& section)
{
    return ReadBoolDef(name, section, false);
}

int32_t TWukOptions::ReadIntegerDef(const std::string& name, const std::string& section,
                                    int32_t def)
{
    const auto v = Store().ReadValue(KeyOf(section), name);
    if (!v || v->Type == TRegValueType::String)
        return def;
    return v->Number;
}

int32_t TWukOptions::ReadInteger(const std::string& name, const std::string& section)
{
    return ReadIntegerDef(name, section, 0);
}

std::string TWukOptions::ReadStringDef(const std::string& name, const std::string& section,
                                       const std::string& def)
{
    const auto v = Store().ReadValue(KeyOf(section), name);
    if (!v)
        return {};
    if (v->Type != TRegValueType::String)
        return def;
    return v->Text;
}

std::string TWukOptions::ReadString(const std::string& name, const std::string& section)
{
    return ReadStringDef(name, section, {});
}
