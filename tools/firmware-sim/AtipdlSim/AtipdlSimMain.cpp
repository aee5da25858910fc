// atipdl64.dll for end-to-end runs only: the second AMD display interface whose hardware is the
// firmware simulator's (its machine with that interface, sim/SimAmdSecondDisplay over the
// simulated display hardware), reached over the pipe that the machine-hive setting
// "FirmwarePipe" names. Put into the system folder of a test machine or loaded by a test,
// never shipped.
// Each entry checks its record here (present, and for the records that carry one, the size in
// word 0) before it reads it, sends the call to the simulator and copies back the record as
// the simulated interface left it. An entry that cannot be called (a bad record, no simulator)
// answers as the interface does then: 0 for the entries whose success is nonzero, 1 for the
// others.
// Win32 only.
#include "platform/AmdSecondDisplayInterface.h"
#include "tools/firmware-sim/VendorSimPipe.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

namespace protocol = fwsim::protocol;
namespace entry = protocol::amd_second;

constexpr int kNoneFound = 0; // entries whose success is nonzero
constexpr int kFailed = 1;    // entries whose success is zero

// One call with the caller's record (may be null for the entries without one); the answer,
// or `uncallable` when the simulator gave none.
template <typename Record>
int call(std::uint32_t which, int adapter, int index, Record* record, int uncallable,
         std::uint32_t* value = nullptr) {
    static_cast<void>(record); // unused for the entries without a record
    std::size_t size = 0;
    if constexpr (!std::is_void_v<Record>) {
        static_assert(sizeof(Record) <= protocol::kVendorPayloadSize);
        size = sizeof(Record);
    }
    const auto reply =
        fwsim::askEntry(protocol::VendorInterface::AmdSecond, which, static_cast<std::uint32_t>(adapter),
                        static_cast<std::uint32_t>(index), record, size);
    if (!reply) {
        return uncallable;
    }
    if constexpr (!std::is_void_v<Record>) {
        std::memcpy(record, reply->payload.data(), sizeof(Record));
    }
    if (value != nullptr) {
        *value = reply->value;
    }
    return reply->status;
}

// A record whose word 0 gives its size: that size must be the interface's.
template <typename Record> bool sized(const Record* record) {
    if (record == nullptr) {
        return false;
    }
    std::uint32_t size = 0;
    std::memcpy(&size, record, sizeof size);
    return size == sizeof(Record);
}

} // namespace

// DllMain as the runtime's library start-up calls it, BOOL WINAPI DllMain(HINSTANCE, DWORD,
// LPVOID), spelled without <windows.h>.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) {
    return 1;
}

extern "C" int EnumDisplays(int adapter, int index, platform::AtipdlDisplayRecord* record) {
    return record != nullptr ? call(entry::kEnumDisplays, adapter, index, record, kNoneFound) : kNoneFound;
}

extern "C" int ATIDL_DisplayGetDeviceConfig(int adapter, int display, platform::AtipdlDeviceConfig* config) {
    return sized(config) ? call(entry::kDisplayGetDeviceConfig, adapter, display, config, kFailed) : kFailed;
}

extern "C" int GetConnectedDisplays(int adapter, int controller, unsigned int* mask) {
    if (mask == nullptr) {
        return kNoneFound;
    }
    std::uint32_t value = 0;
    const int result =
        call<void>(entry::kGetConnectedDisplays, adapter, controller, nullptr, kNoneFound, &value);
    if (result != kNoneFound) {
        *mask = value;
    }
    return result;
}

extern "C" int GetConfiguration(int adapter, int controller, platform::AtipdlControllerConfig* config) {
    return config != nullptr ? call(entry::kGetConfiguration, adapter, controller, config, kNoneFound)
                             : kNoneFound;
}

extern "C" int GetCapabilities(int adapter) {
    return call<void>(entry::kGetCapabilities, adapter, 0, nullptr, kNoneFound);
}

extern "C" int ATIDL_DisplayGetEdidData(int adapter, int display, platform::AtipdlEdidRequest* request) {
    return sized(request) ? call(entry::kDisplayGetEdidData, adapter, display, request, kFailed) : kFailed;
}

extern "C" int ATIDL_SetConfigurationEx(int adapter, platform::AtipdlConfigurationEx* config) {
    return sized(config) ? call(entry::kSetConfigurationEx, adapter, 0, config, kFailed) : kFailed;
}
