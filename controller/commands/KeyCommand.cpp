// Typing the key sequence of a rule. Portable.
#include "controller/commands/KeyCommand.h"

#include "common/Trace.h"
#include "controller/Context.h"

#include <string>
#include <vector>

#define CMD_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

// The unit a key group becomes: its virtual-key code, or 0 (the end of the sequence) for a
// group that does not name one.
wchar_t keyUnit(const std::wstring& group) {
    const std::uint32_t code = Context::hexToDword(group);
    return code <= KeyCommand::kMaxVirtualKey ? static_cast<wchar_t>(code) : L'\0';
}

} // namespace

int KeyCommand::setCmdInfo(const CmdInfo* rule) {
    CMD_SCOPE("KeyCommand::setCmdInfo");
    m_pCmdInfo = rule;
    for (wchar_t& unit : m_szKey) {
        unit = L'\0';
    }
    if (rule == nullptr) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    const std::wstring param = rule->getParam();
    // The last unit always stays 0: the sequence is terminated whatever the parameter holds.
    const std::size_t limit = kKeyChars - 1;
    std::size_t next = 0;
    std::wstring group;
    for (std::size_t i = 0; i < param.size() && next < limit; ++i) {
        const wchar_t c = param[i];
        if (c == kChord || c == kRelease) {
            m_szKey[next++] = keyUnit(group);
            if (next < limit) {
                m_szKey[next++] = c;
            }
            group.clear();
        } else {
            group.push_back(c);
            if (i + 1 == param.size()) {
                m_szKey[next++] = keyUnit(group);
            }
        }
    }
    return 0;
}

int KeyCommand::execute() {
    CMD_SCOPE("KeyCommand::execute");
    CreateKeyEvent(m_szKey);
    return 1;
}

void KeyCommand::CreateKeyEvent(const wchar_t* sequence) {
    CMD_SCOPE("KeyCommand::CreateKeyEvent");
    std::wstring keys;
    for (std::size_t i = 0; sequence != nullptr && i < kKeyChars && sequence[i] != L'\0'; ++i) {
        keys.push_back(sequence[i]);
    }
    TRACE_MSG(L"CreateKeyEvent(): szKey=%ls", keys.c_str());
    keys.push_back(kEndMark);

    std::vector<platform::KeyEvent> batch;
    std::size_t pressed = 0;
    bool keyPosition = true;
    for (std::size_t i = 0; i < keys.size(); ++i, keyPosition = !keyPosition) {
        const bool end = i + 1 == keys.size();
        if (keyPosition) {
            if (end) {
                break; // the sequence ended with a joiner: its open chord is not sent
            }
            platform::KeyEvent down;
            down.virtualKey = static_cast<std::uint16_t>(keys[i]);
            batch.push_back(down);
            ++pressed;
            continue;
        }
        if (keys[i] != kRelease && !end) {
            continue; // "&": the chord stays open
        }
        for (std::size_t k = 0; k < pressed; ++k) {
            platform::KeyEvent up = batch[k];
            up.flags = platform::kKeyEventKeyUp;
            batch.push_back(up);
        }
        m_keyboard.sendInput(batch.data(), static_cast<std::uint32_t>(batch.size()));
        batch.clear();
        pressed = 0;
        if (end) {
            break;
        }
    }
}
