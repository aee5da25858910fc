// The application launcher, its control menu and the notification dialog in the running
// controller: Launcher subkeys with any names, value types and sizes (labels of any length,
// no items at all), a screen of any size, then the menu shown when an application ends and
// when the PC becomes the active source, and the menu's and the notices' windows receiving any
// messages with any parameters, posted or sent by another program, keys from the user, the
// main window receiving launcher messages of items that do not exist and WM_END_APPLICATION
// with any parameters - between the events of the world the controller fuzz target plays.
#include "controller/SentrixdDlg.h"
#include "controller/commands/RunCommand.h"
#include "controller/menu/GuiMessages.h"
#include "controller/menu/GuiWindowProcedure.h"
#include "tests/fuzz/ControllerHarness.h"

namespace {

using fuzzing::pick;

using namespace fuzzing::controller;

constexpr int kMaxEvents = 48;
constexpr int kMaxSubkeys = 6;
constexpr const wchar_t* kLauncherKey = L"SOFTWARE\\KORVATH\\Sentrixd\\Launcher";
constexpr const wchar_t* kProductKey = L"SOFTWARE\\KORVATH\\Sentrixd";

const wchar_t* const kItemValues[] = {L"Special", L"DisplayName", L"CmdParam", L"MediaCenter"};
const wchar_t* const kPrograms[] = {L"Avdeck.exe", L"KorDVD.exe", L"Netreel.exe", L"PowerCinema.exe",
                                    L"WinDVD.exe"};
const wchar_t* const kLauncherMessages[] = {
    L"QUICKMENU_NOTIFY_LAUNCH_ALDER",  L"QUICKMENU_NOTIFY_LAUNCH_BIRCH",
    L"QUICKMENU_NOTIFY_LAUNCH_CEDAR",  L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA",
    L"QUICKMENU_NOTIFY_LAUNCH_WINDVD", L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER",
    L"QUICKMENU_NOTIFY_CLOSE_BIRCH",   L"QUICKMENU_NOTIFY_CLOSE_MENU",
};
constexpr platform::MessageId kWindowMessages[] = {
    gui::msg::kCreate,
    gui::msg::kDestroy,
    gui::msg::kSize,
    gui::msg::kActivate,
    gui::msg::kKillFocus,
    gui::msg::kPaint,
    gui::msg::kClose,
    gui::msg::kGetMinMaxInfo,
    gui::msg::kKeyDown,
    gui::msg::kKeyUp,
    gui::msg::kChar,
    gui::msg::kSysKeyDown,
    gui::msg::kSysKeyUp,
    gui::msg::kSysChar,
    gui::msg::kTimer,
    gui::msg::kMouseMove,
    gui::msg::kLButtonDown,
    gui::msg::kLButtonUp,
    gui::msg::kLButtonDblClk,
    gui::msg::kRButtonDown,
    gui::msg::kMouseWheel,
    0x0110 /* WM_INITDIALOG */,
    0x0111 /* WM_COMMAND */,
    0x0014 /* WM_ERASEBKGND */,
    0x0135 /* WM_CTLCOLORBTN */,
    0x0138 /* WM_CTLCOLORSTATIC */,
    0x0136 /* WM_CTLCOLORDLG */,
};
constexpr std::uint32_t kKeys[] = {0x0D, 0x1B, 0x26, 0x28, 0x25, 0x27, 0x21, 0x22, 0x24, 0x23, 0x09, 0x20};

std::wstring fuzzedText(FuzzedDataProvider& input, std::size_t maxBytes) {
    const std::string bytes = input.ConsumeRandomLengthString(maxBytes);
    return fuzzing::utf16Text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A label: short, as wide as the screen or wider, or any UTF-16 text.
std::wstring label(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return L"Player";
    case 1:
        return std::wstring(input.ConsumeIntegralInRange<std::size_t>(60, 400), L'W');
    default:
        return fuzzedText(input, 600);
    }
}

// A value of a Launcher subkey: the expected type most of the time, any type and size else.
void writeItemValue(FuzzedDataProvider& input, sim::SimRegistry& registry, platform::RegKey hive,
                    const std::wstring& key) {
    const std::wstring name =
        input.ConsumeIntegralInRange(0, 7) != 0 ? pick(input, kItemValues) : fuzzedText(input, 40);
    if (input.ConsumeBool()) {
        if (name == L"Special" || name == L"MediaCenter") {
            registry.setDword(hive, key, name, input.ConsumeIntegralInRange<std::uint32_t>(0, 9));
        } else {
            registry.setString(hive, key, name, label(input));
        }
        return;
    }
    const auto type = input.ConsumeIntegralInRange<std::uint32_t>(0, 12);
    std::vector<std::uint8_t> data =
        input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 1100));
    registry.setValue(hive, key, name, type, data);
}

