// The bridge library's requests to the controller. Portable.
#include "bridge/TvbridgeRequests.h"

#include "common/ControllerIdentity.h"

namespace {

// The caller's 32-bit value as a window message parameter, converted as a C cast would.
platform::WParam toWParam(std::int32_t value) {
    return static_cast<platform::WParam>(value);
}

} // namespace

std::int32_t TvbridgeRequests::useTvEnhancement(std::int32_t value) {
    return post(kUseTvEnhancementMessage, toWParam(value));
}

std::int32_t TvbridgeRequests::queryTurnOffTv() {
    return post(kQueryTurnOffTvMessage, 0);
}

std::int32_t TvbridgeRequests::changeHdmiOutput(std::int32_t output) {
    return post(kChangeHdmiOutputMessage, toWParam(output));
}

std::int32_t TvbridgeRequests::post(const wchar_t* messageName, platform::WParam wParam) {
    const platform::MessageId message = m_windowing.registerMessage(messageName);
    if (message == 0) {
        return kNotRegistered;
    }
    const platform::WindowHandle controller =
        m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    if (controller != 0) {
        m_windowing.postMessage(controller, message, wParam, 0); // a failed post is not reported
    }
    return kRegistered;
}
