#include "KexPhysics.h"

extern "C" KEXPHYSICS_API uint32_t KexPhysicsVersion(void)
{
    return KEXPHYSICS_INTERFACE_VERSION;
}
