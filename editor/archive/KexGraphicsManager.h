// The graphics manager shares textures by name between their users, counting references.
// Its texture loaders are registered as plug-ins by the track document.
#pragma once

#include "core/Globals.h"

class TKexGfxManager
{
public:
    TKexGfxManager() = default;
};

inline TKexGfxManager* GfxManager() { return Global<TKexGfxManager>(); }
