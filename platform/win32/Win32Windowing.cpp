// Windowing port over user32.
// Win32 only.
//
// The dialog window. The controller's window is a "#32770" dialog whose every message must reach
// portable code, while that code can still ask for the dialog's standard processing. A dialog
// procedure alone cannot give that: it only sees what DefDlgProc passes on. So the window is
// created with a dialog procedure that, at WM_INITDIALOG, replaces the window procedure with
// clientProcedure (keeping the class procedure, DefDlgProc, in the binding). From then on:
//   message -> clientProcedure -> client.windowProc
//   client calls defaultWindowProc -> class procedure (DefDlgProc) -> dialogProcedure, which
//   returns FALSE, so DefDlgProc does its standard processing and never calls the client again.
#include "platform/win32/Win32Windowing.h"

#include "platform/win32/Win32Handles.h"

#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace platform::win32 {

namespace {

// Size of the hidden dialog in dialog units; it is never shown by this adapter.
constexpr short kDialogWidth = 200;
constexpr short kDialogHeight = 100;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU; // no WS_VISIBLE: hidden
constexpr int kMaxClassNameChars = 256;

// What a window made by createDialogWindow carries in its DWLP_USER slot.
struct DialogBinding {
    WindowClient* client = nullptr;
    WNDPROC classProcedure = nullptr; // the dialog class procedure (DefDlgProc)
    bool destroying = false;          // destroyWindow is destroying the window
};

// The binding of the dialog being created on this thread, taken by its WM_INITDIALOG. It is not
// passed in lParam, so a WM_INITDIALOG sent by another program cannot plant a pointer.
thread_local DialogBinding* t_pendingBinding = nullptr;

LRESULT CALLBACK clientProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The posted message that dispatchMessage is handing to a window procedure: the procedure of a
// registered class takes it (once) to tell a program's post from the system's own send.
struct PostedMessage {
    HWND window = nullptr;
    UINT message = 0;
    bool pending = false;
};
thread_local PostedMessage t_dispatchedPost;

// Procedures of the classes registered through registerWindowClass, by class atom.
std::map<ATOM, WindowClient*>& classProcedures() {
    static std::map<ATOM, WindowClient*> procedures;
    return procedures;
}

// The creation parameter of the window that createWindow is making on this thread.
struct PendingCreation {
    std::uintptr_t parameter = 0;
    bool active = false;
};
thread_local PendingCreation t_pendingCreation;

// Calls a class procedure; an exception never leaves a window procedure.
bool callProcedure(WindowClient& client, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                   LRESULT& result) {
    try {
        result = client.windowProc(fromHwnd(window), message, wParam, lParam);
        return true;
    } catch (...) {
        return false;
    }
}

LRESULT CALLBACK registeredClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool posted =
        t_dispatchedPost.pending && t_dispatchedPost.window == window && t_dispatchedPost.message == message;
    if (posted) {
        t_dispatchedPost.pending = false;
    }
    const auto found = classProcedures().find(static_cast<ATOM>(GetClassWord(window, GCW_ATOM)));
    if (found == classProcedures().end() || message == WM_NCCREATE || message == WM_NCDESTROY) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    WindowClient& client = *found->second;
    LRESULT result = 0;
    switch (message) {
    case WM_CREATE:
        if (posted || !t_pendingCreation.active) {
            return 0; // not the window's own creation: nothing for the client
        }
        t_pendingCreation.active = false;
        if (!callProcedure(client, window, message, wParam, static_cast<LPARAM>(t_pendingCreation.parameter),
                           result)) {
            return -1;
        }
        return result;
    case WM_DESTROY:
        if (posted) {
            return 0; // a program's post, never the window's destruction
        }
        break;
    case WM_GETMINMAXINFO: {
        if (posted || lParam == 0) {
            return 0; // only the system's own request carries a record
        }
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        MinTrackSize size{info->ptMinTrackSize.x, info->ptMinTrackSize.y};
        if (!callProcedure(client, window, message, wParam, reinterpret_cast<LPARAM>(&size), result)) {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        info->ptMinTrackSize.x = size.width;
        info->ptMinTrackSize.y = size.height;
        return result;
    }
    default:
        break;
    }
    if (!callProcedure(client, window, message, wParam, lParam, result)) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return result;
}

// The binding of one of our dialog windows, or null for any other window.
DialogBinding* bindingOf(HWND window) {
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != &clientProcedure) {
        return nullptr;
    }
    return reinterpret_cast<DialogBinding*>(GetWindowLongPtrW(window, DWLP_USER));
}

