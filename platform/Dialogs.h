// Dialogs port: dialog windows made from the program's dialog template resources, modeless or
// modal, with their controls addressed by identifier; the dialog's title, icons, timers and
// system menu; painting of bitmap resources into a dialog; and the program's string table.
// Semantics follow user32 (CreateDialogParamW, DialogBoxParamW, EndDialog, DestroyWindow,
// SetDlgItemTextW, GetDlgItemTextW, BM_GETCHECK, BM_SETCHECK, EnableWindow, WM_SETICON, SetTimer,
// GetSystemMenu/AppendMenuW, LoadStringW, LoadBitmapW with BitBlt).
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

using ResourceId = std::uint32_t;

namespace error {
// A resource (template, icon, bitmap) the program does not have.
inline constexpr ErrorCode kResourceNameNotFound = 1814;
} // namespace error

// Dialog command identifiers (WM_COMMAND from the OK button, Enter, Esc, the close box).
namespace dlg {
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
// Identifier of a static control that the program never addresses.
inline constexpr int kIdStatic = -1;
} // namespace dlg

// Button states (BM_GETCHECK / BM_SETCHECK).
inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;

// WM_SYSCOMMAND values.
inline constexpr std::uint32_t kScClose = 0xF060;

// The paint context of one WM_PAINT of a dialog (between BeginPaint and EndPaint).
class DialogPaint {
public:
    // GetClientRect: the client area's size in pixels.
    virtual int clientWidth() const = 0;
    virtual int clientHeight() const = 0;
    // LoadBitmapW from the program's resources: the bitmap's size; false when it cannot be loaded.
    virtual bool bitmapSize(ResourceId bitmap, int& width, int& height) = 0;
    // Copies the bitmap unscaled with its top-left corner at (x, y) through a memory device
    // context compatible with the paint context (BitBlt, SRCCOPY). Positions left of or beyond
    // the client area are clipped, as BitBlt does. False when it cannot be loaded or drawn.
    virtual bool drawBitmap(ResourceId bitmap, int x, int y) = 0;

protected:
    ~DialogPaint() = default;
};

// The code behind one dialog: the dialog's messages, each with the dialog's standard processing
// when the handler returns false. Every handler runs on the thread that made the dialog; an
// exception never leaves it (the adapter treats one as "not handled").
class DialogClient {
public:
    // WM_INITDIALOG, before createDialog / runModalDialog go on. True: the system sets the focus.
    virtual bool onInitDialog(WindowHandle dialog) = 0;
    // WM_COMMAND: the control or menu identifier (low word of wParam) and the notification code
    // (high word). The dialog manager turns Enter into the default button's identifier, and Esc
    // and the close box (WM_CLOSE) into dlg::kIdCancel; nothing closes the dialog on its own.
    virtual bool onCommand(WindowHandle dialog, int id, int code) {
        (void)dialog, (void)id, (void)code;
        return false;
    }
    // WM_TIMER with the timer identifier as the message carries it (any value a program posts).
    virtual bool onTimer(WindowHandle dialog, TimerId id) {
        (void)dialog, (void)id;
        return false;
    }
    // WM_PAINT: draw into `paint`; the dialog's own painting follows in either case.
    virtual void onPaint(WindowHandle dialog, DialogPaint& paint) { (void)dialog, (void)paint; }
    // WM_SYSCOMMAND (the low four bits of the command cleared, as Windows requires). False: the
    // standard processing (SC_CLOSE closes through WM_CLOSE, hence onCommand with kIdCancel).
    virtual bool onSysCommand(WindowHandle dialog, std::uint32_t command) {
        (void)dialog, (void)command;
        return false;
    }
    // WM_DESTROY: the window is being destroyed; its controls still exist.
    virtual void onDestroy(WindowHandle dialog) { (void)dialog; }
    // WM_NCDESTROY: the window is gone. The adapter never touches the client after this call,
    // so the client may release itself here.
    virtual void onFinalRelease(WindowHandle dialog) { (void)dialog; }

protected:
    ~DialogClient() = default;
};

