// Installation into a simulated world. Simulation.
#include "tools/simrun/Installation.h"

#include "common/Text.h"
#include "installer/InstallationData.h"
#include "sim/RegFile.h"

namespace simrun {

bool installProduct(sim::SimWorld& world, std::wstring* error) {
    const sim::RegImportResult result =
        sim::importRegText(world.registry(), text::fromUtf8(installer::kSentrixReg));
    if (!result.ok && error != nullptr) {
        *error = L"line " + std::to_wstring(result.line) + L": " + result.message;
    }
    return result.ok;
}

} // namespace simrun
