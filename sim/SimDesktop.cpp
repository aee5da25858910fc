// The simulated desktop. Simulation.
#include "sim/SimDesktop.h"

#include "common/Text.h"
#include "sim/SimThreads.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint32_t kDialogStyle = 0x80C80000; // WS_POPUP | WS_CAPTION | WS_SYSMENU
constexpr std::uint32_t kWsPopup = 0x80000000;

std::wstring upper(const std::wstring& s) {
    std::wstring out = s;
    std::transform(out.begin(), out.end(), out.begin(), text::toUpperAscii);
    return out;
}

bool matches(const wchar_t* wanted, const std::wstring& actual) {
    return wanted == nullptr || *wanted == L'\0' || text::equalsNoCase(wanted, actual);
}

} // namespace

SimDesktop::SimDesktop(VirtualClock& clock) : m_clock(clock) {}

UiThread& SimDesktop::createUiThread(std::uint32_t processId, std::uint32_t threadId) {
    auto thread = std::make_unique<UiThread>();
    thread->processId = processId;
    thread->threadId = threadId;
    m_threads.push_back(std::move(thread));
    return *m_threads.back();
}

platform::MessageId SimDesktop::registerMessage(const std::wstring& name) {
    const std::wstring key = upper(name);
    if (key.empty() || std::find(m_failingRegistrations.begin(), m_failingRegistrations.end(), key) !=
                           m_failingRegistrations.end()) {
        setLastError(key.empty() ? platform::error::kInvalidParameter : platform::error::kNotEnoughMemory);
        return 0;
    }
    const auto it = m_messages.find(key);
    if (it != m_messages.end()) {
        return it->second;
    }
    const auto id = static_cast<platform::MessageId>(kFirstRegisteredMessage + m_messages.size());
    m_messages.emplace(key, id);
    m_messageNames.emplace(id, name);
    return id;
}

std::optional<std::wstring> SimDesktop::registeredName(platform::MessageId message) const {
    const auto it = m_messageNames.find(message);
    if (it == m_messageNames.end()) {
        return std::nullopt;
    }
    return it->second;
}

void SimDesktop::clearRecords() {
    m_posts.clear();
    // An open box is found by its place in the list until it is answered.
    if (std::none_of(m_messageBoxes.begin(), m_messageBoxes.end(),
                     [](const auto& box) { return box.open; })) {
        m_messageBoxes.clear();
    }
}

void SimDesktop::failRegistration(const std::wstring& name) {
    m_failingRegistrations.push_back(upper(name));
}

platform::WindowHandle SimDesktop::addWindow(Window window) {
    const platform::WindowHandle handle = m_nextWindow;
    m_nextWindow += 0x10;
    m_windows.emplace(handle, std::move(window));
    return handle;
}

platform::WindowHandle SimDesktop::createWindow(const WindowInfo& info, UiThread* thread,
                                                platform::WindowClient* client) {
    Window window;
    window.info = info;
    window.thread = thread;
    window.client = client;
    if (thread != nullptr) {
        window.info.processId = thread->processId;
    }
    return addWindow(std::move(window));
}

platform::WindowHandle SimDesktop::addModelWindow(const WindowInfo& info, PostHandler handler) {
    Window window;
    window.info = info;
    window.handler = std::move(handler);
    return addWindow(std::move(window));
}

void SimDesktop::failDestroy(platform::WindowHandle window, platform::ErrorCode error) {
    if (error == platform::error::kSuccess) {
        m_failingDestroys.erase(window);
    } else {
        m_failingDestroys[window] = error;
    }
}

bool SimDesktop::destroyWindow(platform::WindowHandle handle) {
    auto it = m_windows.find(handle);
    if (it == m_windows.end()) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    if (const auto failing = m_failingDestroys.find(handle); failing != m_failingDestroys.end()) {
        setLastError(failing->second);
        return false;
    }
    if (platform::WindowClient* client = it->second.client) {
        it->second.client = nullptr; // no further messages once destruction has begun
        client->windowProc(handle, platform::wm::kDestroy, 0, 0);
        client->windowProc(handle, platform::wm::kNcDestroy, 0, 0);
    }
    for (auto timer = m_timers.begin(); timer != m_timers.end();) {
        timer = timer->first.first == handle ? m_timers.erase(timer) : std::next(timer);
    }
    if (UiThread* thread = threadOf(handle)) {
        std::erase_if(thread->queue, [handle](const platform::Message& m) { return m.window == handle; });
    }
    m_windows.erase(handle);
    m_failingDestroys.erase(handle);
    if (m_foreground == handle) {
        m_foreground = 0;
    }
    return true;
}

