// The controller's resources as the simulated world holds them: the notice's dialog template,
// the string table, the icon and the bitmaps' sizes, all from SentrixdResources.h, the
// definitions the program's resource script is built from.
// Simulation.
#pragma once

#include "sim/SimDialogs.h"

namespace simrun {

sim::ProgramResources controllerResources();

} // namespace simrun
