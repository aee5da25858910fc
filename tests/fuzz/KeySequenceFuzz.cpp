// The key sequence of a key command: the parameter of a rule (any text that fits its array)
// is built into the sequence and typed. Every batch is the chord's key-downs of virtual keys
// 1 to FE followed by their key-ups in the same order; the sequence stays terminated inside
// its array. The same bytes are also typed as a raw, unterminated sequence array.
#include "controller/commands/KeyCommand.h"
#include "tests/fuzz/FuzzInput.h"

#include <vector>

namespace {

class CheckingKeyboard final : public platform::KeyboardInput {
public:
    explicit CheckingKeyboard(bool fromRule) : m_fromRule(fromRule) {}
    std::uint32_t sendInput(const platform::KeyEvent* events, std::uint32_t count) override {
        FUZZ_CHECK(count > 0 && count % 2 == 0 && count <= KeyCommand::kKeyChars);
        const std::uint32_t half = count / 2;
        for (std::uint32_t i = 0; i < half; ++i) {
            FUZZ_CHECK(events[i].flags == 0);
            FUZZ_CHECK(events[half + i].flags == platform::kKeyEventKeyUp);
            FUZZ_CHECK(events[half + i].virtualKey == events[i].virtualKey);
            if (m_fromRule) {
                FUZZ_CHECK(events[i].virtualKey >= 1 && events[i].virtualKey <= KeyCommand::kMaxVirtualKey);
            }
        }
        return count;
    }

private:
    bool m_fromRule;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = fuzzing::utf16Text(data, size);
    CmdInfo rule;
    if (rule.setParam(text)) {
        CheckingKeyboard keyboard(true);
        KeyCommand command(keyboard);
        command.setCmdInfo(&rule);
        const wchar_t* sequence = command.keySequence();
        FUZZ_CHECK(sequence[KeyCommand::kKeyChars - 1] == L'\0');
        FUZZ_CHECK(command.execute() == 1);
    }
    // A sequence array filled to its end without a terminator.
    std::vector<wchar_t> raw(KeyCommand::kKeyChars, L'\0');
    for (std::size_t i = 0; i < raw.size() && i < text.size(); ++i) {
        raw[i] = text[i] == L'\0' ? L'1' : text[i];
    }
    CheckingKeyboard keyboard(false);
    KeyCommand(keyboard).CreateKeyEvent(raw.data());
    return 0;
}