// Calls the client; an exception never leaves a window procedure.
bool callClient(DialogBinding& binding, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                LRESULT& result) {
    try {
        result = binding.client->windowProc(fromHwnd(window), message, wParam, lParam);
        return true;
    } catch (...) {
        return false;
    }
}

LRESULT CALLBACK clientProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* binding = reinterpret_cast<DialogBinding*>(GetWindowLongPtrW(window, DWLP_USER));
    if (binding == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (isLifecycleMessage(message) && !binding->destroying) {
        // The window's own WM_INITDIALOG reached the client through dialogProcedure before this
        // procedure was installed, and its WM_DESTROY and WM_NCDESTROY come while destroyWindow
        // runs. Any other is a program's post or send: it must neither run the client's start-up
        // or teardown nor unbind the window (nor reach DefWindowProc, which would take a posted
        // WM_NCCREATE's lParam for a CREATESTRUCT).
        return 0;
    }
    LRESULT result = 0;
    if (!callClient(*binding, window, message, wParam, lParam, result)) {
        result = CallWindowProcW(binding->classProcedure, window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // The window's last message: give it back its class procedure and drop the binding.
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(binding->classProcedure));
        SetWindowLongPtrW(window, DWLP_USER, 0);
        delete binding;
    }
    return result;
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_INITDIALOG || t_pendingBinding == nullptr || bindingOf(window) != nullptr) {
        return FALSE; // DefDlgProc does the standard processing
    }
    DialogBinding* binding = t_pendingBinding;
    const auto classProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&clientProcedure)));
    if (classProcedure == nullptr) {
        return FALSE; // not bound; createDialogWindow sees the binding untaken and gives up
    }
    binding->classProcedure = classProcedure;
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    t_pendingBinding = nullptr;
    // The creation parameter means nothing to the client: lParam 0.
    LRESULT ignored = 0;
    callClient(*binding, window, WM_INITDIALOG, wParam, 0, ignored);
    return FALSE;
}

// DLGTEMPLATE with no menu, the default dialog class, the title and no controls.
std::vector<WORD> dialogTemplate(const wchar_t* title) {
    static_assert(sizeof(DLGTEMPLATE) % sizeof(WORD) == 0);
    DLGTEMPLATE header{};
    header.style = kDialogStyle;
    header.cx = kDialogWidth;
    header.cy = kDialogHeight;
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 2, 0); // + menu 0, class 0
    std::memcpy(words.data(), &header, sizeof(header));
    for (const wchar_t* c = title != nullptr ? title : L""; *c != L'\0'; ++c) {
        words.push_back(static_cast<WORD>(*c));
    }
    words.push_back(0);
    return words;
}

const wchar_t* anyIfEmpty(const wchar_t* text) {
    return text != nullptr && text[0] != L'\0' ? text : nullptr;
}

// WM_QUIT posted to a window by some program; the thread's own (PostQuitMessage) has none.
bool isPostedQuit(const MSG& msg) {
    return msg.message == WM_QUIT && msg.hwnd != nullptr;
}

Message toMessage(const MSG& msg) {
    Message message;
    message.window = fromHwnd(msg.hwnd);
    message.message = msg.message;
    message.wParam = msg.wParam;
    message.lParam = msg.lParam;
    return message;
}

} // namespace

MessageId Win32Windowing::registerMessage(const wchar_t* name) {
    return name != nullptr ? RegisterWindowMessageW(name) : 0;
}

WindowHandle Win32Windowing::findWindow(const wchar_t* className, const wchar_t* title) {
    return fromHwnd(FindWindowW(anyIfEmpty(className), anyIfEmpty(title)));
}