void SimDesktop::setForeground(platform::WindowHandle window) {
    const WindowInfo* current = info(window);
    while (current != nullptr && current->parent != 0 && isWindow(current->parent)) {
        window = current->parent;
        current = info(window);
    }
    m_foreground = window;
}

bool SimDesktop::isWindow(platform::WindowHandle window) const {
    return m_windows.count(window) != 0;
}

const SimDesktop::WindowInfo* SimDesktop::info(platform::WindowHandle window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second.info;
}

SimDesktop::WindowInfo* SimDesktop::mutableInfo(platform::WindowHandle window) {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second.info;
}

std::vector<platform::WindowHandle> SimDesktop::windows() const {
    std::vector<platform::WindowHandle> out;
    for (const auto& entry : m_windows) {
        out.push_back(entry.first);
    }
    return out;
}

platform::WindowHandle SimDesktop::find(const wchar_t* className, const wchar_t* title) const {
    for (const auto& [handle, window] : m_windows) {
        if (window.info.parent == 0 && matches(className, window.info.className) &&
            matches(title, window.info.title)) {
            return handle;
        }
    }
    return 0;
}

UiThread* SimDesktop::threadOf(platform::WindowHandle window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.thread;
}

bool SimDesktop::post(platform::WindowHandle handle, platform::MessageId message, platform::WParam wParam,
                      platform::LParam lParam, std::uint32_t fromProcess) {
    auto deliver = [&](platform::WindowHandle target, Window& window) {
        const platform::Message m{target, message, wParam, lParam};
        if (window.thread != nullptr) {
            window.thread->queue.push_back(m);
        } else if (window.handler) {
            // Another program reads its queue when the poster lets time run; a window that is
            // gone by then receives nothing.
            m_clock.scheduleAfter(0, [this, target, m] {
                const auto it = m_windows.find(target);
                if (it != m_windows.end() && it->second.handler) {
                    it->second.handler(m);
                }
            });
        }
    };
    if (handle == platform::kBroadcastWindow) {
        for (auto& [target, window] : m_windows) {
            if (window.info.parent == 0) {
                deliver(target, window);
            }
        }
    } else {
        const auto it = m_windows.find(handle);
        if (it == m_windows.end()) {
            setLastError(platform::error::kInvalidWindowHandle);
            return false;
        }
        deliver(handle, it->second);
    }
    m_posts.push_back({m_clock.now(), fromProcess, handle, message, wParam, lParam});
    if (postObserver) {
        postObserver(m_posts.back());
    }
    return true;
}

platform::TimerId SimDesktop::setTimer(platform::WindowHandle window, platform::TimerId id,
                                       std::uint32_t periodMs) {
    if (!isWindow(window)) {
        setLastError(platform::error::kInvalidWindowHandle);
        return 0;
    }
    const std::uint32_t period = std::clamp(periodMs, kTimerMinimumMs, kTimerMaximumMs);
    m_timers[{window, id}] = Timer{period, m_clock.now() + period, m_timerSequence++};
    return id == 0 ? 1 : id;
}

bool SimDesktop::killTimer(platform::WindowHandle window, platform::TimerId id) {
    if (m_timers.erase({window, id}) == 0) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    return true;
}

bool SimDesktop::timerRunning(platform::WindowHandle window, platform::TimerId id) const {
    return m_timers.count({window, id}) != 0;
}

std::optional<std::uint32_t> SimDesktop::timerPeriod(platform::WindowHandle window,
                                                     platform::TimerId id) const {
    const auto it = m_timers.find({window, id});
    if (it == m_timers.end()) {
        return std::nullopt;
    }
    return it->second.period;
}

