// Dialogs port over user32 and GDI. Win32 only.
//
// Each dialog has a dialog procedure that hands its messages to the DialogClient. The client is
// bound at WM_INITDIALOG from a thread-local slot rather than from lParam, so that a
// WM_INITDIALOG another program posts cannot plant a pointer; and the window's WM_DESTROY and
// WM_NCDESTROY reach the client only while this adapter (or the modal loop after endDialog)
// destroys the window, so that a posted one cannot run its teardown.
//
// Like the class library's dialogs, a top-level dialog that is still hidden after its
// WM_INITDIALOG, has not been moved by it and has no enabled owner is centred: over its owner
// when it has one, otherwise in the work area of its monitor. A template without DS_CENTER
// would otherwise leave it at the template's position, the top-left corner of the screen.
#include "platform/win32/Win32Dialogs.h"

#include "platform/win32/Win32Handles.h"

#include <memory>
#include <utility>

namespace platform::win32 {

namespace {

struct DialogBinding {
    DialogClient* client = nullptr;
    HICON icon = nullptr;
    bool destroying = false;
};

thread_local DialogBinding* t_pendingBinding = nullptr;

// The work area of the dialog's monitor.
RECT workArea(HWND dialog) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor) != FALSE) {
        return monitor.rcWork;
    }
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void centreAfterInit(HWND dialog, const RECT& before) {
    const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    if ((style & (WS_CHILD | WS_VISIBLE)) != 0) {
        return;
    }
    RECT now{};
    if (GetWindowRect(dialog, &now) == FALSE || now.left != before.left || now.top != before.top) {
        return; // placed by its own initialisation
    }
    const HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner != nullptr && IsWindowEnabled(owner) != FALSE) {
        return;
    }
    const RECT work = workArea(dialog);
    RECT area = work;
    if (owner != nullptr && IsWindowVisible(owner) != FALSE && IsIconic(owner) == FALSE) {
        GetWindowRect(owner, &area);
    }
    const LONG width = now.right - now.left;
    const LONG height = now.bottom - now.top;
    LONG x = (area.left + area.right) / 2 - width / 2;
    LONG y = (area.top + area.bottom) / 2 - height / 2;
    // Kept inside the work area, its top-left corner (the caption) first.
    x = x + width > work.right ? work.right - width : x;
    y = y + height > work.bottom ? work.bottom - height : y;
    x = x < work.left ? work.left : x;
    y = y < work.top ? work.top : y;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HINSTANCE programInstance() {
    return GetModuleHandleW(nullptr);
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

DialogBinding* bindingOf(HWND window) {
    if (window == nullptr || IsWindow(window) == FALSE ||
        reinterpret_cast<DLGPROC>(GetWindowLongPtrW(window, DWLP_DLGPROC)) != &dialogProcedure) {
        return nullptr;
    }
    return reinterpret_cast<DialogBinding*>(GetWindowLongPtrW(window, DWLP_USER));
}

// The paint context of one WM_PAINT.
class Win32DialogPaint final : public DialogPaint {
public:
    explicit Win32DialogPaint(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint)) {
        GetClientRect(window, &m_client);
    }
    ~Win32DialogPaint() { EndPaint(m_window, &m_paint); }
    Win32DialogPaint(const Win32DialogPaint&) = delete;
    Win32DialogPaint& operator=(const Win32DialogPaint&) = delete;

    int clientWidth() const override { return m_client.right - m_client.left; }
    int clientHeight() const override { return m_client.bottom - m_client.top; }
    bool bitmapSize(ResourceId bitmap, int& width, int& height) override {
        const HBITMAP handle = LoadBitmapW(programInstance(), MAKEINTRESOURCEW(bitmap));
        if (handle == nullptr) {
            return false;
        }
        BITMAP info{};
        const bool ok = GetObjectW(handle, sizeof(info), &info) != 0;
        DeleteObject(handle);
        if (ok) {
            width = info.bmWidth;
            height = info.bmHeight;
        }
        return ok;
    }
    bool drawBitmap(ResourceId bitmap, int x, int y) override {
        if (m_dc == nullptr) {
            return false;
        }
        const HBITMAP handle = LoadBitmapW(programInstance(), MAKEINTRESOURCEW(bitmap));
        if (handle == nullptr) {
            return false;
        }
        BITMAP info{};
        bool ok = GetObjectW(handle, sizeof(info), &info) != 0;
        const HDC memory = ok ? CreateCompatibleDC(m_dc) : nullptr;
        if (memory != nullptr) {
            const HGDIOBJ previous = SelectObject(memory, handle);
            ok = BitBlt(m_dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY) != FALSE;
            SelectObject(memory, previous);
            DeleteDC(memory);
        } else {
            ok = false;
        }
        DeleteObject(handle);
        return ok;
    }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
    RECT m_client{};
};

