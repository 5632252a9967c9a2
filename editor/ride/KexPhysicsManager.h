// The physics manager: the only caller of the physics bridge library during a ride. It builds
// the physics scene of the loaded track.
#pragma once

#include "core/Globals.h"

class TCustomTrackType;

class TKexPhysicsManager
{
public:
    TKexPhysicsManager();

    // True when the bridge library answered the interface version this editor was built for.
    bool BridgeVersionMatches() const { return FBridgeVersionOk; }
    bool HasPhysicsTerrain() const { return FPhysicsTerrain; }
    void ReleasePhysicsTerrain() { FPhysicsTerrain = false; }
    // Rebuilds the terrain's collision data after a terrain edit. Nothing yet: the physics
    // terrain is built by the ride.
    void RebuildPhysicsTerrain() {}

    TCustomTrackType* Document = nullptr;

private:
    bool FBridgeVersionOk = false;
    bool FPhysicsTerrain = false;
};

inline TKexPhysicsManager* PhysicsManager()
{
    return Global<TKexPhysicsManager>();
}