bool Win32Windowing::postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    const HWND target = window == kBroadcastWindow ? HWND_BROADCAST : toHwnd(window);
    return PostMessageW(target, message, wParam, lParam) != FALSE;
}

TimerId Win32Windowing::setTimer(WindowHandle window, TimerId id, std::uint32_t periodMs) {
    return SetTimer(toHwnd(window), id, periodMs, nullptr);
}

bool Win32Windowing::killTimer(WindowHandle window, TimerId id) {
    return KillTimer(toHwnd(window), id) != FALSE;
}

WindowHandle Win32Windowing::createDialogWindow(const wchar_t* title, WindowClient& client) {
    const std::vector<WORD> words = dialogTemplate(title);
    auto binding = std::make_unique<DialogBinding>();
    binding->client = &client;

    DialogBinding* const previous = std::exchange(t_pendingBinding, binding.get());
    const HWND window =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()),
                                   nullptr, &dialogProcedure, 0);
    const bool taken = t_pendingBinding != binding.get();
    t_pendingBinding = previous;
    if (taken) {
        binding.release(); // owned by the window now; freed at its WM_NCDESTROY
    }
    if (window == nullptr) {
        return 0;
    }
    if (!taken) {
        const DWORD error = GetLastError();
        DestroyWindow(window); // made, but it could not be bound to the client
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return fromHwnd(window);
}

LResult Win32Windowing::defaultWindowProc(WindowHandle window, MessageId message, WParam wParam,
                                          LParam lParam) {
    const HWND hwnd = toHwnd(window);
    if (const DialogBinding* binding = bindingOf(hwnd)) {
        return CallWindowProcW(binding->classProcedure, hwnd, message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Win32Windowing::destroyWindow(WindowHandle window) {
    const HWND hwnd = toHwnd(window);
    DialogBinding* binding = bindingOf(hwnd);
    if (binding != nullptr) {
        binding->destroying = true; // its WM_DESTROY and WM_NCDESTROY are the real ones
    }
    if (DestroyWindow(hwnd) != FALSE) {
        return true; // the binding went with the window's WM_NCDESTROY
    }
    const DWORD error = GetLastError();
    if (binding != nullptr && bindingOf(hwnd) == binding) {
        binding->destroying = false;
    }
    SetLastError(error);
    return false;
}

bool Win32Windowing::showWindow(WindowHandle window, int command) {
    return ShowWindow(toHwnd(window), command) != FALSE;
}

int Win32Windowing::getMessage(Message& message) {
    MSG msg{};
    BOOL result = FALSE;
    do {
        result = GetMessageW(&msg, nullptr, 0, 0);
        if (result == -1) {
            return -1;
        }
    } while (isPostedQuit(msg));
    message = toMessage(msg);
    return result != FALSE ? 1 : 0;
}

bool Win32Windowing::peekMessage(Message& message) {
    MSG msg{};
    do {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) == FALSE) {
            return false;
        }
    } while (isPostedQuit(msg));
    message = toMessage(msg);
    return true;
}

namespace {

// A keyboard message for a visible dialog or one of its controls: the dialog's own keyboard
// handling (IsDialogMessage) moves the focus on Tab and presses OK on Enter and Cancel on Esc,
// which includes translating and dispatching the message when the dialog does not take it.
bool dispatchedByDialog(MSG& msg) {
    if (msg.hwnd == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
        return false;
    }
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root == nullptr || IsWindowVisible(root) == FALSE) {
        return false;
    }
    wchar_t className[8] = {};
    if (GetClassNameW(root, className, 8) == 0 || std::wcscmp(className, L"#32770") != 0) {
        return false;
    }
    return IsDialogMessageW(root, &msg) != FALSE;
}

} // namespace

