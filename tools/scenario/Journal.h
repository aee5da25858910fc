// The timeline of a scenario run: every step played and everything observed (CEC frames on the
// bus, display and sound changes, programs started, notices, message boxes, trace log lines,
// ...), in the order it happened, with its time. The target writes what it observes, the runner
// writes the steps; expectations read it back, and a listener prints it as it grows.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scenario {

enum class EventKind {
    Step,           // text: the step as written
    Note,           // text
    Held,           // text: the expectation as written
    Failure,        // text: "file:line: message" and the step as written
    Frame,          // bytes: the frame; text: its decoded form
    DisplayRequest, // value: the arrangement asked for
    Display,        // value: the arrangement now
    Sound,          // value: 1 HDMI, 0 speaker
    Program,        // subject: file; detail: parameters
    Notification,   // value: 1 supported, 0 not supported
    MessageBox,     // subject: text; detail: caption
    Launcher,       // the control menu was offered
    Tv,             // the TV's power or input changed
    FirmwareEvent,  // value: the event code (hot plug, remote key)
    MediaCommand,   // value: the application command
    Keys,           // subject: class of the focus window; detail: the batch's key events ("11 down, 11 up")
    Eject,          // the disc was ejected
    Controller,     // the controller started or ended
    Log,            // subject: the trace log line (without its thread and time stamps)
    Result,         // text: a measurement's "name=value"
};

struct Event {
    std::uint64_t time = 0; // milliseconds since the scenario started
    EventKind kind = EventKind::Note;
    std::string text; // the printed text
    std::vector<std::uint8_t> bytes;
    std::string subject;
    std::string detail;
    std::int64_t value = 0;
};

// An event with its time, kind and printed text; the other fields empty.
inline Event makeEvent(std::uint64_t time, EventKind kind, std::string text) {
    Event event;
    event.time = time;
    event.kind = kind;
    event.text = std::move(text);
    return event;
}

class Journal {
public:
    using Listener = std::function<void(const Event&)>;

    void add(Event event);
    const std::vector<Event>& events() const { return m_events; }
    std::size_t size() const { return m_events.size(); }
    // Forgets the events recorded so far (long runs read them part by part).
    void clear() { std::vector<Event>().swap(m_events); }
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // "[   12.345] cec      Playback 1 -> TV: Menu Status [activated]"
    static std::string format(const Event& event);
    // "[   12.345]"
    static std::string timeStamp(std::uint64_t ms);
    // The label printed for a kind ("cec", "display", ...).
    static const char* label(EventKind kind);

private:
    std::vector<Event> m_events;
    Listener m_listener;
};

} // namespace scenario
