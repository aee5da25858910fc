// Simulated dialogs on the simulated desktop. Simulation.
//
// Each dialog window is a desktop window of the program's UI thread whose code is a Binding: it
// turns the window's messages into the DialogClient's handlers and does what the dialog manager
// (DefDlgProc) does when a handler leaves a message alone.
#include "sim/SimDialogs.h"

#include "platform/Windowing.h"
#include "sim/SimThreads.h"

#include <algorithm>
#include <cwchar>

namespace sim {

namespace {

constexpr platform::MessageId kWmSysCommand = 0x0112;
constexpr std::uint32_t kSysCommandMask = 0xFFF0;
constexpr int kBnClicked = 0;

constexpr int lowWord(platform::WParam value) {
    return static_cast<int>(value & 0xFFFF);
}
constexpr int highWord(platform::WParam value) {
    return static_cast<int>((value >> 16) & 0xFFFF);
}
constexpr platform::WParam makeWParam(int low, int high) {
    return (static_cast<platform::WParam>(high & 0xFFFF) << 16) | static_cast<platform::WParam>(low & 0xFFFF);
}

bool isButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton ||
           kind == ControlKind::CheckBox || kind == ControlKind::AutoCheckBox;
}

} // namespace

int copyText(const std::wstring& text, wchar_t* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    const int count = std::min(static_cast<int>(text.size()), capacity - 1);
    std::wmemcpy(buffer, text.data(), static_cast<std::size_t>(count));
    buffer[count] = L'\0';
    return count;
}

SimDialogs::Control* SimDialogs::Dialog::control(int id) {
    for (Control& c : controls) {
        if (c.layout.id == id && id != platform::dlg::kIdStatic) {
            return &c;
        }
    }
    return nullptr;
}

const SimDialogs::Control* SimDialogs::Dialog::control(int id) const {
    return const_cast<Dialog*>(this)->control(id);
}

// The paint context of one WM_PAINT: records what is drawn into the dialog's last paint.
class SimDialogPaint final : public platform::DialogPaint {
public:
    SimDialogPaint(SimDialogs::Dialog& dialog, const ProgramResources& resources)
        : m_dialog(dialog), m_resources(resources) {}
    int clientWidth() const override { return m_dialog.clientWidth; }
    int clientHeight() const override { return m_dialog.clientHeight; }
    bool bitmapSize(platform::ResourceId bitmap, int& width, int& height) override {
        const auto it = m_resources.bitmaps.find(bitmap);
        if (it == m_resources.bitmaps.end()) {
            return false;
        }
        width = it->second.first;
        height = it->second.second;
        return true;
    }
    bool drawBitmap(platform::ResourceId bitmap, int x, int y) override {
        if (m_resources.bitmaps.count(bitmap) == 0) {
            return false;
        }
        m_dialog.lastPaint.push_back({bitmap, x, y});
        return true;
    }

private:
    SimDialogs::Dialog& m_dialog;
    const ProgramResources& m_resources;
};

class SimDialogs::Binding final : public platform::WindowClient {
public:
    Binding(SimDialogs& owner, Dialog& dialog, platform::DialogClient& client)
        : m_owner(owner), m_dialog(dialog), m_client(&client) {}

    void detach() { m_client = nullptr; }

    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        if (m_client == nullptr) {
            return 0;
        }
        try {
            return handle(window, message, wParam, lParam);
        } catch (...) {
            return 0; // an exception never leaves a window procedure
        }
    }