class Dialogs : public Port {
public:
    // CreateDialogParamW with the template `templateId` from the program's resources; owner 0
    // for none. The client receives onInitDialog before this returns; the dialog is visible only
    // if the template says WS_VISIBLE. 0 when the template is missing or the window fails.
    virtual WindowHandle createDialog(ResourceId templateId, WindowHandle owner, DialogClient& client) = 0;
    // DialogBoxParamW: shows the dialog and runs its modal loop until endDialog; returns the
    // result given to endDialog, or -1 when the dialog cannot be made. The owner, if any, is
    // disabled meanwhile. The window is destroyed (onDestroy, onFinalRelease) before it returns.
    virtual std::intptr_t runModalDialog(ResourceId templateId, WindowHandle owner, DialogClient& client) = 0;
    // EndDialog: a modal dialog's loop ends with `result` once the current message returns. A
    // modeless dialog is only hidden (it still exists; destroyDialog removes it). False for a
    // window that is not a dialog of this program.
    virtual bool endDialog(WindowHandle dialog, std::intptr_t result) = 0;
    // DestroyWindow of a modeless dialog: onDestroy, then onFinalRelease. False when there is no
    // such window.
    virtual bool destroyDialog(WindowHandle dialog) = 0;
    // IsWindow.
    virtual bool isDialog(WindowHandle dialog) = 0;
    // ShowWindow: true when the dialog was visible before the call (not a success flag).
    virtual bool showDialog(WindowHandle dialog, int command) = 0;

    // SetWindowTextW on the dialog: its title.
    virtual bool setTitle(WindowHandle dialog, const wchar_t* text) = 0;
    // SetDlgItemTextW; false when the dialog has no such control.
    virtual bool setItemText(WindowHandle dialog, int id, const wchar_t* text) = 0;
    // GetDlgItemTextW: copies at most capacity − 1 characters and a terminator; returns the
    // characters copied. 0 (with an empty buffer, if any) when there is no such control.
    virtual int itemText(WindowHandle dialog, int id, wchar_t* buffer, int capacity) = 0;
    // BM_GETCHECK: kBstChecked or kBstUnchecked; 0 when there is no such control.
    virtual int checkState(WindowHandle dialog, int id) = 0;
    // BM_SETCHECK; false when there is no such control.
    virtual bool setCheckState(WindowHandle dialog, int id, int state) = 0;
    // EnableWindow on a control; false when there is no such control.
    virtual bool enableItem(WindowHandle dialog, int id, bool enable) = 0;
    // IsWindowEnabled of a control; false when there is no such control.
    virtual bool isItemEnabled(WindowHandle dialog, int id) = 0;

    // LoadIconW from the program's resources, set as the dialog's large and small icon
    // (WM_SETICON ICON_BIG and ICON_SMALL); WM_QUERYDRAGICON then returns it. False when the icon
    // cannot be loaded.
    virtual bool setIcon(WindowHandle dialog, ResourceId icon) = 0;
    // SetTimer/KillTimer on the dialog; its WM_TIMER reaches onTimer. setTimer returns the
    // identifier, 0 on failure.
    virtual TimerId setTimer(WindowHandle dialog, TimerId id, std::uint32_t periodMs) = 0;
    virtual bool killTimer(WindowHandle dialog, TimerId id) = 0;
    // Appends a separator and the item `text` with `command` to the dialog's system menu; the
    // item reaches onSysCommand. False when the menu cannot be changed.
    virtual bool appendSystemMenuItem(WindowHandle dialog, std::uint32_t command, const wchar_t* text) = 0;

    // LoadStringW from the program's string table: copies at most capacity − 1 characters and a
    // terminator and returns the characters copied; 0 with an empty buffer when there is no
    // such string.
    virtual int loadString(ResourceId id, wchar_t* buffer, int capacity) = 0;
};

} // namespace platform
