#include "ride/KexPlayer.h"

#include "core/Paths.h"

std::string TKexPlayer::DefaultPhysicsFile() const
{
    return ProgramFolder() + "defaults\\DefaultPhysicsSettings.kex";
}
