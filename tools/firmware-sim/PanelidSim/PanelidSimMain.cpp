// Panelid.dll as the firmware simulator's stand-in: the display library's three entries, each
// answered by the firmware simulator (over the pipe the machine-hive setting "FirmwarePipe"
// names) from its simulated display hardware and the TV's EDID. For end-to-end runs only: it is
// installed next to Sentrixd.exe in a test machine, never as the product's display library.
// Each call opens the pipe, asks, and closes it again; any failure answers -1.
// Win32 only.
#include "platform/win32/Win32SimulatorPipe.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace {

namespace sim_pipe = platform::win32::simulator_pipe;
namespace protocol = fwsim::protocol;

constexpr std::int32_t kFailed = -1;

std::optional<protocol::DisplayReply> ask(protocol::DisplayOperation operation, std::uint32_t argument) {
    std::wstring name;
    if (!sim_pipe::configuredPipe(name)) {
        return std::nullopt;
    }
    platform::ErrorCode error = 0;
    const platform::DeviceHandle handle = sim_pipe::open(name, error);
    if (handle == platform::kInvalidDevice) {
        return std::nullopt;
    }
    const protocol::DisplayRequestBytes request = protocol::encode(protocol::DisplayRequest{operation, argument});
    protocol::DisplayReplyBytes reply{};
    const bool ok = sim_pipe::transact(handle, request.data(), request.size(), reply.data(), reply.size());
    sim_pipe::close(handle);
    if (!ok) {
        return std::nullopt;
    }
    return protocol::decodeDisplayReply(reply);
}

} // namespace

// DllMain as the runtime's library start-up calls it, BOOL WINAPI DllMain(HINSTANCE, DWORD,
// LPVOID), spelled without <windows.h>.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) { return 1; }

extern "C" std::int32_t GetPanelid(std::uint8_t* edid256) {
    if (edid256 == nullptr) {
        return kFailed;
    }
    const auto reply = ask(protocol::DisplayOperation::GetPanelid, 0);
    if (!reply) {
        return kFailed;
    }
    if (reply->result >= 0) {
        std::memcpy(edid256, reply->edid.data(), protocol::kEdidSize);
    }
    return reply->result;
}

extern "C" std::int32_t GetMonitorDevice() {
    const auto reply = ask(protocol::DisplayOperation::GetMonitorDevice, 0);
    return reply ? reply->result : kFailed;
}

extern "C" std::int32_t SetMonitorDevice(std::uint32_t value) {
    const auto reply = ask(protocol::DisplayOperation::SetMonitorDevice, value);
    return reply ? reply->result : kFailed;
}
