// The step model of the scenario language: what one line of a scenario asks for (a world
// set-up, an action of the controller, the TV, the PC or the user, a wait, a checkpoint or an
// expectation), as the parser makes it and the runner plays it. Nothing here knows how a
// world carries a step out; tools/scenario/README.md describes the language.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scenario {

enum class Hive { Machine, User };

// Registry value types, as the registry stores them.
inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// The monitor-device values a display arrangement is named by.
namespace arrangement {
inline constexpr std::uint32_t kPanel = 0x1;
inline constexpr std::uint32_t kClone = 0x80;
inline constexpr std::uint32_t kHdmi = 0x100;
inline constexpr std::uint32_t kPanelExtended = 0x2000000; // panel primary, HDMI extended
inline constexpr std::uint32_t kHdmiExtended = 0x4000000;  // HDMI primary, panel extended
} // namespace arrangement

enum class SoundOutput { Speaker, Hdmi };
enum class Route { SetStreamPath, RoutingChange };
enum class SoundChanger { Running, Stopped, Missing };

// Something a step does to the world. The payload fields a kind uses are named beside it.
enum class ActionKind {
    // World set-up.
    TvVendor,              // value: 24-bit vendor identifier
    TvCec,                 // flag: the TV speaks CEC
    TvPluggedInto,         // address: the TV input the PC's cable goes into
    TvState,               // flag: powered on (else standby); hasInput: with toPc or address (0: its tuner)
    Cable,                 // flag: plugged
    RegistrySet,           // hive, path, name, valueType, bytes
    RegistryDeleteValue,   // hive, path, name
    RegistryDeleteKey,     // hive, path
    DisplayDetectionDelay, // duration (nullopt: never detected)
    DisplaySwitchingDelay, // duration (nullopt: a switch never takes effect)
    DisplayArrangement,    // value: monitor-device value, set without any request
    DisplayMachine, // value: the simulated display model's machine kind (0 the stand-in display library, then
                    // the real one on each kind of notebook)
    DisplayQuirk,   // value: 0 HDMI reported as DVI, 1 no extended-to-extended switch; flag: on
    DisplayDriverModel,   // value: 1000, 1102 or 1105
    DisplayCrt,           // flag: an analog monitor connected on the VGA output
    DisplayRequest,       // value: a monitor-device value asked for directly (SetMonitorDevice)
    SoundChangerState,    // soundChanger
    LibraryRemove,        // text: file name
    CeccBusy,             // value: number of calls answered busy
    CeccFailing,          // flag
    CeccNeverAnswers,     // flag
    FirmwareHdmiControl,  // flag
    FirmwareWakeupFactor, // value
    FirmwareWakeupFails,  // value: number of wake-up factor reads that fail
    FirmwareEvent,        // value: any firmware event code
    CeccLogicalAddress,   // value: the logical address the CEC controller takes first when it allocates one
    CeccNotify,           // value: the status byte of a status-change notification
    FirmwareDevice,       // flag: present
    SystemLanguage,       // text: four hex digits
    SystemModel,          // text
    MessageBoxReaction,   // duration (nullopt: the user never answers by himself)
    AppInstall,           // text: program file name, name: its window class
    DiscDrive,            // value: 0 none, 1 a drive that ejects, 2 a drive that cannot eject
    // The controller.
    ControllerStart, // text: command line
    ControllerStop,
    // The TV.
    TvPowerOn,
    TvStandby,
    TvSwitch,             // address (nullopt: the PC, 0: its tuner), route
    TvRoutingInformation, // address (nullopt: the PC's)
    TvMenuRequest,        // value: [Menu Request Type]
    TvPlay,               // value: [Play Mode]
    TvDeckControl,        // value: [Deck Control Mode]
    TvGiveDeckStatus,     // value: [Status Request]
    TvGiveTunerStatus,    // value: [Status Request]
    TvSelectAnalogue,     // bytes: service
    TvSelectDigital,      // bytes: service
    TvTunerStep,          // flag: up
    TvRequestActiveSource,
    TvGiveOsdName,
    TvGiveVendorId,
    TvSend, // bytes: the whole frame, header included
    // The PC, its user and the other programs.
    RemoteKey, // value: key code
    Suspend,
    Resume, // value: wake-up factor
    SessionLock,
    SessionUnlock,
    SessionConsole,   // value: the active console session's identifier (1 at first)
    SessionEvent,     // value: WTS event code, address: session identifier (nullopt: the console's, 1)
    PowerEvent,       // value: WM_POWERBROADCAST event
    PostToController, // text: registered message name (empty: value is the message number), wParam, lParam
    OutputKey,
    BridgeTurnOffTv,
    BridgeChangeOutput,  // value: wParam
    BridgeTvEnhancement, // value: wParam
    SettingsChanged,
    KeyPress,         // value: virtual-key code
    AppFront,         // text: window class
    MessageBoxAnswer, // value: result (1 OK, 2 cancel)
    AppEnd,           // text: window class of the application that ends
    MenuChoose,       // text: a fragment of the control menu entry the user confirms
    MenuKey,          // value: the virtual key the user presses on the shown control menu
    // The settings program and its user.
    SettingsStart,
    SettingsClick, // value: control identifier (1 OK, 2 Cancel, or a check box)
    SettingsAbout,
    NoticeAnswer, // value: a NoticeAnswer
    // Programs of the machine and measurements, where the real programs run.
    ProgramStart,   // text: program file, arguments; the scenario goes on while it runs
    ProgramRun,     // text: program file, arguments; the scenario waits for its end
    MeasureLatency, // value: samples; flag: by <Request Active Source> (else <Give OSD Name>)
    MeasureIdle     // text: program file; duration: how long its use is measured
};

