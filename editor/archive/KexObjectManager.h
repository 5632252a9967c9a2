// The object manager shares models by name between their users, counting references.
#pragma once

#include "core/Globals.h"

class TKexObjectManager
{
public:
    TKexObjectManager() = default;
};

inline TKexObjectManager* ObjectManager() { return Global<TKexObjectManager>(); }
