// The shader manager keeps the compiled effect programs of the 3D view, by name.
#pragma once

#include "core/Globals.h"

class TKexShaderManager
{
public:
    TKexShaderManager() = default;
};

inline TKexShaderManager* ShaderManager()
{
    return Global<TKexShaderManager>();
}