private:
    platform::LResult handle(platform::WindowHandle window, platform::MessageId message,
                             platform::WParam wParam, platform::LParam lParam) {
        switch (message) {
        case platform::wm::kInitDialog:
            return m_client->onInitDialog(window) ? 1 : 0;
        case platform::wm::kCommand:
            m_client->onCommand(window, lowWord(wParam), highWord(wParam));
            return 0;
        case platform::wm::kTimer:
            m_client->onTimer(window, static_cast<platform::TimerId>(wParam));
            return 0;
        case platform::wm::kPaint: {
            m_dialog.lastPaint.clear();
            SimDialogPaint paint(m_dialog, m_owner.m_resources);
            m_client->onPaint(window, paint);
            return 0;
        }
        case kWmSysCommand: {
            const std::uint32_t command = static_cast<std::uint32_t>(wParam) & kSysCommandMask;
            if (!m_client->onSysCommand(window, command) && command == platform::kScClose) {
                m_owner.sendMessage(window, platform::wm::kClose, 0, 0);
            }
            return 0;
        }
        case platform::wm::kClose: {
            // The dialog manager posts the Cancel button's click, unless that button is disabled.
            const Control* cancel = m_dialog.control(platform::dlg::kIdCancel);
            if (cancel == nullptr || cancel->enabled) {
                m_owner.m_desktop.post(window, platform::wm::kCommand,
                                       makeWParam(platform::dlg::kIdCancel, kBnClicked), 0,
                                       m_owner.m_thread.processId);
            }
            return 0;
        }
        case platform::wm::kQueryDragIcon:
            return static_cast<platform::LResult>(m_dialog.icon);
        case platform::wm::kDestroy:
            m_client->onDestroy(window);
            return 0;
        case platform::wm::kNcDestroy: {
            if (m_dialog.ending == Ending::Open) {
                m_dialog.ending = Ending::Destroyed;
                m_dialog.endedAt = m_owner.m_desktop.clock().now();
            }
            platform::DialogClient* client = m_client;
            m_client = nullptr; // the client may release itself in its last handler
            client->onFinalRelease(window);
            return 0;
        }
        default:
            (void)lParam;
            return 0;
        }
    }

    SimDialogs& m_owner;
    Dialog& m_dialog;
    platform::DialogClient* m_client;
};

SimDialogs::SimDialogs(SimDesktop& desktop, UiThread& thread, ProgramResources resources)
    : m_desktop(desktop), m_thread(thread), m_resources(std::move(resources)) {}

SimDialogs::~SimDialogs() {
    // The program is gone: its windows go with it, without running its code.
    for (auto& [window, binding] : m_bindings) {
        binding->detach();
        if (m_desktop.isWindow(window)) {
            m_desktop.destroyWindow(window);
        }
    }
}

void SimDialogs::clearRecords() {
    std::erase_if(m_dialogs, [this](const std::unique_ptr<Dialog>& dialog) {
        return dialog->ending != Ending::Open && !m_desktop.isWindow(dialog->window);
    });
    // The window procedure of a window that is gone is never called again (and refers to a
    // record that may just have been forgotten).
    std::erase_if(m_bindings, [this](const auto& entry) { return !m_desktop.isWindow(entry.first); });
}

SimDialogs::Dialog* SimDialogs::find(platform::WindowHandle window) {
    for (auto& dialog : m_dialogs) {
        if (dialog->window == window) {
            return dialog.get();
        }
    }
    return nullptr;
}

SimDialogs::Dialog* SimDialogs::live(platform::WindowHandle window) {
    Dialog* dialog = window != 0 && m_desktop.isWindow(window) ? find(window) : nullptr;
    if (dialog == nullptr) {
        setLastError(platform::error::kInvalidWindowHandle);
    }
    return dialog;
}

SimDialogs::Dialog* SimDialogs::openDialog(platform::ResourceId templateId) {
    for (auto it = m_dialogs.rbegin(); it != m_dialogs.rend(); ++it) {
        if ((*it)->templateId == templateId && m_desktop.isWindow((*it)->window)) {
            return it->get();
        }
    }
    return nullptr;
}

platform::LResult SimDialogs::sendMessage(platform::WindowHandle window, platform::MessageId message,
                                          platform::WParam wParam, platform::LParam lParam) {
    const auto it = m_bindings.find(window);
    if (it == m_bindings.end() || !m_desktop.isWindow(window) || platform::isLifecycleMessage(message)) {
        return 0; // a program's WM_INITDIALOG or WM_DESTROY never runs the dialog's start-up or teardown
    }
    return it->second->windowProc(window, message, wParam, lParam);
}

