// The Intel graphics driver's COM object. Win32 only.
#include "platform/win32/Win32IntelDisplay.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "platform/win32/Win32IntelComInterface.h"

#include <cstring>

namespace platform::win32 {
namespace {

GUID toGuid(const Guid& guid) {
    GUID out;
    static_assert(sizeof(out) == sizeof(guid));
    std::memcpy(&out, &guid, sizeof(out));
    return out;
}

IntelDisplayDevices* object(void* pointer) {
    return static_cast<IntelDisplayDevices*>(pointer);
}

// A BSTR made from a display name, freed with the object.
class DisplayName {
public:
    explicit DisplayName(const char16_t* name)
        : m_text(SysAllocString(reinterpret_cast<const OLECHAR*>(name))) {}
    ~DisplayName() { SysFreeString(m_text); }
    DisplayName(const DisplayName&) = delete;
    DisplayName& operator=(const DisplayName&) = delete;
    BSTR get() const { return m_text; }

private:
    BSTR m_text;
};

} // namespace

Win32IntelDisplay::~Win32IntelDisplay() {
    release();
}

bool Win32IntelDisplay::comInitialize() {
    return SUCCEEDED(CoInitialize(nullptr));
}

void Win32IntelDisplay::comUninitialize() {
    CoUninitialize();
}

bool Win32IntelDisplay::create(IntelInterface which) {
    if (m_object != nullptr) {
        return false;
    }
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(igfx::kProgId), &clsid))) {
        return false;
    }
    const GUID iid =
        toGuid(which == IntelInterface::PresenceTest ? igfx::kPresenceInterface : igfx::kEdidInterface);
    void* pointer = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, igfx::kClassContext, iid, &pointer)) || pointer == nullptr) {
        return false;
    }
    m_object = pointer;
    return true;
}

void Win32IntelDisplay::release() {
    if (m_object != nullptr) {
        object(m_object)->Release();
        m_object = nullptr;
    }
}

bool Win32IntelDisplay::enumAttachableDevices(const char16_t* display, std::uint32_t index,
                                              IntelDevice& device) {
    DisplayName name(display);
    if (m_object == nullptr || name.get() == nullptr) {
        return false;
    }
    DWORD id = 0;
    DWORD type = 0;
    DWORD status = 0;
    if (FAILED(object(m_object)->EnumAttachableDevices(name.get(), static_cast<LONG>(index), &id, &type,
                                                       &status))) {
        return false;
    }
    device = IntelDevice{id, type, status};
    return true;
}

bool Win32IntelDisplay::getDeviceData(const Guid& dataId, IntelEdidRequest& request, std::uint32_t& status) {
    if (m_object == nullptr) {
        return false;
    }
    LONG out = 0;
    const HRESULT hr = object(m_object)->GetDeviceData(toGuid(dataId), sizeof(request),
                                                       reinterpret_cast<BYTE*>(&request), &out);
    status = static_cast<std::uint32_t>(out);
    return SUCCEEDED(hr);
}

bool Win32IntelDisplay::setConfiguration(const Guid& dataId, const IntelConfigRecord& record,
                                         std::uint32_t& status) {
    if (m_object == nullptr) {
        return false;
    }
    IntelConfigRecord copy = record; // the method takes a writable buffer
    LONG out = 0;
    const HRESULT hr =
        object(m_object)->SetDeviceConfig(toGuid(dataId), sizeof(copy), reinterpret_cast<BYTE*>(&copy), &out);
    status = static_cast<std::uint32_t>(out);
    return SUCCEEDED(hr);
}

} // namespace platform::win32
