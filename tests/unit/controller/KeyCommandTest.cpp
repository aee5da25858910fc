// The key sequence of a rule's parameter, as the input batches it sends.
#include "controller/commands/KeyCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingKeyboard final : public platform::KeyboardInput {
public:
    std::uint32_t sendInput(const platform::KeyEvent* events, std::uint32_t count) override {
        std::string batch;
        for (std::uint32_t i = 0; i < count; ++i) {
            char text[16];
            std::snprintf(text, sizeof text, "%s%X%s", i == 0 ? "" : ",", events[i].virtualKey,
                          events[i].flags == platform::kKeyEventKeyUp ? "u" : "d");
            batch += text;
        }
        batches.push_back(batch);
        return count;
    }
    std::vector<std::string> batches;
};

struct KeyCase {
    const char* name;
    std::wstring param;
    std::vector<std::string> batches;
};

class KeyCommandBatches : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyCommandBatches, SendsOneBatchPerClosedChord) {
    const KeyCase& c = GetParam();
    CmdInfo rule;
    ASSERT_TRUE(rule.setParam(c.param));
    RecordingKeyboard keyboard;
    KeyCommand command(keyboard);
    command.setCmdInfo(&rule);
    EXPECT_EQ(command.execute(), 1);
    EXPECT_EQ(keyboard.batches, c.batches);
}

std::vector<KeyCase> keyCases() {
    // Ninety one-digit keys in one chord fill the 179 units of the parameter exactly.
    std::wstring ninety;
    std::string downs, ups;
    for (int i = 0; i < 90; ++i) {
        ninety += (i == 0 ? L"" : L"&") + std::wstring(L"9");
        downs += (i == 0 ? "" : ",") + std::string("9d");
        ups += ",9u";
    }
    return {
        {"Enter", L"0D", {"Dd,Du"}},
        {"CtrlC", L"11&43", {"11d,43d,11u,43u"}},
        {"HomeThenEnter", L"24|0D", {"24d,24u", "Dd,Du"}},
        {"TrailingChordSendsNothing", L"11&", {}},
        {"TrailingChordAfterSentOne", L"24|11&43&", {"24d,24u"}},
        {"TrailingRelease", L"24|", {"24d,24u"}},
        {"EmptyParameter", L"", {}},
        {"EmptyGroupEndsSequence", L"11&&43", {}},
        {"NotHexEndsSequence", L"24|zz|0D", {"24d,24u"}},
        {"AboveFEEndsSequence", L"24|10041", {"24d,24u"}},
        {"ZeroXPrefix", L"0x11&0x43", {"11d,43d,11u,43u"}},
        {"OnlyJoiners", std::wstring(179, L'&'), {}},
        {"NinetyKeysInOneChordSent", ninety, {downs + ups}},
    };
}

INSTANTIATE_TEST_SUITE_P(Parameters, KeyCommandBatches, ::testing::ValuesIn(keyCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyCommandSequence, LastUnitStaysTerminator) {
    CmdInfo rule;
    ASSERT_TRUE(rule.setParam(std::wstring(179, L'|')));
    RecordingKeyboard keyboard;
    KeyCommand command(keyboard);
    command.setCmdInfo(&rule);
    EXPECT_EQ(command.keySequence()[KeyCommand::kKeyChars - 1], L'\0');
}

} // namespace
