// The test graphics vendor libraries' side of the firmware simulator's pipe: one vendor
// request sent and its reply read, on a connection of its own (opened through the pipe the
// machine-hive setting "FirmwarePipe" names, closed again after the call).
// Win32 only.
#pragma once

#include "platform/win32/Win32SimulatorPipe.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

#include <windows.h>

#include <optional>
#include <string>

namespace fwsim {

inline constexpr int kOpenRetries = 10;
inline constexpr unsigned long kOpenRetryMs = 20;

// The simulator's reply, or nothing when there is no setting, no simulator or no proper reply.
inline std::optional<protocol::VendorReply> askSimulator(const protocol::VendorRequest& request) {
    namespace sim_pipe = platform::win32::simulator_pipe;
    std::wstring name;
    if (!sim_pipe::configuredPipe(name)) {
        return std::nullopt;
    }
    // Every call connects anew, so a call right after the previous one can come while the
    // simulator has not yet made its next pipe instance (the open then fails with
    // ERROR_FILE_NOT_FOUND, not ERROR_PIPE_BUSY): a few short retries bridge that gap.
    platform::ErrorCode error = 0;
    platform::DeviceHandle pipe = sim_pipe::open(name, error);
    for (int retry = 0; pipe == platform::kInvalidDevice && retry < kOpenRetries; ++retry) {
        Sleep(kOpenRetryMs);
        pipe = sim_pipe::open(name, error);
    }
    if (pipe == platform::kInvalidDevice) {
        return std::nullopt;
    }
    const protocol::VendorRequestBytes bytes = protocol::encode(request);
    protocol::VendorReplyBytes reply{};
    const bool ok = sim_pipe::transact(pipe, bytes.data(), bytes.size(), reply.data(), reply.size());
    sim_pipe::close(pipe);
    return ok ? protocol::decodeVendorReply(reply, request.vendor) : std::nullopt;
}

// One call of `entry` of `vendor`'s interface with the numbers the request carries and, when
// given, `size` bytes of the caller's record as the payload (never more than it holds).
inline std::optional<protocol::VendorReply> askEntry(protocol::VendorInterface vendor, std::uint32_t entry,
                                                     std::uint64_t handle, std::uint32_t argument,
                                                     const void* record = nullptr, std::size_t size = 0) {
    return askSimulator(protocol::makeRequest(vendor, entry, handle, argument, record, size));
}

} // namespace fwsim
