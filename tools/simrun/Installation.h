// Installs the product into a simulated world: the installation data of installer/Sentrix.reg
// in the registry.
// Simulation.
#pragma once

#include "sim/SimWorld.h"

namespace simrun {

// Imports the installation data; false (with the import's message) when it does not import.
bool installProduct(sim::SimWorld& world, std::wstring* error = nullptr);

} // namespace simrun