platform::WindowHandle SimDialogs::make(platform::ResourceId templateId, platform::WindowHandle owner,
                                        platform::DialogClient& client, bool modal) {
    const auto found = m_resources.dialogs.find(templateId);
    if (found == m_resources.dialogs.end()) {
        setLastError(platform::error::kResourceNameNotFound);
        return 0;
    }
    const DialogTemplate& layout = found->second;
    auto dialog = std::make_unique<Dialog>();
    dialog->templateId = templateId;
    dialog->modal = modal;
    dialog->createdAt = m_desktop.clock().now();
    dialog->title = layout.title;
    dialog->clientWidth = layout.cx * kBaseUnitX / 4;
    dialog->clientHeight = layout.cy * kBaseUnitY / 8;
    for (const ControlTemplate& c : layout.controls) {
        dialog->controls.push_back(Control{c, c.text, platform::kBstUnchecked, (c.style & kWsDisabled) == 0});
    }
    SimDesktop::WindowInfo info;
    info.className = layout.className.empty() ? L"#32770" : layout.className;
    info.title = layout.title;
    info.style = layout.style;
    info.owner = owner;
    info.visible = (layout.style & kWsVisible) != 0;
    Dialog& record = *dialog;
    m_dialogs.push_back(std::move(dialog));
    auto binding = std::make_unique<Binding>(*this, record, client);
    Binding& code = *binding;
    const platform::WindowHandle window = m_desktop.createWindow(info, &m_thread, &code);
    record.window = window;
    m_bindings[window] = std::move(binding);
    code.windowProc(window, platform::wm::kInitDialog, 0, 0);
    record.initialised = true;
    return window;
}

platform::WindowHandle SimDialogs::createDialog(platform::ResourceId templateId, platform::WindowHandle owner,
                                                platform::DialogClient& client) {
    return make(templateId, owner, client, false);
}

std::intptr_t SimDialogs::runModalDialog(platform::ResourceId templateId, platform::WindowHandle owner,
                                         platform::DialogClient& client) {
    const platform::WindowHandle window = make(templateId, owner, client, true);
    if (window == 0) {
        return -1;
    }
    Dialog* dialog = find(window);
    if (m_desktop.isWindow(window)) {
        if (SimDesktop::WindowInfo* info = m_desktop.mutableInfo(window)) {
            info->visible = true;
        }
        if (onModalShown) {
            onModalShown(window);
        }
        m_desktop.runNestedLoop(
            m_thread, [dialog] { return dialog->ending != Ending::Open; }, "DialogBoxParam");
    }
    if (m_desktop.isWindow(window)) {
        m_desktop.destroyWindow(window);
    }
    return dialog->ending == Ending::Ended ? dialog->endResult : -1;
}

bool SimDialogs::endDialog(platform::WindowHandle window, std::intptr_t result) {
    Dialog* dialog = live(window);
    if (dialog == nullptr) {
        return false;
    }
    dialog->endResult = result;
    if (dialog->modal) {
        dialog->ending = Ending::Ended;
        dialog->endedAt = m_desktop.clock().now();
    }
    if (SimDesktop::WindowInfo* info = m_desktop.mutableInfo(window)) {
        info->visible = false;
    }
    return true;
}

bool SimDialogs::destroyDialog(platform::WindowHandle window) {
    if (live(window) == nullptr) {
        return false;
    }
    return m_desktop.destroyWindow(window);
}

bool SimDialogs::isDialog(platform::WindowHandle window) {
    return window != 0 && m_desktop.isWindow(window);
}

bool SimDialogs::showDialog(platform::WindowHandle window, int command) {
    SimDesktop::WindowInfo* info = live(window) != nullptr ? m_desktop.mutableInfo(window) : nullptr;
    if (info == nullptr) {
        return false;
    }
    const bool wasVisible = info->visible;
    info->visible = command != platform::sw::kHide;
    return wasVisible;
}

bool SimDialogs::setTitle(platform::WindowHandle window, const wchar_t* text) {
    Dialog* dialog = live(window);
    if (dialog == nullptr) {
        return false;
    }
    dialog->title = text != nullptr ? text : L"";
    m_desktop.mutableInfo(window)->title = dialog->title;
    return true;
}

bool SimDialogs::setItemText(platform::WindowHandle window, int id, const wchar_t* text) {
    Dialog* dialog = live(window);
    Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    if (control == nullptr) {
        return false;
    }
    control->text = text != nullptr ? text : L"";
    return true;
}

int SimDialogs::itemText(platform::WindowHandle window, int id, wchar_t* buffer, int capacity) {
    Dialog* dialog = live(window);
    const Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    return copyText(control != nullptr ? control->text : std::wstring(), buffer, capacity);
}

int SimDialogs::checkState(platform::WindowHandle window, int id) {
    Dialog* dialog = live(window);
    const Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    return control != nullptr && isButton(control->layout.kind) ? control->check : platform::kBstUnchecked;
}