bool SimDesktop::takeMessage(UiThread& thread, platform::Message& message) {
    while (!thread.queue.empty()) {
        message = thread.queue.front();
        thread.queue.pop_front();
        if (message.message == platform::wm::kQuit && message.window != 0) {
            continue; // posted to a window by some program: not this thread's quit message
        }
        return true;
    }
    if (thread.quitPosted) {
        thread.quitPosted = false;
        message =
            platform::Message{0, platform::wm::kQuit, static_cast<platform::WParam>(thread.quitCode), 0};
        return true;
    }
    auto due = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (threadOf(it->first.first) != &thread || it->second.due > m_clock.now()) {
            continue;
        }
        if (due == m_timers.end() || it->second.due < due->second.due ||
            (it->second.due == due->second.due && it->second.sequence < due->second.sequence)) {
            due = it;
        }
    }
    if (due == m_timers.end()) {
        return false;
    }
    due->second.due = m_clock.now() + due->second.period;
    message = platform::Message{due->first.first, platform::wm::kTimer, due->first.second, 0};
    return true;
}

bool SimDesktop::hasInput(const UiThread& thread) const {
    if (!thread.queue.empty() || thread.quitPosted) {
        return true;
    }
    for (const auto& [key, timer] : m_timers) {
        if (threadOf(key.first) == &thread && timer.due <= m_clock.now()) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> SimDesktop::nextWakeTime(const UiThread& thread) const {
    std::optional<std::uint64_t> next;
    if (m_clock.hasPending()) {
        next = m_clock.nextActionTime();
    }
    for (const auto& [key, timer] : m_timers) {
        if (threadOf(key.first) == &thread && (!next || timer.due < *next)) {
            next = timer.due;
        }
    }
    return next;
}

void SimDesktop::dispatch(const platform::Message& message) {
    const auto it = m_windows.find(message.window);
    if (it == m_windows.end() || it->second.client == nullptr) {
        return;
    }
    if (platform::isLifecycleMessage(message.message)) {
        return; // taken from the queue: posted by a program, never the window's own creation or destruction
    }
    it->second.client->windowProc(message.window, message.message, message.wParam, message.lParam);
}

void SimDesktop::blockUntilWake(const UiThread& thread, const char* what) {
    const std::optional<std::uint64_t> next = nextWakeTime(thread);
    if (!next) {
        throw Deadlock(std::string("a simulated thread waits forever in ") + what +
                       ": nothing left can wake it");
    }
    if (*next > m_horizon) {
        throw Deadlock(std::string("a simulated thread is still blocked in ") + what +
                       " at the end of the run");
    }
    m_clock.advanceTo(*next);
}

void SimDesktop::runNestedLoop(UiThread& thread, const std::function<bool()>& done, const char* what) {
    while (!done()) {
        if (m_clock.now() > m_horizon) {
            // Messages that never run out (a timer always due again) keep the loop from
            // blocking, so its limit is checked on every pass.
            throw Deadlock(std::string("a simulated thread is still in ") + what + " at the end of the run");
        }
        platform::Message message;
        if (takeMessage(thread, message)) {
            if (message.message == platform::wm::kQuit) {
                thread.quitPosted = true;
                thread.quitCode = static_cast<int>(message.wParam);
                return;
            }
            dispatch(message);
            continue;
        }
        blockUntilWake(thread, what);
    }
}

int SimDesktop::showMessageBox(UiThread& thread, const std::wstring& text, const std::wstring& caption) {
    WindowInfo info;
    info.className = L"#32770";
    info.title = caption;
    info.processId = thread.processId;
    info.visible = true;
    info.style = kDialogStyle;
    const platform::WindowHandle window = addModelWindow(info, nullptr);
    const std::size_t index = m_messageBoxes.size();
    m_messageBoxes.push_back({m_clock.now(), thread.processId, text, caption, true, 0});
    if (messageBoxObserver) {
        messageBoxObserver(m_messageBoxes.back());
    }
    std::optional<VirtualClock::ActionId> answer;
    if (m_messageBoxReaction) {
        answer = m_clock.scheduleAfter(*m_messageBoxReaction, [this, index] {
            m_messageBoxes[index].open = false;
            m_messageBoxes[index].result = platform::kIdOk;
        });
    }
    runNestedLoop(
        thread, [this, index] { return !m_messageBoxes[index].open; }, "MessageBox");
    if (answer) {
        m_clock.cancel(*answer);
    }
    m_messageBoxes[index].open = false;
    destroyWindow(window);
    return m_messageBoxes[index].result;
}

bool SimDesktop::answerMessageBox(int result) {
    for (auto it = m_messageBoxes.rbegin(); it != m_messageBoxes.rend(); ++it) {
        if (it->open) {
            it->open = false;
            it->result = result;
            return true;
        }
    }
    return false;
}

// ---- SimWindowing ----------------------------------------------------------------------------

SimWindowing::SimWindowing(SimDesktop& desktop, UiThread& thread, platform::Sync& sync)
    : m_desktop(desktop), m_thread(thread), m_sync(sync) {}

bool SimWindowing::dispatchReady(std::optional<std::uint64_t> until) {
    platform::Message message;
    while ((!until || m_desktop.clock().now() <= *until) && m_desktop.takeMessage(m_thread, message)) {
        if (message.message == platform::wm::kQuit) {
            m_thread.quitCode = static_cast<int>(message.wParam);
            return false;
        }
        m_desktop.dispatch(message);
    }
    return true;
}

platform::MessageId SimWindowing::registerMessage(const wchar_t* name) {
    return m_desktop.registerMessage(name != nullptr ? name : L"");
}

platform::WindowHandle SimWindowing::findWindow(const wchar_t* className, const wchar_t* title) {
    return m_desktop.find(className, title);
}

bool SimWindowing::postMessage(platform::WindowHandle window, platform::MessageId message,
                               platform::WParam wParam, platform::LParam lParam) {
    if (window == 0) {
        // Posted to no window: a message for the calling thread itself, which no window receives.
        m_thread.queue.push_back(platform::Message{0, message, wParam, lParam});
        return true;
    }
    return m_desktop.post(window, message, wParam, lParam, m_thread.processId);
}

platform::TimerId SimWindowing::setTimer(platform::WindowHandle window, platform::TimerId id,
                                         std::uint32_t periodMs) {
    return m_desktop.setTimer(window, id, periodMs);
}

bool SimWindowing::killTimer(platform::WindowHandle window, platform::TimerId id) {
    return m_desktop.killTimer(window, id);
}

platform::WindowHandle SimWindowing::createDialogWindow(const wchar_t* title,
                                                        platform::WindowClient& client) {
    SimDesktop::WindowInfo info;
    info.className = L"#32770";
    info.title = title != nullptr ? title : L"";
    info.style = kDialogStyle;
    const platform::WindowHandle window = m_desktop.createWindow(info, &m_thread, &client);
    client.windowProc(window, platform::wm::kInitDialog, 0, 0);
    return window;
}

platform::LResult SimWindowing::defaultWindowProc(platform::WindowHandle, platform::MessageId,
                                                  platform::WParam, platform::LParam) {
    return 0;
}

bool SimWindowing::destroyWindow(platform::WindowHandle window) {
    if (m_desktop.threadOf(window) != &m_thread) {
        setLastError(m_desktop.isWindow(window) ? platform::error::kAccessDenied
                                                : platform::error::kInvalidWindowHandle);
        return false;
    }
    return m_desktop.destroyWindow(window);
}

bool SimWindowing::showWindow(platform::WindowHandle window, int command) {
    SimDesktop::WindowInfo* info = m_desktop.mutableInfo(window);
    if (info == nullptr) {
        return false;
    }
    const bool wasVisible = info->visible;
    info->visible = command != platform::sw::kHide;
    if (info->visible) {
        m_desktop.windowShown(window);
    }
    return wasVisible;
}

int SimDesktop::addShowObserver(ShowObserver observer) {
    const int token = m_nextShowObserver++;
    m_showObservers.emplace(token, std::move(observer));
    return token;
}

void SimDesktop::removeShowObserver(int token) {
    m_showObservers.erase(token);
}

void SimDesktop::windowShown(platform::WindowHandle window) {
    // A copy: an observer may add or remove observers.
    const auto observers = m_showObservers;
    for (const auto& [token, observer] : observers) {
        observer(window);
    }
}

int SimWindowing::getMessage(platform::Message& message) {
    while (!m_desktop.takeMessage(m_thread, message)) {
        m_desktop.blockUntilWake(m_thread, "GetMessage");
    }
    return message.message == platform::wm::kQuit ? 0 : 1;
}

bool SimWindowing::peekMessage(platform::Message& message) {
    return m_desktop.takeMessage(m_thread, message);
}

void SimWindowing::dispatchMessage(const platform::Message& message) {
    m_desktop.dispatch(message);
}

void SimWindowing::postQuitMessage(int exitCode) {
    m_thread.quitPosted = true;
    m_thread.quitCode = exitCode;
}

std::uint32_t SimWindowing::waitForEventOrInput(platform::SyncHandle event, std::uint32_t timeoutMs) {
    const std::uint64_t start = m_desktop.clock().now();
    for (;;) {
        const std::uint32_t state = m_sync.waitAny(&event, 1, 0);
        if (state == platform::kWaitObject0) {
            return platform::kMsgWaitSignalled;
        }
        if (state == platform::kWaitFailed) {
            return platform::kWaitFailed;
        }
        if (m_desktop.hasInput(m_thread)) {
            return platform::kMsgWaitInput;
        }
        VirtualClock& clock = m_desktop.clock();
        if (timeoutMs != platform::kInfinite) {
            const std::uint64_t deadline = start + timeoutMs;
            if (clock.now() >= deadline) {
                return platform::kWaitTimeout;
            }
            const std::optional<std::uint64_t> next = m_desktop.nextWakeTime(m_thread);
            clock.advanceTo(next && *next < deadline ? *next : deadline);
            continue;
        }
        m_desktop.blockUntilWake(m_thread, "MsgWaitForMultipleObjects");
    }
}

int SimWindowing::messageBox(platform::WindowHandle, const wchar_t* text, const wchar_t* caption,
                             std::uint32_t) {
    return m_desktop.showMessageBox(m_thread, text != nullptr ? text : L"",
                                    caption != nullptr ? caption : L"");
}

platform::WindowHandle SimWindowing::foregroundWindow() {
    return m_desktop.foreground();
}

platform::WindowHandle SimWindowing::parentWindow(platform::WindowHandle window) {
    // As GetParent: a child window's parent, a pop-up window's owner, else none.
    const SimDesktop::WindowInfo* info = m_desktop.info(window);
    if (info == nullptr) {
        setLastError(platform::error::kInvalidWindowHandle);
        return 0;
    }
    if (info->parent != 0) {
        return info->parent;
    }
    return (info->style & kWsPopup) != 0 ? info->owner : 0;
}

int SimWindowing::className(platform::WindowHandle window, wchar_t* buffer, int capacity) {
    const SimDesktop::WindowInfo* info = m_desktop.info(window);
    if (info == nullptr || buffer == nullptr || capacity <= 0) {
        setLastError(info == nullptr ? platform::error::kInvalidWindowHandle
                                     : platform::error::kInvalidParameter);
        return 0;
    }
    const std::size_t n =
        std::min<std::size_t>(info->className.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(info->className.begin(), n, buffer);
    buffer[n] = L'\0';
    return static_cast<int>(n);
}

std::uint32_t SimWindowing::windowStyle(platform::WindowHandle window) {
    const SimDesktop::WindowInfo* info = m_desktop.info(window);
    return info != nullptr ? info->style | (info->visible ? 0x10000000u : 0u) : 0;
}

} // namespace sim

// --- windows of registered classes ------------------------------------------------------------

namespace sim {

namespace {
constexpr platform::ErrorCode kCannotFindWindowClass = 1407;
constexpr platform::ErrorCode kClassAlreadyExists = 1410;
constexpr platform::MessageId kWmSize = 0x0005;
constexpr platform::LResult kCreateFailed = -1;
} // namespace

const SimDesktop::Placement* SimDesktop::placement(platform::WindowHandle window) const {
    if (!isWindow(window)) {
        return nullptr;
    }
    static const Placement kUnplaced;
    const auto it = m_placements.find(window);
    return it != m_placements.end() ? &it->second : &kUnplaced;
}

SimDesktop::Placement* SimDesktop::mutablePlacement(platform::WindowHandle window) {
    return isWindow(window) ? &m_placements[window] : nullptr;
}

bool SimDesktop::registerClass(std::uint32_t processId, const WindowClass& windowClass) {
    const auto key = std::make_pair(processId, upper(windowClass.name));
    if (windowClass.name.empty() || windowClass.procedure == nullptr) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    if (m_classes.count(key) != 0) {
        setLastError(kClassAlreadyExists);
        return false;
    }
    m_classes.emplace(key, windowClass);
    return true;
}

const SimDesktop::WindowClass* SimDesktop::findClass(std::uint32_t processId,
                                                     const std::wstring& name) const {
    const auto it = m_classes.find(std::make_pair(processId, upper(name)));
    return it != m_classes.end() ? &it->second : nullptr;
}

bool SimWindowing::registerWindowClass(const wchar_t* className, std::uint32_t classStyle,
                                       platform::WindowClient& procedure) {
    return m_desktop.registerClass(
        m_thread.processId,
        SimDesktop::WindowClass{className != nullptr ? className : L"", classStyle, &procedure});
}

platform::WindowHandle SimWindowing::createWindow(const wchar_t* className, const wchar_t* title,
                                                  std::uint32_t style, platform::WindowHandle owner,
                                                  std::uintptr_t creationParameter) {
    const SimDesktop::WindowClass* windowClass =
        m_desktop.findClass(m_thread.processId, className != nullptr ? className : L"");
    if (windowClass == nullptr) {
        setLastError(kCannotFindWindowClass);
        return 0;
    }
    if (owner != 0 && !m_desktop.isWindow(owner)) {
        setLastError(platform::error::kInvalidWindowHandle);
        return 0;
    }
    SimDesktop::WindowInfo info;
    info.className = windowClass->name;
    info.title = title != nullptr ? title : L"";
    info.style = style;
    info.owner = owner; // a pop-up at the default position and size: (0, 0), 0 x 0
    platform::WindowClient* procedure = windowClass->procedure;
    const platform::WindowHandle window = m_desktop.createWindow(info, &m_thread, procedure);
    if (procedure->windowProc(window, platform::wm::kCreate, 0,
                              static_cast<platform::LParam>(creationParameter)) == kCreateFailed) {
        m_desktop.destroyWindow(window);
        setLastError(platform::error::kInvalidWindowHandle);
        return 0;
    }
    return window;
}

bool SimWindowing::setWindowPos(platform::WindowHandle window, platform::WindowHandle insertAfter, int x,
                                int y, int width, int height, std::uint32_t flags) {
    SimDesktop::Placement* info = m_desktop.mutablePlacement(window);
    if (info == nullptr) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    if ((flags & platform::kSwpNoMove) == 0) {
        info->x = x;
        info->y = y;
    }
    bool resized = false;
    if ((flags & platform::kSwpNoSize) == 0) {
        width = std::max(width, 0);
        height = std::max(height, 0);
        resized = width != info->width || height != info->height;
        info->width = width;
        info->height = height;
    }
    if ((flags & platform::kSwpNoZOrder) == 0 && insertAfter == platform::kHwndTopmost) {
        info->topmost = true;
    }
    if (resized && m_desktop.threadOf(window) == &m_thread) {
        // WM_SIZE from the default handling of WM_WINDOWPOSCHANGED, sent at once.
        m_desktop.dispatch(platform::Message{
            window, kWmSize, 0,
            static_cast<platform::LParam>((static_cast<std::uint32_t>(info->height) << 16) |
                                          (static_cast<std::uint32_t>(info->width) & 0xFFFF))});
    }
    return true;
}

bool SimWindowing::windowState(platform::WindowHandle window, platform::WindowState& state) {
    const SimDesktop::WindowInfo* info = m_desktop.info(window);
    const SimDesktop::Placement* placed = m_desktop.placement(window);
    if (info == nullptr || placed == nullptr) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    state = platform::WindowState{placed->x,      placed->y,     placed->width,
                                  placed->height, info->visible, placed->topmost};
    return true;
}

} // namespace sim
