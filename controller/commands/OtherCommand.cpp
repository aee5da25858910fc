// Ejecting the disc. Portable.
#include "controller/commands/OtherCommand.h"

#include "common/Trace.h"

#define CMD_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

int OtherCommand::setCmdInfo(const CmdInfo* rule) {
    CMD_SCOPE("OtherCommand::setCmdInfo");
    m_pCmdInfo = rule;
    return 0;
}

int OtherCommand::execute() {
    CMD_SCOPE("OtherCommand::execute");
    if (m_pCmdInfo == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    if (m_pCmdInfo->m_dwCommand == kEjectCommand) {
        EjectMedia();
    }
    return 1;
}

std::int32_t OtherCommand::EjectMedia() {
    CMD_SCOPE("OtherCommand::EjectMedia");
    const platform::WindowHandle window = m_media.createMediaWindow(m_hOwner, kMediaWindowStyle, nullptr);
    if (window == 0) {
        TRACE_ERROR(L"ERROR Open");
        return kErrorOpen;
    }
    m_media.sendMediaMessage(window, platform::mciwnd::kOpenW, 0,
                             reinterpret_cast<platform::LParam>(kDiscDevice));
    if (m_media.sendMediaMessage(window, platform::mciwnd::kCanEject, 0, 0) != 0) {
        m_media.sendMediaMessage(window, platform::mciwnd::kEject, 0, 0);
    }
    m_media.sendMediaMessage(window, platform::wm::kClose, 0, 0);
    return 0;
}
