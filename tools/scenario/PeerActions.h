// The scenario steps that act on the simulated peers (the TV, the cable, the display, the CEC
// controller, the firmware's settings, the remote), carried out the same way by every target
// that runs those peers, in virtual or in real time.
// Simulation.
#pragma once

#include "sim/Peers.h"
#include "sim/SimFirmware.h"
#include "tools/scenario/Scenario.h"

namespace scenario {

// Carries out `action` when it is a step on the peers and returns true; false for any other
// step, which the target handles itself.
bool applyPeerAction(sim::Peers& peers, sim::SimFirmware& firmware, const Action& action);

} // namespace scenario