// The Launcher key with its subkeys, in one hive or both (the per-user copy is made from the
// machine's), the launcher shown when an application ends, some of the built-in programs
// installed.
void writeLauncher(FuzzedDataProvider& input, sim::SimRegistry& registry) {
    const int hives = input.ConsumeIntegralInRange(0, 2); // 0: machine, 1: user, 2: both
    const auto write = [&](auto&& each) {
        if (hives != 1) {
            each(platform::kHkeyLocalMachine);
        }
        if (hives != 0) {
            each(platform::kHkeyCurrentUser);
        }
    };
    // Mostly the menu shown when an application ends, and Media Center offered, so that most
    // inputs reach the menu.
    const std::uint32_t showMode =
        input.ConsumeBool() ? 1 : input.ConsumeIntegralInRange<std::uint32_t>(0, 2);
    const std::uint32_t mediaCenter =
        input.ConsumeBool() ? 1 : input.ConsumeIntegralInRange<std::uint32_t>(0, 2);
    write([&](platform::RegKey hive) {
        registry.setDword(hive, kProductKey, L"LauncherShowMode", showMode);
        if (mediaCenter != 2) {
            registry.setDword(hive, kLauncherKey, L"MediaCenter", mediaCenter);
        }
    });
    for (int i = input.ConsumeIntegralInRange(0, kMaxSubkeys); i > 0; --i) {
        std::wstring subkey = input.ConsumeBool() ? L"Item" + std::to_wstring(i) : fuzzedText(input, 160);
        if (subkey.empty() || subkey.find(L'\\') != std::wstring::npos) {
            subkey = L"Item";
        }
        const std::wstring key = std::wstring(kLauncherKey) + L"\\" + subkey;
        const int values = input.ConsumeIntegralInRange(0, 4);
        write([&](platform::RegKey hive) { registry.ensureKey(hive, key); });
        for (int v = 0; v < values; ++v) {
            const platform::RegKey hive =
                hives == 1 ? platform::kHkeyCurrentUser : platform::kHkeyLocalMachine;
            writeItemValue(input, registry, hive, key);
            if (hives == 2) {
                writeItemValue(input, registry, platform::kHkeyCurrentUser, key);
            }
        }
    }
    for (const wchar_t* program : kPrograms) {
        if (input.ConsumeBool()) {
            registry.ensureKey(platform::kHkeyLocalMachine,
                               std::wstring(RunCommand::kAppPathsKey) + L"\\" + program);
        }
    }
}

platform::WParam anyWParam(FuzzedDataProvider& input) {
    return input.ConsumeIntegral<platform::WParam>();
}
platform::LParam anyLParam(FuzzedDataProvider& input) {
    return input.ConsumeIntegral<platform::LParam>();
}

platform::MessageId windowMessage(FuzzedDataProvider& input) {
    return input.ConsumeIntegralInRange(0, 3) != 0 ? pick(input, kWindowMessages)
                                                   : input.ConsumeIntegral<std::uint16_t>();
}

// Another program's message to a window of the controller: posted, or sent (the window
// procedure runs at once).
void deliver(ControllerRun& run, platform::WindowHandle window, FuzzedDataProvider& input, bool menu) {
    const platform::MessageId message = windowMessage(input);
    const platform::WParam wParam = anyWParam(input);
    platform::LParam lParam = anyLParam(input);
    // Windows refuses to post the system messages that carry a pointer and copies their record
    // into the receiving process when they are sent, so another program cannot hand the window
    // an address of its choosing: those are only sent, with a record of their own.
    platform::MinTrackSize size{};
    const bool carriesPointer = message == gui::msg::kGetMinMaxInfo || message == gui::msg::kCreate;
    if (carriesPointer) {
        if (!menu) {
            return;
        }
        lParam = message == gui::msg::kGetMinMaxInfo ? reinterpret_cast<platform::LParam>(&size) : 0;
    }
    if (menu && (carriesPointer || input.ConsumeBool())) {
        GuiWindowProcedure::instance().windowProc(window, message, wParam, lParam);
    } else {
        run.world.desktop().post(window, message, wParam, lParam, 0);
    }
}

void playLauncherEvent(FuzzedDataProvider& input, ControllerRun& run) {
    simrun::SimController& controller = *run.controller;
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0: // an application ended: the menu again
        controller.post(WM_END_APPLICATION, input.ConsumeIntegralInRange<platform::WParam>(1, 6), 0);
        break;
    case 1: // a watch's message with parameters no watch sends
        controller.post(WM_END_APPLICATION, anyWParam(input), anyLParam(input));
        break;
    case 2: { // an item's message, of an item that may not exist
        const std::wstring name =
            input.ConsumeBool() ? std::wstring(pick(input, kLauncherMessages)) : label(input);
        const platform::MessageId message = run.world.desktop().registerMessage(name.c_str());
        if (message != 0) {
            controller.post(message, anyWParam(input), anyLParam(input));
        }
        break;
    }
    case 3:
        if (QuickMenu* menu = controller.menu()) {
            deliver(run, menu->window(), input, true);
        }
        break;
    case 4:
        controller.menus().press(input.ConsumeBool() ? pick(input, kKeys)
                                                     : input.ConsumeIntegral<std::uint8_t>());
        break;
    case 5: {
        const auto notices = controller.noticesShown();
        if (!notices.empty()) {
            const auto& notice = notices[input.ConsumeIntegralInRange<std::size_t>(0, notices.size() - 1)];
            deliver(run, notice.window, input, false);
        }
        break;
    }
    case 6:
        controller.menus().drawing().setFullScreen(input.ConsumeIntegralInRange(0, 4096),
                                                   input.ConsumeIntegralInRange(0, 4096));
        break;
    default:
        run.play(input);
        return;
    }
    run.wait(input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ControllerRun run(input);
    writeLauncher(input, run.world.registry());
    run.start(input);
    for (int i = 0; i < kMaxEvents && input.remaining_bytes() > 0 && run.running(); ++i) {
        playLauncherEvent(input, run);
    }
    return 0;
}
