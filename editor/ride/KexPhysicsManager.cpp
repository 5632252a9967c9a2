#include "ride/KexPhysicsManager.h"

#include "KexPhysics.h"

TKexPhysicsManager::TKexPhysicsManager()
    : FBridgeVersionOk(KexPhysicsVersion() == KEXPHYSICS_INTERFACE_VERSION)
{
}
