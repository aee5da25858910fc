// Starting the application of a rule. Portable.
#include "controller/commands/RunCommand.h"

#include "common/Trace.h"
#include "controller/Context.h"

#define CMD_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

// Takes the next alternative, up to the next comma outside double quotes, off the front of
// `rest`. The quotes stay in the alternative, so that a quoted program name with blanks (a path
// under "Program Files") reaches the split into program and arguments whole, and quoted
// arguments keep their quotes for the program's command line. Returns Context's codes: a field
// with more to follow, the last field, or an unterminated quote (nothing taken).
std::int32_t nextAlternative(std::wstring& rest, std::wstring& alternative) {
    bool quoted = false;
    std::size_t i = 0;
    for (; i < rest.size(); ++i) {
        if (rest[i] == Context::kDefaultQuote) {
            quoted = !quoted;
        } else if (rest[i] == Context::kDefaultSeparator && !quoted) {
            break;
        }
    }
    if (quoted) {
        return Context::kErrorUnterminated;
    }
    alternative = rest.substr(0, i);
    if (i >= rest.size()) {
        rest.clear();
        return Context::kLastToken;
    }
    rest.erase(0, i + 1);
    return Context::kSuccess;
}

} // namespace

RunCommand::RunCommand(platform::Registry& registry, platform::Windowing& windowing,
                       platform::InputFocus& focus, platform::Shell& shell, platform::WindowHandle activate)
    : m_registry(registry), m_windowing(windowing), m_focus(focus), m_shell(shell), m_hActivateWnd(activate) {
}

int RunCommand::setCmdInfo(const CmdInfo* rule) {
    CMD_SCOPE("RunCommand::setCmdInfo");
    m_pCmdInfo = rule;
    return 0;
}

int RunCommand::setInstalledApplication() {
    CMD_SCOPE("RunCommand::setInstalledApplication");
    if (m_pCmdInfo == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    std::wstring alternatives = m_pCmdInfo->getParam();
    for (;;) {
        std::wstring alternative;
        const std::int32_t code = nextAlternative(alternatives, alternative);
        if (code < 0) {
            TRACE_ERROR(L"ERROR Context::getNextToken():0x%08x", static_cast<unsigned>(code));
            return 0;
        }
        Context words(alternative, L' ');
        std::wstring file;
        if (words.getNextToken(file) < 0) {
            TRACE_ERROR(L"ERROR Context::getNextToken():0x%08x",
                        static_cast<unsigned>(Context::kErrorUnterminated));
            return 0;
        }
        const std::wstring& rest = words.getText();
        const std::size_t start = rest.find_first_not_of(L" \t\r\n");
        m_strFile = file;
        m_strArguments = start == std::wstring::npos ? std::wstring() : rest.substr(start);
        if (IsInstalled(m_strFile) == 1) {
            TRACE_MSG(L"Installed [%ls]", m_strFile.c_str());
            return 1;
        }
        if (code == Context::kLastToken) {
            return 0;
        }
    }
}

bool RunCommand::keyExists(const wchar_t* appPaths, const std::wstring& file) {
    const std::wstring path = std::wstring(appPaths) + L"\\" + file;
    platform::ScopedRegKey key(m_registry);
    if (m_registry.openKey(platform::kHkeyLocalMachine, path.c_str(), platform::RegAccess::Read, key.out()) !=
        platform::error::kSuccess) {
        return false;
    }
    return true;
}

int RunCommand::IsInstalled(const std::wstring& file) {
    CMD_SCOPE("RunCommand::IsInstalled");
    // An empty name would open the App Paths key itself; it names no program.
    if (file.empty() || file.find_first_not_of(L'\\') == std::wstring::npos) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    if (keyExists(kAppPathsKey, file) || keyExists(kAppPathsWow64Key, file)) {
        return 1;
    }
    return 0;
}

void RunCommand::ActivateWnd(platform::WindowHandle window) {
    CMD_SCOPE("RunCommand::ActivateWnd");
    const std::uint32_t ownThread = m_focus.windowThreadProcessId(window, nullptr);
    const std::uint32_t foregroundThread =
        m_focus.windowThreadProcessId(m_windowing.foregroundWindow(), nullptr);
    m_focus.attachThreadInput(foregroundThread, ownThread, true);
    m_focus.setForegroundWindow(window);
    m_focus.attachThreadInput(foregroundThread, ownThread, false);
}

int RunCommand::execute() {
    CMD_SCOPE("RunCommand::execute");
    if (m_pCmdInfo == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    setInstalledApplication();
    ActivateWnd(m_hActivateWnd);
    if (m_strFile.empty() ||
        !m_shell.shellExecute(m_strFile.c_str(), m_strArguments.c_str(), platform::sw::kShowNormal)) {
        TRACE_ERROR(L"ERROR ShellExecute()");
        return 0;
    }
    return 1;
}