// What the user does to the controller's notice.
enum class NoticeAnswer : std::uint32_t { CheckBox = 1, Ok = 2, CloseBox = 3, Escape = 4 };

struct Action {
    ActionKind kind = ActionKind::ControllerStop;
    std::uint32_t value = 0;
    bool flag = false;
    std::optional<std::uint16_t> address;
    bool hasInput = false;
    bool toPc = false;
    std::optional<std::uint64_t> duration;
    Route route = Route::SetStreamPath;
    SoundChanger soundChanger = SoundChanger::Stopped;
    Hive hive = Hive::User;
    std::wstring path;
    std::wstring name;
    std::uint32_t valueType = 0;
    std::vector<std::uint8_t> bytes;
    std::wstring text;
    std::vector<std::wstring> arguments;
    std::uint64_t wParam = 0;
    std::uint64_t lParam = 0;
};

// A CEC frame an expectation looks for: exact bytes, or a fragment of its decoded text
// (compared without regard to case).
struct FramePattern {
    std::vector<std::uint8_t> bytes; // used when text is empty
    std::string text;
};

enum class ExpectKind {
    Frame,        // frame, negated (no such frame since the checkpoint), afterMs
    Display,      // value: monitor-device value
    Sound,        // sound
    Program,      // text: file (or its end), text2: parameters (hasText2), negated
    Window,       // text: class, text2: title, negated
    Registry,     // hive, path, name, valueType + bytes, or missing (valueType 0)
    Log,          // text, negated; count: exactly that many lines
    Notification, // value: 1 supported, 0 not supported; none: negated
    MessageBox,   // text (fragment; empty: any), negated
    MediaCommand, // value: the application command (flag: a given one; else any), negated
    Keys,         // text: the key events in order ("11 down, 43 down, ..."), text2: class of the focus window
                  // (hasText2), negated
    Eject,        // negated
    TvPower,      // flag: on
    TvInput,      // address (nullopt: its tuner), toPc
    TvShowingPc,  // flag
    ControllerRunning, // flag
    Menu,              // text: fragment of the offered entries, joined by " | " in order; negated
    SettingsBox,       // value: check box identifier, flag: checked; hasText2 with text2 "enabled"/"disabled"
    SettingsAbout,     // text: the version text the About dialog showed
    SettingsOpen,      // flag: the settings dialog is open
    FirmwareSetting,   // value: setting number, bytes[0]: 1 on, 0 off; or count: exactly this value
    Notice,            // value: what of the newest notice (a NoticeField), text: the text it shows
    MenuState,         // value: what of the control menu now (a MenuField), text: the text it shows
    ExitCode,          // value: the exit code of the last program run
    Process,           // path: program file, flag: running (else ended)
    File,              // path: the file, text: what it contains
    LogLayout          // every line of the trace log file in the controller's layout
};

// What an expectation on the control menu as it is now looks at.
enum class MenuField : std::uint32_t { Visible = 1, Hidden, Entries, Selected, Drawn };

// What an expectation on the controller's notice looks at: whether it is open, whether its box
// is checked, or one of its texts.
enum class NoticeField : std::uint32_t {
    Open = 1,
    Closed,
    Checked,
    Unchecked,
    Title,
    Message,
    CheckBoxText,
    Drawn
};

struct Expectation {
    ExpectKind kind = ExpectKind::ControllerRunning;
    bool negated = false;
    FramePattern frame;
    std::optional<std::uint64_t> afterMs;     // the frame comes exactly this long after the previous match
    std::optional<std::uint64_t> toleranceMs; // with afterMs: at most this far from it, early or late
    // Checked again until it holds, for at most this long (the step waits meanwhile); else once.
    std::optional<std::uint64_t> withinMs;
    std::optional<std::uint32_t> count; // log lines: exactly this many
    std::uint32_t value = 0;
    bool flag = false;
    SoundOutput sound = SoundOutput::Speaker;
    std::string text;
    std::string text2;
    bool hasText2 = false;
    Hive hive = Hive::User;
    std::wstring path;
    std::wstring name;
    std::uint32_t valueType = 0; // 0: the value is missing
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint16_t> address;
    bool toPc = false;
};

enum class StepKind { Action, Wait, Checkpoint, Note, Expect };

struct Step {
    std::size_t line = 0; // 1-based line in its file
    std::string source;   // the line as written, without comment and outer blanks
    StepKind kind = StepKind::Note;
    Action action;
    std::uint64_t waitMs = 0;
    std::string note;
    Expectation expectation;
};

struct Scenario {
    std::string file; // as named to the parser; used in messages ("file:line: ...")
    std::vector<Step> steps;
};

// A malformed line or an expectation that did not hold, with the place it comes from.
struct ScenarioError {
    std::string file;
    std::size_t line = 0;
    std::string message;
    // "file:line: message"
    std::string text() const { return file + ":" + std::to_string(line) + ": " + message; }
};

} // namespace scenario
