// KexPhysics: the physics bridge library's C interface. The editor binds these exports and
// passes records by address; handles returned are opaque.
#pragma once

#include <stdint.h>

#if defined(KEXPHYSICS_BUILD)
#define KEXPHYSICS_API __attribute__((visibility("default")))
#else
#define KEXPHYSICS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Interface version: major in the high 16 bits, minor in the low 16 bits (1.7).
#define KEXPHYSICS_INTERFACE_VERSION 0x00010007u

KEXPHYSICS_API uint32_t KexPhysicsVersion(void);

#ifdef __cplusplus
}
#endif
