// The window condition of a command rule. Portable.
#include "controller/ApplicationCondition.h"

#include "common/Text.h"
#include "common/Trace.h"
#include "controller/Context.h"

#include <algorithm>

ApplicationCondition::ApplicationCondition(platform::Windowing& windowing) : m_windowing(windowing) {}

ApplicationCondition::~ApplicationCondition() = default;

std::int32_t ApplicationCondition::setCmdInfo(const CmdInfo* pCmdInfo) {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::setCmdInfo");
    if (pCmdInfo == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kErrorNoCmdInfo;
    }
    m_pCmdInfo = pCmdInfo;
    m_strClassName.clear();
    m_strWindowName.clear();
    m_strOption.clear();
    Context context(pCmdInfo->getCondition());
    for (std::wstring* field : {&m_strClassName, &m_strWindowName, &m_strOption}) {
        const std::int32_t rc = context.getNextToken(*field);
        if (rc < 0) {
            TRACE_ERROR(L"ERROR Context::getNextToken():0x%08x", static_cast<unsigned>(rc));
            return rc;
        }
    }
    return kSuccess;
}

int ApplicationCondition::isMatch() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isMatch");
    if (m_pCmdInfo == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    const std::uint32_t flags = m_pCmdInfo->m_dwCondition;
    if (flags == 0) {
        return 1;
    }
    if (((flags & kTopmost) != 0 && isTopmost()) || ((flags & kParentTopmost) != 0 && isParentTopmost()) ||
        ((flags & kExist) != 0 && isExist()) || ((flags & kMaximize) != 0 && isMaximize()) ||
        ((flags & kMinimize) != 0 && isMinimize())) {
        return 1;
    }
    TRACE_ERROR(L"ERROR Condition is Unmatch");
    return 0;
}

platform::WindowHandle ApplicationCondition::isTopmostApp(std::wstring_view className) {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isTopmostApp");
    const platform::WindowHandle foreground = m_windowing.foregroundWindow();
    if (foreground == 0) {
        TRACE_MSG(L"Forground is NULL");
        return 0;
    }
    const std::wstring foregroundClass = windowClassName(foreground);
    const std::wstring specified(className);
    TRACE_MSG(L"Foreground ClassName is [%ls] / Specified ClassName is [%ls]", foregroundClass.c_str(),
              specified.c_str());
    return containsClassName(foregroundClass, specified) ? foreground : 0;
}

bool ApplicationCondition::containsClassName(std::wstring_view className, std::wstring_view name) {
    if (name.empty() || name.size() > className.size()) {
        return false;
    }
    for (std::size_t at = 0; at + name.size() <= className.size(); ++at) {
        if (className[at] != name[0]) {
            continue;
        }
        if (text::equalsNoCase(className.substr(at, name.size()), name)) {
            return true;
        }
    }
    return false;
}

bool ApplicationCondition::isTopmost() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isTopmost");
    return isTopmost(m_windowing.foregroundWindow());
}

bool ApplicationCondition::isTopmost(platform::WindowHandle window) {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isTopmost");
    if (window == 0) {
        TRACE_ERROR(L"ERROR Forground is NULL");
        return false;
    }
    return containsClassName(windowClassName(window), m_strClassName);
}

bool ApplicationCondition::isParentTopmost() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isParentTopmost");
    const platform::WindowHandle foreground = m_windowing.foregroundWindow();
    const platform::WindowHandle parent = foreground != 0 ? m_windowing.parentWindow(foreground) : 0;
    if (parent == 0) {
        TRACE_ERROR(L"ERROR Parent is NULL");
        return false;
    }
    return isTopmost(parent);
}

platform::WindowHandle ApplicationCondition::isFound() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isFound");
    const platform::WindowHandle window =
        m_windowing.findWindow(m_strClassName.empty() ? nullptr : m_strClassName.c_str(),
                               m_strWindowName.empty() ? nullptr : m_strWindowName.c_str());
    if (window == 0) {
        TRACE_ERROR(L"ERROR Not Find Window");
    }
    return window;
}

bool ApplicationCondition::isExist() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isExist");
    return isFound() != 0;
}

std::uint32_t ApplicationCondition::getWindowStyle() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::getWindowStyle");
    const platform::WindowHandle window = isFound();
    if (window == 0) {
        TRACE_ERROR(L"ERROR Not Find Window");
        return 0;
    }
    return m_windowing.windowStyle(window);
}

bool ApplicationCondition::isMaximize() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isMaximize");
    return (getWindowStyle() & platform::kWsMaximize) != 0;
}

bool ApplicationCondition::isMinimize() {
    TRACE_SCOPE(TraceModule::Sentrixd, "ApplicationCondition::isMinimize");
    return (getWindowStyle() & platform::kWsMinimize) != 0;
}

std::wstring ApplicationCondition::windowClassName(platform::WindowHandle window) {
    wchar_t buffer[kClassNameChars] = {};
    const int length = m_windowing.className(window, buffer, kClassNameChars);
    if (length <= 0) {
        return std::wstring();
    }
    return std::wstring(buffer, static_cast<std::size_t>(std::min(length, kClassNameChars - 1)));
}
