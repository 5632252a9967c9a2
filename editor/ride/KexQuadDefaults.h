// The default quad: the vehicle the editor rides when no physics settings say otherwise, as
// the physics bridge takes it. A box chassis of mass 280 on four wheels, the front pair with
// the longer travel.
#pragma once

#include "KexPhysics.h"

// Fills one wheel (front or rear pair) mounted at (x, y, z) in the chassis frame.
void DefaultQuadWheel(KexWheelProperties& wheel, bool front, float x, float y, float z);

// Fills the vehicle's creation record and its shared record for a quad standing at pose.
// Materials are left to the caller. shared must stay where it is while the vehicle exists.
void DefaultQuadVehicle(KexCreateVehicleProperties& vehicle, PhysXVehicleSharedData& shared,
                        const KexPose& pose);
