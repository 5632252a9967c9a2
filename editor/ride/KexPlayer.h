// The ride player: vehicle, rider and their physics settings.
#pragma once

#include <string>

class TKexPlayer
{
public:
    virtual ~TKexPlayer() = default;
    // The physics settings file used when none was stored in the options.
    virtual std::string DefaultPhysicsFile() const;
};

class THovPlayer : public TKexPlayer
{
};
