// The simulator's side of the test graphics vendor libraries. Portable.
#include "tools/firmware-sim/VendorService.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace fwsim {

namespace {

namespace nv = platform::nv;

constexpr std::int32_t kAdlFailed = -1;      // the first AMD interface's general error
constexpr std::uint32_t kMaxAdlRecords = 64; // adapter records asked for at most

// A record of the request's payload; the caller's bytes as laid out in the interface.
template <typename Record> Record recordOf(const protocol::VendorRequest& request) {
    static_assert(sizeof(Record) <= protocol::kVendorPayloadSize);
    Record record;
    std::memcpy(&record, request.payload.data(), sizeof record);
    return record;
}

template <typename Record> void putRecord(protocol::VendorReply& reply, const Record& record) {
    static_assert(sizeof(Record) <= protocol::kVendorPayloadSize);
    std::memcpy(reply.payload.data(), &record, sizeof record);
}

void dispatch(platform::NvidiaDisplayInterface& nvidia, const protocol::VendorRequest& request,
              protocol::VendorReply& reply) {
    const auto handle = static_cast<std::uintptr_t>(request.handle);
    switch (request.entry) {
    case nv::id::kEnumDisplayHandle: {
        platform::NvDisplayHandle found = 0;
        reply.status = nvidia.enumDisplayHandle(request.argument, found);
        reply.handle = found;
        return;
    }
    case nv::id::kPhysicalGpusFromDisplay: {
        platform::NvPhysicalGpuHandle gpus[nv::kMaxPhysicalGpus] = {};
        std::uint32_t count = 0;
        reply.status = nvidia.physicalGpusFromDisplay(handle, gpus, count);
        reply.value = count;
        for (std::size_t i = 0; i < nv::kMaxPhysicalGpus; ++i) {
            protocol::detail::put64(reply.payload.data() + 8 * i, gpus[i]);
        }
        return;
    }
    case nv::id::kActiveOutputs:
    case nv::id::kConnectedOutputs: {
        std::uint32_t mask = 0;
        reply.status = request.entry == nv::id::kActiveOutputs ? nvidia.activeOutputs(handle, mask)
                                                               : nvidia.connectedOutputs(handle, mask);
        reply.value = mask;
        return;
    }
    case nv::id::kConnectorInfo: {
        auto info = recordOf<platform::NvConnectorInfo>(request);
        reply.status = nvidia.connectorInfo(handle, request.argument, info);
        putRecord(reply, info);
        return;
    }
    case nv::id::kEdid: {
        auto edid = recordOf<platform::NvEdid>(request);
        reply.status = nvidia.edid(handle, request.argument, edid);
        putRecord(reply, edid);
        return;
    }
    case nv::id::kDisplayDriverVersion: {
        auto version = recordOf<platform::NvDisplayDriverVersion>(request);
        reply.status = nvidia.displayDriverVersion(handle, version);
        putRecord(reply, version);
        return;
    }
    case nv::id::kGetView: {
        auto targets = recordOf<platform::NvViewTargetInfo>(request);
        std::uint32_t mode = 0;
        reply.status = nvidia.getView(handle, targets, mode);
        reply.extra = mode;
        reply.value = targets.count;
        putRecord(reply, targets);
        return;
    }
    case nv::id::kSetView: {
        const auto targets = recordOf<platform::NvViewTargetInfo>(request);
        reply.status = nvidia.setView(handle, targets, request.argument);
        return;
    }
    case nv::id::kSupportedViews: {
        std::uint32_t modes[nv::kMaxViewModes] = {};
        std::uint32_t count = 0;
        reply.status = nvidia.supportedViews(handle, modes, count);
        reply.value = count;
        std::memcpy(reply.payload.data(), modes, sizeof modes);
        return;
    }
    case nv::id::kEnumLogicalGpus:
    case nv::id::kEnumPhysicalGpus: {
        std::uint32_t count = 0;
        reply.status = request.entry == nv::id::kEnumLogicalGpus ? nvidia.logicalGpuCount(count)
                                                                 : nvidia.physicalGpuCount(count);
        reply.value = count;
        return;
    }
    default:
        reply.status = nv::kNoImplementation;
        return;
    }
}

namespace pdl_entry = protocol::amd_second;

// What an entry answers when it cannot be called.
std::int32_t uncallable(std::uint32_t entry) {
    constexpr std::int32_t kNoneFound = 0; // entries whose success is nonzero
    constexpr std::int32_t kFailed = 1;    // entries whose success is zero
    switch (entry) {
    case pdl_entry::kEnumDisplays:
    case pdl_entry::kGetConnectedDisplays:
    case pdl_entry::kGetConfiguration:
    case pdl_entry::kGetCapabilities:
        return kNoneFound;
    default:
        return kFailed;
    }
}

void dispatch(platform::AmdSecondDisplayInterface& pdl, const protocol::VendorRequest& request,
              protocol::VendorReply& reply) {
    const auto adapter = static_cast<std::int32_t>(request.handle);
    const auto index = static_cast<std::int32_t>(request.argument);
    switch (request.entry) {
    case pdl_entry::kEnumDisplays: {
        auto record = recordOf<platform::AtipdlDisplayRecord>(request);
        reply.status = pdl.enumDisplays(adapter, index, record);
        putRecord(reply, record);
        return;
    }
    case pdl_entry::kDisplayGetDeviceConfig: {
        auto config = recordOf<platform::AtipdlDeviceConfig>(request);
        reply.status = pdl.displayGetDeviceConfig(adapter, index, config);
        putRecord(reply, config);
        return;
    }
    case pdl_entry::kGetConnectedDisplays: {
        std::uint32_t mask = 0;
        reply.status = pdl.getConnectedDisplays(adapter, index, mask);
        reply.value = mask;
        return;
    }
    case pdl_entry::kGetConfiguration: {
        auto config = recordOf<platform::AtipdlControllerConfig>(request);
        reply.status = pdl.getConfiguration(adapter, index, config);
        putRecord(reply, config);
        return;
    }
    case pdl_entry::kGetCapabilities:
        reply.status = pdl.getCapabilities(adapter);
        return;
    case pdl_entry::kDisplayGetEdidData: {
        auto edid = recordOf<platform::AtipdlEdidRequest>(request);
        reply.status = pdl.displayGetEdidData(adapter, index, edid);
        putRecord(reply, edid);
        return;
    }
    case pdl_entry::kSetConfigurationEx:
        reply.status = pdl.setConfigurationEx(adapter, recordOf<platform::AtipdlConfigurationEx>(request));
        return;
    default:
        reply.status = uncallable(request.entry);
        return;
    }
}

namespace adl_entry = protocol::amd_first;

// The piece of `records[number]` at the byte offset that word 0 of the request's payload names;
// the reply's value is the number of records.
template <typename Record>
void putPiece(const protocol::VendorRequest& request, const std::vector<Record>& records,
              std::uint32_t number, protocol::VendorReply& reply) {
    reply.value = static_cast<std::uint32_t>(records.size());
    const std::uint32_t offset = protocol::detail::get32(request.payload.data());
    if (number >= records.size() || offset >= sizeof(Record)) {
        return;
    }
    const std::size_t size = std::min<std::size_t>(sizeof(Record) - offset, protocol::kVendorPayloadSize);
    std::memcpy(reply.payload.data(), reinterpret_cast<const std::uint8_t*>(&records[number]) + offset, size);
}

void dispatch(platform::AmdDisplayLibrary& adl, const protocol::VendorRequest& request,
              protocol::VendorReply& reply) {
    const auto adapter = static_cast<std::int32_t>(request.handle);
    switch (request.entry) {
    case adl_entry::kNumberOfAdapters: {
        std::int32_t count = 0;
        reply.status = adl.numberOfAdapters(count);
        reply.value = static_cast<std::uint32_t>(count);
        return;
    }
    case adl_entry::kAdapterInfo: {
        // `handle` is the number of records the caller's array holds.
        std::vector<platform::AdlAdapterInfo> records(
            std::min<std::uint64_t>(request.handle, kMaxAdlRecords));
        for (auto& record : records) {
            record.size = sizeof(record);
        }
        reply.status = adl.adapterInfo(records.empty() ? nullptr : records.data(),
                                       static_cast<std::int32_t>(records.size()));
        putPiece(request, records, request.argument, reply);
        return;
    }
    case adl_entry::kAdapterActive: {
        std::int32_t active = 0;
        reply.status = adl.adapterActive(adapter, active);
        reply.value = static_cast<std::uint32_t>(active);
        return;
    }
    case adl_entry::kDisplayInfo: {
        std::vector<platform::AdlDisplayInfo> displays;
        reply.status = adl.displayInfo(adapter, displays, 0);
        putPiece(request, displays, request.argument, reply);
        return;
    }
    case adl_entry::kEdidData: {
        auto data = recordOf<platform::AdlDisplayEdidData>(request);
        reply.status = adl.edidData(adapter, static_cast<std::int32_t>(request.argument), data);
        putRecord(reply, data);
        return;
    }
    default:
        reply.status = kAdlFailed;
        return;
    }
}

namespace igfx_call = protocol::intel;

void dispatch(platform::IntelDisplayInterface& igfx, const protocol::VendorRequest& request,
              protocol::VendorReply& reply) {
    constexpr std::size_t kDataAt = igfx_call::kDataIdSize;
    switch (request.entry) {
    case igfx_call::kEnumAttachableDevices: {
        char16_t name[igfx_call::kIntelDisplayNameChars + 1] = {};
        std::memcpy(name, request.payload.data(), igfx_call::kIntelDisplayNameChars * sizeof(char16_t));
        platform::IntelDevice device;
        reply.status = igfx.enumAttachableDevices(name, request.argument, device) ? 1 : 0;
        putRecord(reply, device);
        return;
    }
    case igfx_call::kGetDeviceData: {
        platform::Guid dataId;
        std::memcpy(&dataId, request.payload.data(), sizeof dataId);
        platform::IntelEdidRequest edid;
        std::memcpy(&edid, request.payload.data() + kDataAt, sizeof edid);
        std::uint32_t status = 0;
        reply.status = igfx.getDeviceData(dataId, edid, status) ? 1 : 0;
        reply.value = status;
        std::memcpy(reply.payload.data() + kDataAt, &edid, sizeof edid);
        return;
    }
    case igfx_call::kSetConfiguration: {
        platform::Guid dataId;
        std::memcpy(&dataId, request.payload.data(), sizeof dataId);
        platform::IntelConfigRecord record;
        std::memcpy(&record, request.payload.data() + kDataAt, sizeof record);
        std::uint32_t status = 0;
        reply.status = igfx.setConfiguration(dataId, record, status) ? 1 : 0;
        reply.value = status;
        return;
    }
    default:
        reply.status = 0;
        return;
    }
}

} // namespace