void Win32Windowing::dispatchMessage(const Message& message) {
    MSG msg{};
    msg.hwnd = toHwnd(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
    msg.time = static_cast<DWORD>(GetMessageTime());
    const DWORD position = GetMessagePos();
    msg.pt.x = static_cast<short>(LOWORD(position));
    msg.pt.y = static_cast<short>(HIWORD(position));
    if (dispatchedByDialog(msg)) {
        return;
    }
    TranslateMessage(&msg);
    t_dispatchedPost = PostedMessage{msg.hwnd, msg.message, true};
    DispatchMessageW(&msg);
    t_dispatchedPost = PostedMessage{};
}

void Win32Windowing::postQuitMessage(int exitCode) {
    PostQuitMessage(exitCode);
}

std::uint32_t Win32Windowing::waitForEventOrInput(SyncHandle event, std::uint32_t timeoutMs) {
    const HANDLE handle = toHandle(event);
    const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs, QS_ALLINPUT);
    switch (result) {
    case WAIT_OBJECT_0:
        return kMsgWaitSignalled;
    case WAIT_OBJECT_0 + 1:
        return kMsgWaitInput;
    case WAIT_TIMEOUT:
        return kWaitTimeout;
    default:
        return kWaitFailed;
    }
}

int Win32Windowing::messageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption,
                               std::uint32_t flags) {
    return MessageBoxW(toHwnd(owner), text, caption, flags);
}

WindowHandle Win32Windowing::foregroundWindow() {
    return fromHwnd(GetForegroundWindow());
}

WindowHandle Win32Windowing::parentWindow(WindowHandle window) {
    // The foreground window is always top-level, so its "parent" is what GetParent answers for
    // it: the owner of an owned pop-up window (a player's dialog, say). GetAncestor(GA_PARENT)
    // would answer the desktop for every top-level window.
    const HWND parent = GetParent(toHwnd(window));
    if (parent == nullptr || parent == GetDesktopWindow()) {
        return 0;
    }
    return fromHwnd(parent);
}

int Win32Windowing::className(WindowHandle window, wchar_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    wchar_t name[kMaxClassNameChars + 1] = {};
    int length = GetClassNameW(toHwnd(window), name, kMaxClassNameChars + 1);
    if (length <= 0) {
        return 0;
    }
    if (length > capacity - 1) {
        length = capacity - 1; // truncated as GetClassNameW truncates
    }
    if (length == 0) {
        return 0;
    }
    std::memcpy(buffer, name, static_cast<std::size_t>(length) * sizeof(wchar_t));
    buffer[length] = L'\0';
    return length;
}

std::uint32_t Win32Windowing::windowStyle(WindowHandle window) {
    return static_cast<std::uint32_t>(GetWindowLongW(toHwnd(window), GWL_STYLE));
}

bool Win32Windowing::registerWindowClass(const wchar_t* className, std::uint32_t classStyle,
                                         WindowClient& procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = &registeredClassProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    const ATOM atom = RegisterClassExW(&windowClass);
    if (atom == 0) {
        return false;
    }
    classProcedures()[atom] = &procedure;
    return true;
}

WindowHandle Win32Windowing::createWindow(const wchar_t* className, const wchar_t* title, std::uint32_t style,
                                          WindowHandle owner, std::uintptr_t creationParameter) {
    const PendingCreation previous =
        std::exchange(t_pendingCreation, PendingCreation{creationParameter, true});
    const HWND window =
        CreateWindowExW(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, toHwnd(owner), nullptr, GetModuleHandleW(nullptr), nullptr);
    t_pendingCreation = previous;
    return fromHwnd(window);
}

bool Win32Windowing::setWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width,
                                  int height, std::uint32_t flags) {
    return SetWindowPos(toHwnd(window), toHwnd(insertAfter), x, y, width, height, flags) != FALSE;
}

bool Win32Windowing::windowState(WindowHandle window, WindowState& state) {
    const HWND hwnd = toHwnd(window);
    RECT rect{};
    if (GetWindowRect(hwnd, &rect) == FALSE) {
        return false;
    }
    state.x = rect.left;
    state.y = rect.top;
    state.width = rect.right - rect.left;
    state.height = rect.bottom - rect.top;
    state.visible = IsWindowVisible(hwnd) != FALSE;
    state.topmost = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return true;
}

} // namespace platform::win32
