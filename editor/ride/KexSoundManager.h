// The sound manager plays the engine and effect sounds of a ride.
#pragma once

#include "core/Globals.h"

#include <cstdint>

class TKexSoundManager
{
public:
    explicit TKexSoundManager(uintptr_t windowHandle = 0) : FWindow(windowHandle) {}

private:
    uintptr_t FWindow;
};

inline TKexSoundManager* SoundManager()
{
    return Global<TKexSoundManager>();
}