protocol::VendorReply serveNvidia(platform::NvidiaDisplayInterface* nvidia,
                                  const protocol::VendorRequest& request) {
    protocol::VendorReply reply;
    reply.vendor = protocol::VendorInterface::Nvidia;
    if (nvidia == nullptr) {
        reply.status = nv::kDeviceNotFound;
        return reply;
    }
    if (!nvidia->load()) {
        reply.status = nv::kLibraryNotFound;
        return reply;
    }
    reply.status = nvidia->initialize();
    if (request.entry != nv::id::kInitialize && reply.status >= 0) {
        dispatch(*nvidia, request, reply);
    }
    nvidia->unload();
    return reply;
}

protocol::VendorReply serveAmdSecond(platform::AmdSecondDisplayInterface* pdl,
                                     const protocol::VendorRequest& request) {
    protocol::VendorReply reply;
    reply.vendor = protocol::VendorInterface::AmdSecond;
    reply.status = uncallable(request.entry);
    if (pdl == nullptr || !pdl->load()) {
        return reply;
    }
    if (pdl->hasAllEntries()) {
        dispatch(*pdl, request, reply);
    }
    pdl->unload();
    return reply;
}

protocol::VendorReply serveAmdFirst(platform::AmdDisplayLibrary* adl,
                                    const protocol::VendorRequest& request) {
    protocol::VendorReply reply;
    reply.vendor = protocol::VendorInterface::AmdFirst;
    reply.status = kAdlFailed;
    if (adl == nullptr || !adl->load()) {
        return reply;
    }
    if (adl->hasAllEntries()) {
        reply.status = adl->mainControlCreate(0);
        if (reply.status == platform::adl::kOk) {
            if (request.entry != adl_entry::kMainControlCreate) {
                dispatch(*adl, request, reply);
            }
            adl->mainControlDestroy();
        }
    }
    adl->unload();
    return reply;
}

protocol::VendorReply serveIntel(platform::IntelDisplayInterface* igfx,
                                 const protocol::VendorRequest& request) {
    protocol::VendorReply reply;
    reply.vendor = protocol::VendorInterface::Intel;
    reply.status = 0;
    if (igfx == nullptr || !igfx->comInitialize()) {
        return reply;
    }
    const platform::IntelInterface which = request.handle == igfx_call::kEdidInterface
                                               ? platform::IntelInterface::Edid
                                               : platform::IntelInterface::PresenceTest;
    if (igfx->create(which)) {
        if (request.entry == igfx_call::kCreate) {
            reply.status = 1;
        } else {
            dispatch(*igfx, request, reply);
        }
        igfx->release();
    }
    igfx->comUninitialize();
    return reply;
}

} // namespace fwsim
