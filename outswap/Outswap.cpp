// The output-change tool. Portable.
#include "outswap/Outswap.h"

#include "common/ControllerIdentity.h"
#include "common/Trace.h"

#include <cstdint>

namespace {

// The tool's log statements carry these source lines and this function name, which readers of
// the trace log know; they do not follow this file's layout.
constexpr int kEnterLine = 16;
constexpr int kRegisterErrorLine = 21;
constexpr const char* kFunctionName = "wWinMain";
constexpr auto kModule = static_cast<std::uint32_t>(TraceModule::Outswap);

} // namespace

int Outswap::run() {
    // Entry only: the tool writes no leave line.
    TraceLog::traceFormat("%s (%d) : Enter %s ", TRACE_SOURCE, kEnterLine, kFunctionName);
    TraceLog::traceFunction(kModule, TraceLog::kLevel, L"");

    const platform::MessageId message = m_windowing.registerMessage(kChangeOutputMessage);
    if (message == 0) {
        TraceLog::traceFormat("%s (%d) : ERROR!! in %s ", TRACE_SOURCE, kRegisterErrorLine, kFunctionName);
        TraceLog::traceError(kModule, TraceLog::kLevel, L"ERROR RegisterWindowMessage()");
        return kExitCode;
    }
    const platform::WindowHandle controller =
        m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    if (controller != 0) {
        m_windowing.postMessage(controller, message, 0, 0);
    }
    return kExitCode;
}