bool SimDialogs::setCheckState(platform::WindowHandle window, int id, int state) {
    Dialog* dialog = live(window);
    Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    if (control == nullptr) {
        return false;
    }
    // A two-state check box takes BST_CHECKED (1) and anything else as unchecked; push buttons
    // have no check state.
    if (control->layout.kind == ControlKind::CheckBox || control->layout.kind == ControlKind::AutoCheckBox) {
        control->check = state == platform::kBstChecked ? platform::kBstChecked : platform::kBstUnchecked;
    }
    return true;
}

bool SimDialogs::enableItem(platform::WindowHandle window, int id, bool enable) {
    Dialog* dialog = live(window);
    Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    if (control == nullptr) {
        return false;
    }
    control->enabled = enable;
    return true;
}

bool SimDialogs::isItemEnabled(platform::WindowHandle window, int id) {
    Dialog* dialog = live(window);
    const Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    return control != nullptr && control->enabled;
}

bool SimDialogs::setIcon(platform::WindowHandle window, platform::ResourceId icon) {
    Dialog* dialog = live(window);
    if (dialog == nullptr ||
        std::find(m_resources.icons.begin(), m_resources.icons.end(), icon) == m_resources.icons.end()) {
        setLastError(platform::error::kResourceNameNotFound);
        return false;
    }
    dialog->icon = icon;
    return true;
}

platform::TimerId SimDialogs::setTimer(platform::WindowHandle window, platform::TimerId id,
                                       std::uint32_t periodMs) {
    return live(window) != nullptr ? m_desktop.setTimer(window, id, periodMs) : 0;
}

bool SimDialogs::killTimer(platform::WindowHandle window, platform::TimerId id) {
    return live(window) != nullptr && m_desktop.killTimer(window, id);
}

bool SimDialogs::appendSystemMenuItem(platform::WindowHandle window, std::uint32_t command,
                                      const wchar_t* text) {
    Dialog* dialog = live(window);
    if (dialog == nullptr || text == nullptr) {
        return false;
    }
    dialog->systemMenuItems.emplace_back(command, text);
    return true;
}

int SimDialogs::loadString(platform::ResourceId id, wchar_t* buffer, int capacity) {
    const auto it = m_resources.strings.find(id);
    return copyText(it != m_resources.strings.end() ? it->second : std::wstring(), buffer, capacity);
}

bool SimDialogs::click(platform::WindowHandle window, int id) {
    Dialog* dialog = live(window);
    Control* control = dialog != nullptr ? dialog->control(id) : nullptr;
    if (control == nullptr || !control->enabled || !isButton(control->layout.kind)) {
        return false;
    }
    if (control->layout.kind == ControlKind::AutoCheckBox) {
        control->check =
            control->check == platform::kBstChecked ? platform::kBstUnchecked : platform::kBstChecked;
    }
    sendMessage(window, platform::wm::kCommand, makeWParam(id, kBnClicked), 0);
    return true;
}

bool SimDialogs::pressEnter(platform::WindowHandle window) {
    Dialog* dialog = live(window);
    if (dialog == nullptr) {
        return false;
    }
    int id = platform::dlg::kIdOk;
    for (const Control& c : dialog->controls) {
        if (c.layout.kind == ControlKind::DefPushButton && c.enabled) {
            id = c.layout.id;
            break;
        }
    }
    sendMessage(window, platform::wm::kCommand, makeWParam(id, kBnClicked), 0);
    return true;
}

bool SimDialogs::pressEscape(platform::WindowHandle window) {
    if (live(window) == nullptr) {
        return false;
    }
    sendMessage(window, platform::wm::kCommand, makeWParam(platform::dlg::kIdCancel, kBnClicked), 0);
    return true;
}

bool SimDialogs::clickCloseBox(platform::WindowHandle window) {
    if (live(window) == nullptr) {
        return false;
    }
    sendMessage(window, kWmSysCommand, platform::kScClose, 0);
    return true;
}

bool SimDialogs::paint(platform::WindowHandle window) {
    if (live(window) == nullptr) {
        return false;
    }
    sendMessage(window, platform::wm::kPaint, 0, 0);
    return true;
}

bool SimDialogs::resizeClient(platform::WindowHandle window, int width, int height) {
    Dialog* dialog = live(window);
    if (dialog == nullptr || width < 0 || height < 0) {
        return false;
    }
    dialog->clientWidth = width;
    dialog->clientHeight = height;
    return true;
}

} // namespace sim
