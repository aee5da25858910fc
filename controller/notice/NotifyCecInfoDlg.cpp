// The notice dialog. Portable.
#include "controller/notice/NotifyCecInfoDlg.h"

#include "common/Bytes.h"
#include "common/Trace.h"
#include "controller/SentrixdResources.h"
#include "controller/notice/NotifyBand.h"

#include <utility>

#define NOTICE_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr const wchar_t* kProductKey = L"SOFTWARE\\KORVATH\\Sentrixd";
constexpr int kBnClicked = 0;
constexpr int kMaxTextChars = 512;

} // namespace

CNotifyCecInfoDlg::CNotifyCecInfoDlg(std::uint32_t variant, platform::Dialogs& dialogs,
                                     platform::Registry& registry,
                                     std::function<void(CNotifyCecInfoDlg*)> released)
    : m_dwVariant(variant), m_dialogs(dialogs), m_registry(registry), m_released(std::move(released)) {}

bool CNotifyCecInfoDlg::Create() {
    NOTICE_SCOPE("CNotifyCecInfoDlg::Create");
    const platform::WindowHandle window = m_dialogs.createDialog(IDD_NOTIFY_CEC_INFO, 0, *this);
    if (window == 0) {
        TRACE_ERROR(L"ERROR CreateDialog(%d)", IDD_NOTIFY_CEC_INFO);
        return false;
    }
    m_hWnd = window;
    return true;
}

std::wstring CNotifyCecInfoDlg::loadString(platform::ResourceId id) {
    wchar_t text[kMaxTextChars];
    const int count = m_dialogs.loadString(id, text, kMaxTextChars);
    return std::wstring(text, static_cast<std::size_t>(count > 0 ? count : 0));
}

bool CNotifyCecInfoDlg::onInitDialog(platform::WindowHandle dialog) {
    m_hWnd = dialog;
    return OnInitDialog();
}

bool CNotifyCecInfoDlg::OnInitDialog() {
    NOTICE_SCOPE("CNotifyCecInfoDlg::OnInitDialog");
    m_dialogs.setIcon(m_hWnd, IDR_MAINFRAME);
    m_dialogs.setTitle(m_hWnd, loadString(IDS_CAPTION).c_str());
    m_strMessage = loadString(m_dwVariant == kVariantSupported ? IDS_TV_SUPPORTS : IDS_TV_NOT_SUPPORTED);
    m_dialogs.setItemText(m_hWnd, IDC_NOTIFY_DONT_SHOW, loadString(IDS_DO_NOT_SHOW_AGAIN).c_str());
    m_dialogs.setItemText(m_hWnd, IDC_NOTIFY_MESSAGE, m_strMessage.c_str());
    if (m_dialogs.setTimer(m_hWnd, kTimerClose, kClosePeriodMs) == 0) {
        TRACE_ERROR(L"ERROR SetTimer()");
    }
    return true;
}

bool CNotifyCecInfoDlg::onCommand(platform::WindowHandle, int id, int code) {
    if (code != kBnClicked) {
        return false; // not a click: no control of this dialog sends anything that needs acting on
    }
    if (id == platform::dlg::kIdOk) {
        OnOK();
        return true;
    }
    if (id == platform::dlg::kIdCancel) {
        // The close box or Esc: closed without storing the check box.
        close();
        return true;
    }
    return false; // the check box needs nothing until OK
}

void CNotifyCecInfoDlg::OnOK() {
    NOTICE_SCOPE("CNotifyCecInfoDlg::OnOK");
    wchar_t text[kMaxTextChars];
    const int count = m_dialogs.itemText(m_hWnd, IDC_NOTIFY_MESSAGE, text, kMaxTextChars);
    m_strMessage.assign(text, static_cast<std::size_t>(count > 0 ? count : 0));
    const std::uint32_t state =
        static_cast<std::uint32_t>(m_dialogs.checkState(m_hWnd, IDC_NOTIFY_DONT_SHOW));
    platform::ScopedRegKey key(m_registry);
    if (m_registry.openKey(platform::kHkeyCurrentUser, kProductKey, platform::RegAccess::Write, key.out()) ==
        platform::error::kSuccess) {
        const wchar_t* name =
            m_dwVariant == kVariantNotSupported ? L"NotifyNotShowNotSupport" : L"NotifyNotShowCecKorvath";
        const platform::ErrorCode written = platform::writeDword(m_registry, key, name, state);
        if (written != platform::error::kSuccess) {
            TRACE_MSG(L"RegSetValueEx() 0x%08x", static_cast<unsigned>(written));
        }
    }
    close();
}

bool CNotifyCecInfoDlg::onTimer(platform::WindowHandle, platform::TimerId) {
    NOTICE_SCOPE("CNotifyCecInfoDlg::WindowProc");
    close(); // any timer message ends the notice; nothing is stored
    return true;
}

void CNotifyCecInfoDlg::onPaint(platform::WindowHandle, platform::DialogPaint& paint) {
    NOTICE_SCOPE("CNotifyCecInfoDlg::OnPaint");
    notice::paintNotifyBand(paint);
}

void CNotifyCecInfoDlg::close() {
    if (m_hWnd != 0 && m_dialogs.isDialog(m_hWnd)) {
        m_dialogs.destroyDialog(m_hWnd);
    }
}

void CNotifyCecInfoDlg::onFinalRelease(platform::WindowHandle) {
    m_hWnd = 0;
    if (m_released) {
        auto released = std::move(m_released);
        released(this); // may delete this object: nothing of it is touched afterwards
    }
}
