// The expectations on the settings program's dialog and on the firmware's settings.
// Portable.
#include "common/Text.h"
#include "tools/scenario/ScenarioRunner.h"

#include <cstdio>

namespace scenario {

std::string ScenarioRunner::checkSettings(const Expectation& e) {
    const std::string unavailable = "this target cannot see the settings program or the firmware";
    switch (e.kind) {
    case ExpectKind::SettingsBox: {
        const std::optional<ScenarioTarget::SettingsBoxState> box =
            m_target.settingsBox(static_cast<int>(e.value));
        if (!box) {
            return m_target.settingsOpen().value_or(false)
                       ? "the settings dialog has no check box " + std::to_string(e.value)
                       : "the settings dialog is not open";
        }
        const std::string state = std::string(box->checked ? "checked" : "unchecked") + ", " +
                                  (box->enabled ? "enabled" : "disabled");
        const bool enabledHolds = !e.hasText2 || (e.text2 == "enabled") == box->enabled;
        return box->checked == e.flag && enabledHolds
                   ? std::string()
                   : "check box " + std::to_string(e.value) + " is " + state;
    }
    case ExpectKind::SettingsOpen: {
        const std::optional<bool> open = m_target.settingsOpen();
        if (!open) {
            return unavailable;
        }
        return *open == e.flag ? std::string()
                               : std::string("the settings dialog is ") + (*open ? "open" : "closed");
    }
    case ExpectKind::SettingsAbout: {
        const std::optional<std::wstring> version = m_target.settingsAboutVersion();
        if (!version) {
            return "the About dialog has not been opened";
        }
        return text::toUtf8(*version) == e.text
                   ? std::string()
                   : "the About dialog showed \"" + text::toUtf8(*version) + "\"";
    }
    case ExpectKind::FirmwareSetting: {
        const std::optional<std::uint32_t> value = m_target.firmwareSetting(e.value);
        if (!value) {
            return unavailable;
        }
        char name[16];
        std::snprintf(name, sizeof name, "0x%x", static_cast<unsigned>(e.value));
        if (e.count) {
            return *value == *e.count ? std::string()
                                      : "firmware setting " + std::string(name) + " is " +
                                            std::to_string(*value) + ", expected " + std::to_string(*e.count);
        }
        const bool on = *value != 0;
        return on == (!e.bytes.empty() && e.bytes[0] != 0)
                   ? std::string()
                   : "firmware setting " + std::string(name) + " is " + (on ? "on" : "off");
    }
    default:
        return "unknown expectation";
    }
}

} // namespace scenario
