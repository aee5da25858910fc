// The timeline of a scenario run. Portable.
#include "tools/scenario/Journal.h"

#include <cstdio>

namespace scenario {

void Journal::add(Event event) {
    m_events.push_back(std::move(event));
    if (m_listener) {
        m_listener(m_events.back());
    }
}

const char* Journal::label(EventKind kind) {
    switch (kind) {
    case EventKind::Step:
        return "step";
    case EventKind::Note:
        return "note";
    case EventKind::Held:
        return "held";
    case EventKind::Failure:
        return "FAILED";
    case EventKind::Frame:
        return "cec";
    case EventKind::DisplayRequest:
    case EventKind::Display:
        return "display";
    case EventKind::Sound:
        return "sound";
    case EventKind::Program:
        return "program";
    case EventKind::Notification:
        return "notice";
    case EventKind::MessageBox:
        return "msgbox";
    case EventKind::Launcher:
        return "launcher";
    case EventKind::Tv:
        return "tv";
    case EventKind::FirmwareEvent:
        return "event";
    case EventKind::MediaCommand:
        return "media";
    case EventKind::Keys:
        return "keys";
    case EventKind::Eject:
        return "disc";
    case EventKind::Controller:
        return "pc";
    case EventKind::Log:
        return "log";
    case EventKind::Result:
        return "result";
    }
    return "?";
}

std::string Journal::timeStamp(std::uint64_t ms) {
    char text[40];
    std::snprintf(text, sizeof text, "[%5llu.%03llu]", static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

std::string Journal::format(const Event& event) {
    char label[16];
    std::snprintf(label, sizeof label, "%-8s", Journal::label(event.kind));
    return timeStamp(event.time) + " " + label + " " + event.text;
}

} // namespace scenario