// Runs a client handler; an exception never leaves a window procedure.
template <typename Call> bool guarded(Call&& call) {
    try {
        return call();
    } catch (...) {
        return false;
    }
}

INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (message == WM_INITDIALOG) {
        DialogBinding* binding = t_pendingBinding;
        if (binding == nullptr || GetWindowLongPtrW(window, DWLP_USER) != 0) {
            return FALSE; // a program's WM_INITDIALOG, not the window's own
        }
        t_pendingBinding = nullptr;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
        RECT before{};
        GetWindowRect(window, &before);
        const bool focus = guarded([&] { return binding->client->onInitDialog(fromHwnd(window)); });
        if (IsWindow(window) != FALSE) {
            centreAfterInit(window, before);
        }
        return focus ? TRUE : FALSE;
    }
    auto* binding = reinterpret_cast<DialogBinding*>(GetWindowLongPtrW(window, DWLP_USER));
    if (binding == nullptr) {
        return FALSE;
    }
    DialogClient& client = *binding->client;
    const WindowHandle handle = fromHwnd(window);
    switch (message) {
    case WM_COMMAND:
        return guarded([&] { return client.onCommand(handle, LOWORD(wParam), HIWORD(wParam)); }) ? TRUE
                                                                                                 : FALSE;
    case WM_TIMER:
        return guarded([&] { return client.onTimer(handle, static_cast<TimerId>(wParam)); }) ? TRUE : FALSE;
    case WM_PAINT: {
        Win32DialogPaint paint(window);
        guarded([&] {
            client.onPaint(handle, paint);
            return true;
        });
        return TRUE;
    }
    case WM_SYSCOMMAND:
        return guarded(
                   [&] { return client.onSysCommand(handle, static_cast<std::uint32_t>(wParam) & 0xFFF0); })
                   ? TRUE
                   : FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(binding->icon);
    case WM_DESTROY:
        if (binding->destroying) {
            guarded([&] {
                client.onDestroy(handle);
                return true;
            });
        }
        return TRUE;
    case WM_NCDESTROY:
        if (binding->destroying) {
            SetWindowLongPtrW(window, DWLP_USER, 0);
            std::unique_ptr<DialogBinding> gone(binding);
            guarded([&] {
                client.onFinalRelease(handle); // the client may release itself: not touched again
                return true;
            });
        }
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

WindowHandle Win32Dialogs::createDialog(ResourceId templateId, WindowHandle owner, DialogClient& client) {
    auto binding = std::make_unique<DialogBinding>();
    binding->client = &client;
    DialogBinding* const previous = std::exchange(t_pendingBinding, binding.get());
    const HWND window = CreateDialogParamW(programInstance(), MAKEINTRESOURCEW(templateId), toHwnd(owner),
                                           &dialogProcedure, 0);
    const bool taken = t_pendingBinding != binding.get();
    t_pendingBinding = previous;
    if (taken) {
        binding.release(); // owned by the window now; freed at its WM_NCDESTROY
    }
    if (window == nullptr) {
        return 0;
    }
    if (!taken) {
        DestroyWindow(window);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return fromHwnd(window);
}

std::intptr_t Win32Dialogs::runModalDialog(ResourceId templateId, WindowHandle owner, DialogClient& client) {
    auto binding = std::make_unique<DialogBinding>();
    binding->client = &client;
    DialogBinding* const raw = binding.get();
    DialogBinding* const previous = std::exchange(t_pendingBinding, raw);
    // The binding is freed at the window's WM_NCDESTROY once bound; DialogBoxParamW returns only
    // after the window is gone.
    binding.release();
    const INT_PTR result =
        DialogBoxParamW(programInstance(), MAKEINTRESOURCEW(templateId), toHwnd(owner), &dialogProcedure, 0);
    if (t_pendingBinding == raw) {
        delete raw; // never bound: the dialog could not be made
    }
    t_pendingBinding = previous;
    return result;
}

bool Win32Dialogs::endDialog(WindowHandle dialog, std::intptr_t result) {
    DialogBinding* binding = bindingOf(toHwnd(dialog));
    if (binding == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    // A modal dialog's loop destroys the window after this; a modeless one is only hidden, and
    // destroyDialog marks its teardown itself.
    const bool wasDestroying = binding->destroying;
    binding->destroying = true;
    if (EndDialog(toHwnd(dialog), result) == FALSE) {
        binding->destroying = wasDestroying;
        return false;
    }
    return true;
}

bool Win32Dialogs::destroyDialog(WindowHandle dialog) {
    const HWND window = toHwnd(dialog);
    DialogBinding* binding = bindingOf(window);
    if (binding == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    binding->destroying = true;
    return DestroyWindow(window) != FALSE;
}

bool Win32Dialogs::isDialog(WindowHandle dialog) {
    return dialog != 0 && IsWindow(toHwnd(dialog)) != FALSE;
}

bool Win32Dialogs::showDialog(WindowHandle dialog, int command) {
    return ShowWindow(toHwnd(dialog), command) != FALSE;
}

bool Win32Dialogs::setTitle(WindowHandle dialog, const wchar_t* text) {
    return SetWindowTextW(toHwnd(dialog), text != nullptr ? text : L"") != FALSE;
}

bool Win32Dialogs::setItemText(WindowHandle dialog, int id, const wchar_t* text) {
    return SetDlgItemTextW(toHwnd(dialog), id, text != nullptr ? text : L"") != FALSE;
}

int Win32Dialogs::itemText(WindowHandle dialog, int id, wchar_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = L'\0';
    if (GetDlgItem(toHwnd(dialog), id) == nullptr) {
        return 0;
    }
    return static_cast<int>(GetDlgItemTextW(toHwnd(dialog), id, buffer, capacity));
}

int Win32Dialogs::checkState(WindowHandle dialog, int id) {
    const HWND control = GetDlgItem(toHwnd(dialog), id);
    return control != nullptr ? static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0)) : BST_UNCHECKED;
}

bool Win32Dialogs::setCheckState(WindowHandle dialog, int id, int state) {
    const HWND control = GetDlgItem(toHwnd(dialog), id);
    if (control == nullptr) {
        return false;
    }
    SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    return true;
}

bool Win32Dialogs::enableItem(WindowHandle dialog, int id, bool enable) {
    const HWND control = GetDlgItem(toHwnd(dialog), id);
    if (control == nullptr) {
        return false;
    }
    EnableWindow(control, enable ? TRUE : FALSE);
    return true;
}

bool Win32Dialogs::isItemEnabled(WindowHandle dialog, int id) {
    const HWND control = GetDlgItem(toHwnd(dialog), id);
    return control != nullptr && IsWindowEnabled(control) != FALSE;
}

bool Win32Dialogs::setIcon(WindowHandle dialog, ResourceId icon) {
    DialogBinding* binding = bindingOf(toHwnd(dialog));
    const HICON handle = LoadIconW(programInstance(), MAKEINTRESOURCEW(icon));
    if (binding == nullptr || handle == nullptr) {
        return false;
    }
    binding->icon = handle;
    SendMessageW(toHwnd(dialog), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(handle));
    SendMessageW(toHwnd(dialog), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(handle));
    return true;
}

TimerId Win32Dialogs::setTimer(WindowHandle dialog, TimerId id, std::uint32_t periodMs) {
    return SetTimer(toHwnd(dialog), id, periodMs, nullptr);
}

bool Win32Dialogs::killTimer(WindowHandle dialog, TimerId id) {
    return KillTimer(toHwnd(dialog), id) != FALSE;
}

bool Win32Dialogs::appendSystemMenuItem(WindowHandle dialog, std::uint32_t command, const wchar_t* text) {
    const HMENU menu = GetSystemMenu(toHwnd(dialog), FALSE);
    if (menu == nullptr || text == nullptr) {
        return false;
    }
    return AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE &&
           AppendMenuW(menu, MF_STRING, command, text) != FALSE;
}

int Win32Dialogs::loadString(ResourceId id, wchar_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = L'\0';
    return LoadStringW(programInstance(), id, buffer, capacity);
}

} // namespace platform::win32
