// The main window's end-application watches: after a launch, a watch thread per application
// type waits for the application's process to end (or for the stop event) and then tells the
// main window by posting WM_END_APPLICATION. The slots are the only state the threads share
// besides the stop event; each record belongs to one watch.
// Portable.
#include "controller/SentrixdDlg.h"

#include "common/Trace.h"
#include "controller/ApplicationCondition.h"

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

struct WatchedApplication {
    const wchar_t* name;        // in traces
    const wchar_t* windowClass; // of the application's main window
    std::uint32_t waitMs;       // before looking for it in the foreground
};
constexpr WatchedApplication kWatched[CSentrixdDlg::kEndAppSlots] = {
    {L"Alder", L"KorAvdeck", 15000},    {L"Birch", L"KORDVDCLASS", 3000},
    {L"Cedar", L"Netreel", 3000},       {L"PowerCinema", L"koan", 3000},
    {L"WinDVD", L"WinDVDClass", 10000}, {L"MediaCenter", L"eHome Render Window", 3000},
};

bool ended(platform::Sync& sync, platform::SyncHandle thread) {
    return sync.waitAny(&thread, 1, 0) == platform::kWaitObject0;
}

} // namespace

void CSentrixdDlg::createEndAppThread(int type) {
    DLG_SCOPE("CSentrixdDlg::createEndAppThread");
    if (type < 1 || type > kEndAppSlots) {
        return;
    }
    const WatchedApplication& application = kWatched[type - 1];
    TRACE_MSG(L"createEndAppThread(): %ls", application.name);
    m_ports.clock.sleep(application.waitMs);

    ApplicationCondition condition(m_ports.windowing);
    const platform::WindowHandle window = condition.isTopmostApp(application.windowClass);
    if (window == 0) {
        TRACE_MSG(L"Application is not TOPMOST");
        return;
    }
    releaseEndedAppThreads();
    std::atomic<EndAppWatch*>& slot = m_endAppSlots[type - 1];
    if (slot.load() != nullptr) {
        TRACE_MSG(L"Already Create Thread for %ls", application.name);
        return;
    }

    auto watch = std::make_unique<EndAppWatch>();
    watch->pDlg = this;
    watch->hWnd = window;
    watch->nType = type;
    // Taken before the thread starts: a watch that ends at once empties it again itself.
    slot.store(watch.get());
    EndAppWatch* record = watch.get();
    const platform::SyncHandle thread =
        m_ports.threadStarter.startThread([record] { EndAppThread(record); }, nullptr);
    if (thread == 0) {
        slot.store(nullptr);
        TRACE_ERROR(L"ERROR CreateThread()");
        return;
    }
    watch->hThread = thread;
    TRACE_MSG(L"Create EndAppThread for %ls:hThread=0x%08x, hWnd=0x%08x", application.name,
              static_cast<unsigned>(thread), static_cast<unsigned>(window));
    m_endAppWatches.push_back(std::move(watch));
}

void CSentrixdDlg::EndAppThread(EndAppWatch* watch) {
    CSentrixdDlg& dlg = *watch->pDlg;
    const int type = watch->nType;
    {
        TRACE_SCOPE(TraceModule::Sentrixd, "EndAppThread");
        std::uint32_t processId = 0;
        dlg.m_ports.focus.windowThreadProcessId(watch->hWnd, &processId);
        const platform::SyncHandle process =
            processId != 0 ? dlg.m_ports.processes.openProcess(platform::kSynchronize, processId) : 0;
        if (process == 0) {
            TRACE_MSG(L"ERROR: Get Process Handle");
        } else {
            TRACE_MSG(L"WAIT: End Application: hProcess=0x%08x", static_cast<unsigned>(process));
            const platform::SyncHandle handles[2] = {process, dlg.m_hEndAppEvent};
            const std::uint32_t result = dlg.m_ports.sync.waitAny(handles, 2, platform::kInfinite);
            TRACE_MSG(L"DETECT: End Application: hProcess=0x%08x", static_cast<unsigned>(process));
            if (result == platform::kWaitObject0) {
                const platform::WindowHandle main =
                    dlg.m_ports.windowing.findWindow(kMainWindowClass, kMainWindowTitle);
                TRACE_MSG(L"Notify WM_END_APPLICATION");
                dlg.m_ports.windowing.postMessage(main, WM_END_APPLICATION,
                                                  static_cast<platform::WParam>(type), 0);
            }
            dlg.m_ports.sync.closeHandle(process);
        }
    }
    // Last act: the slot is emptied only if it still holds this watch (WM_END_APPLICATION may
    // have emptied it, and a new watch taken it, meanwhile).
    EndAppWatch* self = watch;
    dlg.m_endAppSlots[type - 1].compare_exchange_strong(self, nullptr);
}

void CSentrixdDlg::releaseEndedAppThreads() {
    for (auto it = m_endAppWatches.begin(); it != m_endAppWatches.end();) {
        if (ended(m_ports.sync, (*it)->hThread)) {
            m_ports.sync.closeHandle((*it)->hThread);
            it = m_endAppWatches.erase(it);
        } else {
            ++it;
        }
    }
}

void CSentrixdDlg::stopEndAppThreads() {
    DLG_SCOPE("CSentrixdDlg::stopEndAppThreads");
    releaseEndedAppThreads();
    if (m_endAppWatches.empty() && !anyEndAppSlotTaken()) {
        return;
    }
    m_ports.sync.setEvent(m_hEndAppEvent);
    // Every watch that was running sees the event before it is reset for the next ones.
    for (const auto& watch : m_endAppWatches) {
        platform::SyncHandle thread = watch->hThread;
        m_ports.sync.waitAny(&thread, 1, platform::kInfinite);
        m_ports.sync.closeHandle(thread);
    }
    m_endAppWatches.clear();
    m_ports.sync.resetEvent(m_hEndAppEvent);
}
