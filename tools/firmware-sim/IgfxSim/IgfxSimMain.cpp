// igfxsim.dll for end-to-end runs only: an in-process COM server of the Intel graphics driver's
// object, whose hardware is the firmware simulator's (its machine with Intel graphics,
// sim/SimIntelDisplay over the simulated display hardware), reached over the pipe that the
// machine-hive setting "FirmwarePipe" names. A test registers its class under the
// programmatic identifier "IgfxExt.CUIExternal" with the class identifier kClassId; it is
// never shipped.
// The object offers IUnknown and the interface it was created with (the presence-test or the
// EDID interface), each with the driver's three methods. Creating it asks the simulator
// whether the simulated object can be created with that interface. Each method checks its
// arguments and record sizes here, then sends the call to the simulator; a call that the
// simulator does not answer fails (E_FAIL).
// Win32 only.
#include "platform/IntelDisplayInterface.h"
#include "tools/firmware-sim/VendorSimPipe.h"

#include <windows.h>
#include <objbase.h>

#include "platform/win32/Win32IntelComInterface.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>

namespace {

namespace protocol = fwsim::protocol;
namespace call = protocol::intel;

// {6C1E2A47-5D0B-4F3A-9E61-2B7D8C4F1A90}: the test class.
constexpr GUID kClassId{0x6C1E2A47, 0x5D0B, 0x4F3A, {0x9E, 0x61, 0x2B, 0x7D, 0x8C, 0x4F, 0x1A, 0x90}};

std::atomic<long> g_objects{0};

GUID toGuid(const platform::Guid& guid) {
    GUID out;
    std::memcpy(&out, &guid, sizeof out);
    return out;
}

const GUID kPresenceInterface = toGuid(platform::igfx::kPresenceInterface);
const GUID kEdidInterface = toGuid(platform::igfx::kEdidInterface);

std::optional<protocol::VendorReply> ask(std::uint32_t entry, std::uint64_t which, std::uint32_t argument,
                                         const void* data = nullptr, std::size_t size = 0) {
    return fwsim::askEntry(protocol::VendorInterface::Intel, entry, which, argument, data, size);
}

using platform::win32::IntelDisplayDevices;

class Object final : public IntelDisplayDevices {
public:
    Object(const GUID& iid, std::uint64_t which) : m_iid(iid), m_which(which) { ++g_objects; }
    ~Object() { --g_objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, m_iid)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IntelDisplayDevices*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --m_references;
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE EnumAttachableDevices(BSTR display, LONG index, DWORD* deviceId,
                                                    DWORD* deviceType, DWORD* status) override {
        if (display == nullptr || deviceId == nullptr || deviceType == nullptr || status == nullptr ||
            index < 0) {
            return E_INVALIDARG;
        }
        const std::size_t length = std::wcslen(display);
        if (length > call::kIntelDisplayNameChars) {
            return E_INVALIDARG;
        }
        const auto reply = ask(call::kEnumAttachableDevices, m_which, static_cast<std::uint32_t>(index),
                               display, length * sizeof(wchar_t));
        if (!reply || reply->status != 1) {
            return E_FAIL;
        }
        platform::IntelDevice device;
        std::memcpy(&device, reply->payload.data(), sizeof device);
        *deviceId = device.id;
        *deviceType = device.type;
        *status = device.status;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(GUID dataId, DWORD size, BYTE* data, LONG* status) override {
        return exchange<platform::IntelEdidRequest>(call::kGetDeviceData, dataId, size, data, status, true);
    }
    HRESULT STDMETHODCALLTYPE SetDeviceConfig(GUID dataId, DWORD size, BYTE* data, LONG* status) override {
        // The record's own size word and its display name, terminated within its characters,
        // are checked here; what the fields ask for is the simulated object's to judge.
        if (data != nullptr && size == sizeof(platform::IntelConfigRecord)) {
            platform::IntelConfigRecord record;
            std::memcpy(&record, data, sizeof record);
            if (record.size != sizeof record ||
                std::find(std::begin(record.display), std::end(record.display), u'\0') ==
                    std::end(record.display)) {
                return E_INVALIDARG;
            }
        }
        return exchange<platform::IntelConfigRecord>(call::kSetConfiguration, dataId, size, data, status,
                                                     false);
    }

private:
    // A call with the data identifier and the caller's record, which must be of the record's
    // size; the record comes back when `answered` and the call succeeded.
    template <typename Record>
    HRESULT exchange(std::uint32_t entry, const GUID& dataId, DWORD size, BYTE* data, LONG* status,
                     bool answered) {
        if (data == nullptr || status == nullptr || size != sizeof(Record)) {
            return E_INVALIDARG;
        }
        std::uint8_t payload[call::kDataIdSize + sizeof(Record)];
        std::memcpy(payload, &dataId, call::kDataIdSize);
        std::memcpy(payload + call::kDataIdSize, data, sizeof(Record));
        const auto reply = ask(entry, m_which, 0, payload, sizeof payload);
        if (!reply || reply->status != 1) {
            return E_FAIL;
        }
        if (answered) {
            std::memcpy(data, reply->payload.data() + call::kDataIdSize, sizeof(Record));
        }
        *status = static_cast<LONG>(reply->value);
        return S_OK;
    }

    std::atomic<long> m_references{1};
    GUID m_iid;
    std::uint64_t m_which;
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IClassFactory)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // The one factory lives as long as the library.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        std::uint64_t which = 0;
        if (IsEqualGUID(iid, kPresenceInterface) || IsEqualGUID(iid, IID_IUnknown)) {
            which = call::kPresenceInterface;
        } else if (IsEqualGUID(iid, kEdidInterface)) {
            which = call::kEdidInterface;
        } else {
            return E_NOINTERFACE;
        }
        const auto reply = ask(call::kCreate, which, 0);
        if (!reply || reply->status != 1) {
            return E_FAIL;
        }
        *out = static_cast<IntelDisplayDevices*>(
            new Object(IsEqualGUID(iid, IID_IUnknown) ? kPresenceInterface : iid, which));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL /*lock*/) override { return S_OK; }
};

Factory g_factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!IsEqualGUID(clsid, kClassId)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_objects.load() == 0 ? S_OK : S_FALSE;
}
