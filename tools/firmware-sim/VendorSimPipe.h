// The test graphics vendor libraries' side of the firmware simulator's pipe: one vendor
// request sent and its reply read, on a connection of its own (opened through the pipe the
// machine-hive setting "FirmwarePipe" names, closed again after the call).
// Win32 only.
#pragma once

#include "platform/win32/Win32SimulatorPipe.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

#include <optional>
#include <string>

namespace fwsim {

// The simulator's reply, or nothing when there is no setting, no simulator or no proper reply.
inline std::optional<protocol::VendorReply> askSimulator(const protocol::VendorRequest& request) {
    namespace sim_pipe = platform::win32::simulator_pipe;
    std::wstring name;
    if (!sim_pipe::configuredPipe(name)) {
        return std::nullopt;
    }
    platform::ErrorCode error = 0;
    const platform::DeviceHandle pipe = sim_pipe::open(name, error);
    if (pipe == platform::kInvalidDevice) {
        return std::nullopt;
    }
    const protocol::VendorRequestBytes bytes = protocol::encode(request);
    protocol::VendorReplyBytes reply{};
    const bool ok = sim_pipe::transact(pipe, bytes.data(), bytes.size(), reply.data(), reply.size());
    sim_pipe::close(pipe);
    return ok ? protocol::decodeVendorReply(reply, request.vendor) : std::nullopt;
}

} // namespace fwsim
