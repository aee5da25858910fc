// The parts of the steps that are the same in every world. Portable.
#include "tools/scenario/SharedActions.h"

#include "common/Text.h"

#include <cstdio>

namespace scenario {

platform::RegKey hiveKey(Hive hive) {
    return hive == Hive::Machine ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser;
}

std::string writeRegistryValue(platform::Registry& registry, const Action& a) {
    platform::ScopedRegKey key(registry);
    if (registry.createKey(hiveKey(a.hive), a.path.c_str(), platform::RegAccess::Write, key.out(), nullptr) !=
        platform::error::kSuccess) {
        return "the registry refuses the key " + text::toUtf8(a.path);
    }
    const platform::ErrorCode error = registry.setValue(key, a.name.c_str(), a.valueType, a.bytes.data(),
                                                        static_cast<std::uint32_t>(a.bytes.size()));
    return error == platform::error::kSuccess
               ? std::string()
               : "the registry refuses the value " +
                     (a.name.empty() ? std::string("@") : text::toUtf8(a.name));
}

std::optional<ControllerPost> controllerPost(const Action& a) {
    ControllerPost post;
    switch (a.kind) {
    case ActionKind::PostToController:
        post.name = a.text;
        post.message = a.value;
        post.wParam = a.wParam;
        post.lParam = a.lParam;
        if (a.text.empty()) {
            char what[32];
            std::snprintf(what, sizeof what, "message 0x%x", a.value);
            post.what = what;
        } else {
            post.what = text::toUtf8(a.text);
        }
        return post;
    case ActionKind::SettingsChanged:
        post.name = L"SENTRIXSET_CHANGED";
        post.from = Sender::SettingsProgram;
        post.what = "SENTRIXSET_CHANGED";
        return post;
    case ActionKind::ControllerStop:
        post.message = platform::wm::kClose;
        post.what = "the close request (WM_CLOSE)";
        return post;
    default:
        return std::nullopt;
    }
}

} // namespace scenario
