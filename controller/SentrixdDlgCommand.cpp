// The main window's remote-key commands: finds the first rule for a pass-through key whose
// window condition holds and runs its command; one TV brand's media keys become application
// commands directly.
// Portable.
#include "controller/SentrixdDlg.h"

#include "common/Trace.h"
#include "controller/ApplicationCondition.h"
#include "controller/StringTable.h"

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr std::uint32_t kResultNoRule = 0x4000FF04;
constexpr std::uint32_t kResultReturnFalse = 0x4000FF05;
constexpr std::uint32_t kResultNoCommand = 0x8000FF04;

// The TV brand whose media keys bypass the rules, and what its keys post.
constexpr std::uint32_t kMediaKeyVendorId = 0x008045;
struct MediaKey {
    std::uint32_t key;
    std::uint32_t command;
};
constexpr MediaKey kMediaKeys[] = {{0xE4, 14}, {0xE5, 13}, {0xE6, 49}, {0xE7, 50}};

// Command flags of a rule.
constexpr std::uint32_t kCommandRun = 0x100;
constexpr std::uint32_t kCommandKeys = 0x200;
constexpr std::uint32_t kCommandMenu = 0x400;
constexpr std::uint32_t kCommandOther = 0x800;

} // namespace

std::uint32_t CSentrixdDlg::executeCommand(platform::WParam value) {
    DLG_SCOPE("CSentrixdDlg::executeCommand");
    const std::uint32_t key = static_cast<std::uint32_t>(value & 0xFF);
    if (m_dwVendorID == kMediaKeyVendorId) {
        for (const MediaKey& media : kMediaKeys) {
            if (media.key == key) {
                postAppCommand(media.command);
                return 0;
            }
        }
    }
    const CmdInfo* rule = nullptr;
    const std::uint32_t matched = getMatchedCmdInfo(key, rule);
    if (matched != 0) {
        TRACE_ERROR(L"ERROR getMatchedCmdInfo():0x%08x", matched);
        return matched;
    }
    return execCmdInfo(rule);
}

std::uint32_t CSentrixdDlg::getMatchedCmdInfo(std::uint32_t key, const CmdInfo*& rule) {
    DLG_SCOPE("CSentrixdDlg::getMatchedCmdInfo");
    for (const auto& candidate : m_cmdInfoList) {
        if (candidate->m_dwKey == key && matchingCondition(candidate.get()) == 1) {
            TRACE_MSG(L"Exist CmdInfo");
            rule = candidate.get();
            return 0;
        }
    }
    TRACE_MSG(L"NOT Exist CmdInfo");
    return kResultNoRule;
}

int CSentrixdDlg::matchingCondition(const CmdInfo* rule) {
    DLG_SCOPE("CSentrixdDlg::matchingCondition");
    if (rule == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    if (rule->m_dwCondition == 0) {
        TRACE_ERROR(L"ERROR CmdInfo::getCondition()");
        return 1;
    }
    if ((rule->m_dwCondition & ApplicationCondition::kApplication) != 0) {
        ApplicationCondition condition(m_ports.windowing);
        const std::int32_t set = condition.setCmdInfo(rule);
        if (set != 0) {
            TRACE_ERROR(L"ERROR ApplicationCondition::setCmdInfo():0x%08x", static_cast<unsigned>(set));
            return 0;
        }
        if (condition.isMatch() == 0) {
            TRACE_ERROR(L"ERROR ApplicationCondition::isMatch()");
            return 0;
        }
    }
    TRACE_ERROR(L"SUCCESS");
    return 1;
}

std::uint32_t CSentrixdDlg::execCmdInfo(const CmdInfo* rule) {
    DLG_SCOPE("CSentrixdDlg::execCmdInfo");
    if (rule == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return kResultReturnFalse;
    }
    const std::uint32_t flags = rule->m_dwCommand;
    if ((flags & kCommandMenu) != 0) {
        if (m_edidHelper.GetMonitorDevice() != static_cast<int>(monitor::kHdmi)) {
            selectDisplayOutput(monitor::kHdmi);
        }
        if (m_appLauncher.showAppLauncher() == 0) {
            showMessageBox(strings::kNoApplication);
        }
        return 0;
    }
    std::unique_ptr<Command> command;
    if ((flags & kCommandOther) != 0) {
        command = m_services.commands.createOtherCommand(m_hWnd);
        if (!command) {
            TRACE_ERROR(L"ERROR Create OtherCommand Instance");
            return kResultNoCommand;
        }
    } else if ((flags & kCommandKeys) != 0) {
        command = m_services.commands.createKeyCommand();
        if (!command) {
            TRACE_ERROR(L"ERROR Create KeyCommand Instance");
            return kResultNoCommand;
        }
    } else if ((flags & kCommandRun) != 0) {
        command = m_services.commands.createRunCommand(m_hWnd);
        if (!command) {
            TRACE_ERROR(L"ERROR Create RunCommand Instance");
            return kResultNoCommand;
        }
    }
    if (command) {
        command->setCmdInfo(rule);
        if (rule->m_dwWait != 0) {
            m_ports.clock.sleep(rule->m_dwWait);
        }
        const int executed = command->execute();
        command.reset();
        if (executed != 0) {
            TRACE_MSG(L"Return TRUE");
            return 0;
        }
    }
    TRACE_MSG(L"Return FALSE");
    return kResultReturnFalse;
}
