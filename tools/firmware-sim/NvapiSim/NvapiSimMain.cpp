// nvapi64.dll for end-to-end runs only: the NVIDIA display interface whose hardware is the
// firmware simulator's (its machine with NVIDIA graphics, sim/SimNvidiaDisplay over the
// simulated display hardware), reached over the pipe that the machine-hive setting
// "FirmwarePipe" names. It is put into the system folder of a test machine, never shipped.
// The one export nvapi_QueryInterface hands out the entries the display library uses, by
// their interface identifiers; unknown identifiers give null, as the driver's library does.
// Each entry checks its arguments and the size in its record's version word here, before it
// reads the caller's record, sends the call with the record to the simulator and writes back
// what the simulated interface answered. Entries called before a successful initialisation
// answer kNotInitialized; a simulator that cannot be reached makes every call fail (kError).
// Win32 only.
#include "platform/NvidiaDisplayInterface.h"
#include "tools/firmware-sim/VendorSimPipe.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

namespace nv = platform::nv;
namespace protocol = fwsim::protocol;

using Handle = void*;

std::atomic<bool> g_initialized{false};

std::uint64_t handleValue(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// One entry's call: `reply` holds the simulator's answer when the status it returns came from
// there.
nv::Status call(std::uint32_t entry, Handle handle, std::uint32_t argument, protocol::VendorReply& reply,
                const void* record = nullptr, std::size_t recordSize = 0) {
    if (!g_initialized.load()) {
        return nv::kNotInitialized;
    }
    const auto answer = fwsim::askEntry(protocol::VendorInterface::Nvidia, entry, handleValue(handle),
                                        argument, record, recordSize);
    if (!answer) {
        return nv::kError;
    }
    reply = *answer;
    return reply.status;
}

// A record whose version word names the size the interface defines for it; its version
// number is the simulated interface's to judge. Only the version word is read here.
template <typename Record> nv::Status checkRecord(const Record* record) {
    if (record == nullptr) {
        return nv::kInvalidArgument;
    }
    std::uint32_t version = 0;
    std::memcpy(&version, record, sizeof version);
    return (version & 0xFFFF) == sizeof(Record) ? nv::kOk : nv::kIncompatibleStructVersion;
}

// The entries that exchange one record: the caller's record goes out, the answer comes back
// into it when the entry succeeded.
template <typename Record>
nv::Status recordEntry(std::uint32_t entry, Handle handle, std::uint32_t argument, Record* record) {
    if (const nv::Status status = checkRecord(record); status != nv::kOk) {
        return status;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(entry, handle, argument, reply, record, sizeof(Record));
    if (status == nv::kOk) {
        std::memcpy(record, reply.payload.data(), sizeof(Record));
    }
    return status;
}

nv::Status __cdecl initialize() {
    g_initialized.store(true); // lets the call through; set again from its answer
    protocol::VendorReply reply;
    const nv::Status status = call(nv::id::kInitialize, nullptr, 0, reply);
    g_initialized.store(status >= 0);
    return status;
}

nv::Status __cdecl enumDisplayHandle(std::uint32_t index, Handle* display) {
    if (display == nullptr) {
        return nv::kInvalidArgument;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(nv::id::kEnumDisplayHandle, nullptr, index, reply);
    if (status == nv::kOk) {
        *display = reinterpret_cast<Handle>(static_cast<std::uintptr_t>(reply.handle));
    }
    return status;
}

nv::Status __cdecl physicalGpusFromDisplay(Handle display, Handle* gpus, std::uint32_t* count) {
    if (gpus == nullptr || count == nullptr) {
        return nv::kInvalidArgument;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(nv::id::kPhysicalGpusFromDisplay, display, 0, reply);
    if (status == nv::kOk) {
        // The caller's array holds the interface's maximum of handles; never more are written.
        const std::size_t n = std::min<std::size_t>(reply.value, nv::kMaxPhysicalGpus);
        for (std::size_t i = 0; i < n; ++i) {
            gpus[i] = reinterpret_cast<Handle>(
                static_cast<std::uintptr_t>(protocol::detail::get64(reply.payload.data() + 8 * i)));
        }
        *count = reply.value;
    }
    return status;
}

nv::Status outputs(std::uint32_t entry, Handle gpu, std::uint32_t* mask) {
    if (mask == nullptr) {
        return nv::kInvalidArgument;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(entry, gpu, 0, reply);
    if (status == nv::kOk) {
        *mask = reply.value;
    }
    return status;
}

nv::Status __cdecl activeOutputs(Handle gpu, std::uint32_t* mask) {
    return outputs(nv::id::kActiveOutputs, gpu, mask);
}

nv::Status __cdecl connectedOutputs(Handle gpu, std::uint32_t* mask) {
    return outputs(nv::id::kConnectedOutputs, gpu, mask);
}

nv::Status __cdecl connectorInfo(Handle gpu, std::uint32_t output, platform::NvConnectorInfo* info) {
    return recordEntry(nv::id::kConnectorInfo, gpu, output, info);
}

nv::Status __cdecl edid(Handle gpu, std::uint32_t output, platform::NvEdid* edid) {
    return recordEntry(nv::id::kEdid, gpu, output, edid);
}

nv::Status __cdecl displayDriverVersion(Handle display, platform::NvDisplayDriverVersion* version) {
    return recordEntry(nv::id::kDisplayDriverVersion, display, 0, version);
}

nv::Status __cdecl getView(Handle display, platform::NvViewTargetInfo* targets,
                           std::uint32_t* targetMaskCount, std::uint32_t* viewMode) {
    if (viewMode == nullptr) {
        return nv::kInvalidArgument;
    }
    if (const nv::Status status = checkRecord(targets); status != nv::kOk) {
        return status;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(nv::id::kGetView, display, 0, reply, targets, sizeof *targets);
    if (status == nv::kOk) {
        std::memcpy(targets, reply.payload.data(), sizeof *targets);
        *viewMode = reply.extra;
        if (targetMaskCount != nullptr) {
            *targetMaskCount = reply.value;
        }
    }
    return status;
}

nv::Status __cdecl setView(Handle display, platform::NvViewTargetInfo* targets, std::uint32_t viewMode) {
    if (const nv::Status status = checkRecord(targets); status != nv::kOk) {
        return status;
    }
    protocol::VendorReply reply;
    return call(nv::id::kSetView, display, viewMode, reply, targets, sizeof *targets);
}

nv::Status __cdecl supportedViews(Handle display, std::uint32_t* modes, std::uint32_t* count) {
    if (modes == nullptr || count == nullptr) {
        return nv::kInvalidArgument;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(nv::id::kSupportedViews, display, 0, reply);
    if (status == nv::kOk) {
        // `count` comes in as the room of `modes`.
        const std::size_t n = std::min<std::size_t>({reply.value, *count, nv::kMaxViewModes});
        std::memcpy(modes, reply.payload.data(), n * sizeof(std::uint32_t));
        *count = reply.value;
    }
    return status;
}

nv::Status gpuCount(std::uint32_t entry, Handle* handles, std::uint32_t* count) {
    if (handles == nullptr || count == nullptr) {
        return nv::kInvalidArgument;
    }
    protocol::VendorReply reply;
    const nv::Status status = call(entry, nullptr, 0, reply);
    if (status == nv::kOk) {
        const std::size_t n = std::min<std::size_t>(reply.value, nv::kMaxPhysicalGpus);
        for (std::size_t i = 0; i < n; ++i) {
            handles[i] = reinterpret_cast<Handle>(static_cast<std::uintptr_t>(0x7000 + i));
        }
        *count = reply.value;
    }
    return status;
}

nv::Status __cdecl enumLogicalGpus(Handle* handles, std::uint32_t* count) {
    return gpuCount(nv::id::kEnumLogicalGpus, handles, count);
}

nv::Status __cdecl enumPhysicalGpus(Handle* handles, std::uint32_t* count) {
    return gpuCount(nv::id::kEnumPhysicalGpus, handles, count);
}

template <typename Function> void* entryOf(Function* function) {
    return reinterpret_cast<void*>(function);
}

} // namespace

// DllMain as the runtime's library start-up calls it, BOOL WINAPI DllMain(HINSTANCE, DWORD,
// LPVOID), spelled without <windows.h>.
extern "C" int __stdcall DllMain(void* /*module*/, unsigned long /*reason*/, void* /*reserved*/) {
    return 1;
}

extern "C" void* __cdecl nvapi_QueryInterface(unsigned int id) {
    switch (id) {
    case nv::id::kInitialize:
        return entryOf(&initialize);
    case nv::id::kEnumDisplayHandle:
        return entryOf(&enumDisplayHandle);
    case nv::id::kPhysicalGpusFromDisplay:
        return entryOf(&physicalGpusFromDisplay);
    case nv::id::kActiveOutputs:
        return entryOf(&activeOutputs);
    case nv::id::kConnectedOutputs:
        return entryOf(&connectedOutputs);
    case nv::id::kConnectorInfo:
        return entryOf(&connectorInfo);
    case nv::id::kEdid:
        return entryOf(&edid);
    case nv::id::kDisplayDriverVersion:
        return entryOf(&displayDriverVersion);
    case nv::id::kGetView:
        return entryOf(&getView);
    case nv::id::kSetView:
        return entryOf(&setView);
    case nv::id::kSupportedViews:
        return entryOf(&supportedViews);
    case nv::id::kEnumLogicalGpus:
        return entryOf(&enumLogicalGpus);
    case nv::id::kEnumPhysicalGpus:
        return entryOf(&enumPhysicalGpus);
    default:
        return nullptr;
    }
}
