// atiadlxx.dll for end-to-end runs only: the first AMD display interface whose hardware is the
// firmware simulator's (its AMD machines, sim/SimAmdDisplayLibrary over the simulated display
// hardware), reached over the pipe that the machine-hive setting "FirmwarePipe" names. Put into
// the system folder of a test machine or loaded by a test, never shipped.
// ADL_Main_Control_Create asks the simulator whether a context can be created and keeps the
// caller's allocation callback; every other entry answers ADL_ERR_NOT_INIT (-2) before that and
// after ADL_Main_Control_Destroy. Each entry checks its arguments here (the EDID record's size
// word must be 288) before it reads the caller's record, sends the call to the simulator and
// writes back what the simulated interface answered. The display records are returned in
// memory from the caller's callback, which the caller frees. A simulator that cannot be reached
// makes every call fail (ADL_ERR, -1).
// Win32 only.
#include "platform/AmdDisplayLibrary.h"
#include "tools/firmware-sim/VendorSimPipe.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

namespace protocol = fwsim::protocol;
namespace entry = protocol::amd_first;

constexpr int kOk = 0;
constexpr int kError = -1;
constexpr int kNotInitialized = -2;
constexpr int kInvalidParameter = -3;
// More records than any driver reports: the answer of a faulty simulator is not trusted further.
constexpr std::uint32_t kMaxRecords = 64;

using AllocFn = void*(__stdcall*)(int size);
std::atomic<AllocFn> g_alloc{nullptr};

// One call; the simulator's answer, or nothing (then kError) when it gave none.
std::optional<protocol::VendorReply> call(std::uint32_t which, std::int32_t adapter, std::uint32_t argument,
                                          const void* record = nullptr, std::size_t size = 0) {
    return fwsim::askEntry(protocol::VendorInterface::AmdFirst, which, static_cast<std::uint32_t>(adapter),
                           argument, record, size);
}

int statusOf(const std::optional<protocol::VendorReply>& reply) {
    return reply ? reply->status : kError;
}

// Record `number` of an entry that returns records larger than a payload, fetched piece by
// piece into `out`; the number of records there are in `count`.
template <typename Record>
int fetchRecord(std::uint32_t which, std::uint64_t handle, std::uint32_t number, Record& out,
                std::uint32_t& count) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&out);
    for (std::uint32_t offset = 0; offset < sizeof(Record); offset += protocol::kVendorPayloadSize) {
        std::uint8_t piece[4];
        protocol::detail::put32(piece, offset);
        const auto reply =
            fwsim::askEntry(protocol::VendorInterface::AmdFirst, which, handle, number, piece, sizeof piece);
        if (!reply || reply->status != kOk) {
            return statusOf(reply);
        }
        count = reply->value;
        if (number >= count) {
            return kOk; // nothing to copy: there is no such record
        }
        const std::size_t size = std::min<std::size_t>(sizeof(Record) - offset, protocol::kVendorPayloadSize);
        std::memcpy(bytes + offset, reply->payload.data(), size);
    }
    return kOk;
}

bool created() {
    return g_alloc.load() != nullptr;
}

} // namespace

// DllMain as the runtime's library start-up calls it, BOOL WINAPI DllMain(HINSTANCE, DWORD,
// LPVOID), spelled without <windows.h>.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) {
    return 1;
}

extern "C" int ADL_Main_Control_Create(AllocFn alloc, int /*enumConnectedAdapters*/) {
    if (alloc == nullptr) {
        return kInvalidParameter;
    }
    const int status = statusOf(call(entry::kMainControlCreate, 0, 0));
    if (status == kOk) {
        g_alloc.store(alloc);
    }
    return status;
}

extern "C" int ADL_Main_Control_Destroy() {
    return g_alloc.exchange(nullptr) != nullptr ? kOk : kNotInitialized;
}

extern "C" int ADL_Adapter_NumberOfAdapters_Get(int* count) {
    if (!created()) {
        return kNotInitialized;
    }
    if (count == nullptr) {
        return kInvalidParameter;
    }
    const auto reply = call(entry::kNumberOfAdapters, 0, 0);
    if (statusOf(reply) == kOk) {
        *count = static_cast<int>(reply->value);
    }
    return statusOf(reply);
}

// `inputSize` is the size of the caller's array in bytes.
extern "C" int ADL_Adapter_AdapterInfo_Get(platform::AdlAdapterInfo* info, int inputSize) {
    if (!created()) {
        return kNotInitialized;
    }
    if (info == nullptr || inputSize < static_cast<int>(sizeof(platform::AdlAdapterInfo))) {
        return kInvalidParameter;
    }
    const auto room = static_cast<std::uint32_t>(inputSize) / sizeof(platform::AdlAdapterInfo);
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < room && i < kMaxRecords; ++i) {
        platform::AdlAdapterInfo record;
        const int status = fetchRecord(entry::kAdapterInfo, room, i, record, count);
        if (status != kOk) {
            return status;
        }
        if (i >= count) {
            break;
        }
        info[i] = record;
    }
    return kOk;
}

extern "C" int ADL_Adapter_Active_Get(int adapter, int* status) {
    if (!created()) {
        return kNotInitialized;
    }
    if (status == nullptr) {
        return kInvalidParameter;
    }
    const auto reply = call(entry::kAdapterActive, adapter, 0);
    if (statusOf(reply) == kOk) {
        *status = static_cast<int>(reply->value);
    }
    return statusOf(reply);
}

extern "C" int ADL_Display_DisplayInfo_Get(int adapter, int* count, platform::AdlDisplayInfo** info,
                                           int /*forceDetect*/) {
    if (!created()) {
        return kNotInitialized;
    }
    if (count == nullptr || info == nullptr) {
        return kInvalidParameter;
    }
    platform::AdlDisplayInfo first;
    std::uint32_t displays = 0;
    int status = fetchRecord(entry::kDisplayInfo, static_cast<std::uint32_t>(adapter), 0, first, displays);
    if (status != kOk) {
        return status;
    }
    if (displays > kMaxRecords) {
        return kError;
    }
    platform::AdlDisplayInfo* records = nullptr;
    if (displays > 0) {
        records = static_cast<platform::AdlDisplayInfo*>(
            g_alloc.load()(static_cast<int>(displays * sizeof(platform::AdlDisplayInfo))));
        if (records == nullptr) {
            return kError;
        }
        records[0] = first;
        for (std::uint32_t i = 1; i < displays && status == kOk; ++i) {
            std::uint32_t again = 0;
            status =
                fetchRecord(entry::kDisplayInfo, static_cast<std::uint32_t>(adapter), i, records[i], again);
        }
    }
    // The memory is the caller's to free, whatever the answer.
    *info = records;
    *count = status == kOk ? static_cast<int>(displays) : 0;
    return status;
}

extern "C" int ADL_Display_EdidData_Get(int adapter, int display, platform::AdlDisplayEdidData* data) {
    if (!created()) {
        return kNotInitialized;
    }
    if (data == nullptr || data->size != static_cast<int>(sizeof(platform::AdlDisplayEdidData))) {
        return kInvalidParameter;
    }
    const auto reply =
        call(entry::kEdidData, adapter, static_cast<std::uint32_t>(display), data, sizeof *data);
    if (statusOf(reply) == kOk) {
        std::memcpy(data, reply->payload.data(), sizeof *data);
    }
    return statusOf(reply);
}
