// The particle system of the track's effects and the vehicle's tyres.
#pragma once

#include "core/Globals.h"

class TKexParticleSystem
{
public:
    void Clear() { FCount = 0; }
    int Count() const { return FCount; }

private:
    int FCount = 0;
};

inline TKexParticleSystem* ParticleSystem()
{
    return Global<TKexParticleSystem>();
}
