// Binding to the bridge library's key hook. Portable.
#include "controller/HdmiHookHelper.h"

#include "common/Trace.h"

#include <cwchar>
#include <string>

#define HOOK_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {
constexpr const wchar_t* kLibrarySubPath = L"\\Korvath Shared\\TVBRIDGE.dll";
}

HdmiHookHelper::HdmiHookHelper(platform::Libraries& libraries, platform::Shell& shell)
    : m_libraries(libraries), m_shell(shell) {}

HdmiHookHelper::~HdmiHookHelper() {
    if (m_hLibrary != 0) {
        m_libraries.free(m_hLibrary);
    }
}

int HdmiHookHelper::initialize() {
    HOOK_SCOPE("HdmiHookHelper::initialize");
    if (m_hLibrary == 0) {
        wchar_t folder[kPathChars] = {};
        if (!m_shell.commonProgramFilesFolder(folder, kPathChars)) {
            TRACE_ERROR(L"ERROR SHGetFolderPath");
            return 0;
        }
        folder[kPathChars - 1] = L'\0';
        const std::wstring path = std::wstring(folder) + kLibrarySubPath;
        if (path.size() >= static_cast<std::size_t>(kPathChars)) {
            TRACE_ERROR(L"ERROR Path too long");
            return 0;
        }
        TRACE_MSG(L"Tvbridge.dll Path:%ls", path.c_str());
        m_hLibrary = m_libraries.load(path.c_str());
        if (m_hLibrary == 0) {
            TRACE_ERROR(L"ERROR LoadLibrary()");
            return 0;
        }
    }
    m_pSetKeyHook = reinterpret_cast<SetKeyHookEntry>(m_libraries.bind(m_hLibrary, "HDMIHOOK_SetKeyHook"));
    m_pResetKeyHook =
        reinterpret_cast<ResetKeyHookEntry>(m_libraries.bind(m_hLibrary, "HDMIHOOK_ResetKeyHook"));
    m_pKeyHookProc = reinterpret_cast<KeyHookProcEntry>(m_libraries.bind(m_hLibrary, "HDMIHOOK_KeyHookProc"));
    return 1;
}

void HdmiHookHelper::uninitialize() {
    HOOK_SCOPE("HdmiHookHelper::uninitialize");
    if (m_hLibrary != 0) {
        m_libraries.free(m_hLibrary);
    }
    m_hLibrary = 0;
    m_pSetKeyHook = nullptr;
    m_pResetKeyHook = nullptr;
    m_pKeyHookProc = nullptr;
}

int HdmiHookHelper::SetKeyHook() {
    HOOK_SCOPE("HdmiHookHelper::SetKeyHook");
    if (m_pSetKeyHook == nullptr) {
        TRACE_ERROR(L"ERROR Unknown");
        return 0;
    }
    return m_pSetKeyHook();
}

int HdmiHookHelper::ResetKeyHook() {
    HOOK_SCOPE("HdmiHookHelper::ResetKeyHook");
    if (m_pResetKeyHook == nullptr) {
        TRACE_ERROR(L"ERROR Unknown");
        return 0;
    }
    return m_pResetKeyHook();
}
