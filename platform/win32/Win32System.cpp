// Libraries, shell, session, locale and WMI over Win32. Win32 only.
#include "platform/win32/Win32System.h"

#include <windows.h>

#include <algorithm>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wbemidl.h>
#include <wtsapi32.h>

namespace platform::win32 {
namespace {
HWND toHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
} // namespace

LibraryHandle Win32Libraries::load(const wchar_t* fileName) {
    return reinterpret_cast<LibraryHandle>(::LoadLibraryW(fileName));
}

EntryPoint Win32Libraries::bind(LibraryHandle library, const char* entryName) {
    if (library == 0 || entryName == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<EntryPoint>(::GetProcAddress(reinterpret_cast<HMODULE>(library), entryName));
}

bool Win32Libraries::free(LibraryHandle library) {
    return library != 0 && ::FreeLibrary(reinterpret_cast<HMODULE>(library)) != FALSE;
}

bool Win32Libraries::restrictSearchPath() {
    // Bound at run time: Windows 7 has the call only with its security update KB2533623.
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto call = kernel != nullptr
                          ? reinterpret_cast<SetDefaultDllDirectoriesCall>(
                                reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                          : nullptr;
    if (call == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    constexpr DWORD kApplicationDir = 0x00000200; // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
    constexpr DWORD kSystem32 = 0x00000800;       // LOAD_LIBRARY_SEARCH_SYSTEM32
    return call(kApplicationDir | kSystem32) != FALSE;
}

std::uint32_t Win32Shell::moduleFileName(wchar_t* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, capacity);
    if (length >= capacity) {
        // Cut: Windows Vista and later terminate the cut path, Windows XP and Wine fill the whole
        // buffer without a terminator. Terminate it here so that callers never read past it.
        buffer[capacity - 1] = L'\0';
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return capacity;
    }
    return length;
}

bool Win32Shell::commonProgramFilesFolder(wchar_t* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity < MAX_PATH) {
        return false;
    }
    return SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON | CSIDL_FLAG_CREATE, nullptr,
                                        SHGFP_TYPE_CURRENT, buffer));
}

bool Win32Shell::windowsFolder(wchar_t* buffer, std::uint32_t capacity) {
    if (buffer == nullptr || capacity < MAX_PATH) {
        return false;
    }
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_WINDOWS | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                  path))) {
        return false;
    }
    std::copy(path, path + MAX_PATH, buffer);
    return true;
}

bool Win32Shell::shellExecute(const wchar_t* file, const wchar_t* parameters, int showCommand) {
    const HINSTANCE result = ::ShellExecuteW(nullptr, nullptr, file, parameters, nullptr, showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32Shell::initCommonControls(std::uint32_t classes) {
    INITCOMMONCONTROLSEX init = {};
    init.dwSize = sizeof(init);
    init.dwICC = classes;
    return ::InitCommonControlsEx(&init) != FALSE;
}

bool Win32Session::registerSessionNotification(WindowHandle window) {
    return ::WTSRegisterSessionNotification(toHwnd(window), NOTIFY_FOR_THIS_SESSION) != FALSE;
}

bool Win32Session::unregisterSessionNotification(WindowHandle window) {
    return ::WTSUnRegisterSessionNotification(toHwnd(window)) != FALSE;
}

std::uint32_t Win32Session::activeConsoleSessionId() {
    return ::WTSGetActiveConsoleSessionId();
}

std::uint32_t Win32Session::setThreadExecutionState(std::uint32_t flags) {
    return ::SetThreadExecutionState(static_cast<EXECUTION_STATE>(flags));
}

int Win32Locale::systemDefaultLanguage(wchar_t* buffer, int capacity) {
    return ::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_ILANGUAGE, buffer, capacity);
}

Win32Wmi::~Win32Wmi() {
    if (m_comInitialized) {
        ::CoUninitialize();
    }
}

bool Win32Wmi::ensureCom() {
    if (!m_comInitialized) {
        const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        m_comInitialized = SUCCEEDED(hr);
    }
    return m_comInitialized;
}

bool Win32Wmi::initializeSecurity() {
    if (!ensureCom()) {
        return false;
    }
    const HRESULT hr =
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_SECURE_REFS, nullptr);
    return SUCCEEDED(hr);
}

WmiConnection Win32Wmi::connect(const wchar_t* nameSpace) {
    if (!ensureCom() || nameSpace == nullptr) {
        return 0;
    }
    IWbemLocator* locator = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  reinterpret_cast<void**>(&locator)))) {
        return 0;
    }
    IWbemServices* services = nullptr;
    BSTR path = ::SysAllocString(nameSpace);
    const HRESULT hr =
        locator->ConnectServer(path, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
    ::SysFreeString(path);
    locator->Release();
    return SUCCEEDED(hr) ? reinterpret_cast<WmiConnection>(services) : 0;
}

bool Win32Wmi::firstInstanceString(WmiConnection connection, const wchar_t* className,
                                   const wchar_t* property, std::wstring& value) {
    auto* services = reinterpret_cast<IWbemServices*>(connection);
    if (services == nullptr || className == nullptr || property == nullptr) {
        return false;
    }
    IEnumWbemClassObject* instances = nullptr;
    BSTR name = ::SysAllocString(className);
    const HRESULT hr = services->CreateInstanceEnum(name, 0, nullptr, &instances);
    ::SysFreeString(name);
    if (FAILED(hr) || instances == nullptr) {
        return false;
    }
    IWbemClassObject* object = nullptr;
    ULONG returned = 0;
    bool found = false;
    if (SUCCEEDED(instances->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned)) &&
        returned == 1) {
        VARIANT variant;
        ::VariantInit(&variant);
        if (SUCCEEDED(object->Get(property, 0, &variant, nullptr, nullptr)) && variant.vt == VT_BSTR &&
            variant.bstrVal != nullptr) {
            value.assign(variant.bstrVal, ::SysStringLen(variant.bstrVal));
            found = true;
        }
        ::VariantClear(&variant);
        object->Release();
    }
    instances->Release();
    return found;
}

void Win32Wmi::release(WmiConnection connection) {
    if (auto* services = reinterpret_cast<IWbemServices*>(connection)) {
        services->Release();
    }
}

} // namespace platform::win32
