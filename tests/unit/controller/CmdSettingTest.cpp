// The command settings store: the per-user copy of the machine-wide tree and its version
// rule, loading rule values into the rule list, and every failure of both.
#include "controller/CmdSetting.h"

#include "common/Text.h"
#include "sim/SimRegistry.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

const std::wstring kProduct = L"SOFTWARE\\KORVATH\\Sentrixd";
const std::wstring kSetting = kProduct + L"\\Setting";
const std::wstring kLauncher = kProduct + L"\\Launcher";

class CmdSettingTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry.setString(kHkeyLocalMachine, kProduct, L"CurrentVersion", L"1.0");
        registry.setDword(kHkeyLocalMachine, kProduct, L"LauncherShowMode", 1);
        registry.setString(kHkeyLocalMachine, kSetting, L"Keys", L"0,44,401,\"KorAvdeck,,\",1F4ms,200,20");
        registry.setString(kHkeyLocalMachine, kLauncher + L"\\Item1", L"Name", L"Player");
    }

    // Rule values of the user hive only, with a copy that is current.
    void userRules(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
        registry.setString(kHkeyCurrentUser, kProduct, L"CurrentVersion", L"1.0");
        for (const auto& [name, text] : values) {
            registry.setString(kHkeyCurrentUser, kSetting, name, text);
        }
    }

    // open, load and close as the main window does; returns the load result.
    std::int32_t openAndLoad() {
        EXPECT_EQ(setting.open(), CmdSetting::kSuccess);
        const std::int32_t loaded = setting.load(rules);
        setting.close();
        return loaded;
    }

    std::vector<std::uint32_t> keys() const {
        std::vector<std::uint32_t> out;
        for (const auto& rule : rules) {
            out.push_back(rule->m_dwKey);
        }
        return out;
    }

    testing_support::TraceCapture trace;
    sim::SimRegistry registry;
    CmdSetting setting{registry};
    CmdInfoList rules;
};

TEST_F(CmdSettingTest, FirstStartCopiesTheWholeMachineTreeAndLoadsItsRules) {
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_EQ(registry.snapshot(kHkeyCurrentUser, kProduct), registry.snapshot(kHkeyLocalMachine, kProduct));
    ASSERT_EQ(rules.size(), 1u);
    const CmdInfo& rule = *rules.front();
    EXPECT_EQ(rule.m_dwKey, 0x44u);
    EXPECT_EQ(rule.m_dwCondition, 0x401u);
    EXPECT_EQ(rule.getCondition(), L"KorAvdeck,,");
    EXPECT_EQ(rule.m_dwWait, 0x1F4u);
    EXPECT_EQ(rule.m_dwCommand, 0x200u);
    EXPECT_EQ(rule.getParam(), L"20");
    EXPECT_EQ(registry.openHandleCount(), 0u);

    setting.unload(rules);
    EXPECT_TRUE(rules.empty());
}

struct VersionCase {
    std::optional<std::wstring> user;
    std::optional<std::wstring> machine;
    bool copied;
};
void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << "user " << (c.user ? text::toUtf8(*c.user) : "none") << ", machine "
        << (c.machine ? text::toUtf8(*c.machine) : "none");
}

class CmdSettingVersionTest : public CmdSettingTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(CmdSettingVersionTest, TheCopyIsRefreshedWhenTheMachineVersionIsNewerOrMissing) {
    const VersionCase& c = GetParam();
    registry.ensureKey(kHkeyCurrentUser, kProduct);
    registry.deleteValue(kHkeyLocalMachine, kProduct, L"CurrentVersion");
    // Stored without terminator: a version may fill its whole 128-byte buffer.
    if (c.user) {
        registry.setValue(kHkeyCurrentUser, kProduct, L"CurrentVersion", platform::regtype::kSz,
                          text::toUtf16Le(*c.user, false));
    }
    if (c.machine) {
        registry.setValue(kHkeyLocalMachine, kProduct, L"CurrentVersion", platform::regtype::kSz,
                          text::toUtf16Le(*c.machine, false));
    }
    EXPECT_EQ(setting.open(), CmdSetting::kSuccess);
    setting.close();
    EXPECT_EQ(registry.getValue(kHkeyCurrentUser, kSetting, L"Keys").has_value(), c.copied);
}

const std::wstring kVersion64(64, L'7');

INSTANTIATE_TEST_SUITE_P(
    Versions, CmdSettingVersionTest,
    ::testing::Values(VersionCase{L"1.0", L"1.0", false}, VersionCase{L"1.0", L"1.1", true},
                      VersionCase{L"1.1", L"1.0", false}, VersionCase{std::nullopt, L"1.0", true},
                      VersionCase{L"1.0", std::nullopt, true},
                      VersionCase{L"1.9", L"1.10", false}, // text order, not numeric
                      VersionCase{L"1.0a", L"1.0A", true}, VersionCase{L"1.0A", L"1.0a", false},
                      VersionCase{kVersion64, kVersion64, false},
                      // A machine version too long to read is the empty text, not a missing one.
                      VersionCase{kVersion64, kVersion64 + L"7", false},
                      VersionCase{std::nullopt, kVersion64 + L"7", false},
                      VersionCase{kVersion64 + L"7", L"1.0", true})); // the user's unreadable: empty

TEST_F(CmdSettingTest, ARefreshOverwritesMachineValuesAndKeepsUserOnlyValues) {
    registry.setString(kHkeyCurrentUser, kProduct, L"CurrentVersion", L"0.9");
    registry.setString(kHkeyCurrentUser, kSetting, L"Keys", L"0,99,0,,0,200,0D");
    registry.setString(kHkeyCurrentUser, kSetting, L"Mine", L"0,98,0,,0,200,0D");
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_EQ(keys(), (std::vector<std::uint32_t>{0x44, 0x98}));
    EXPECT_EQ(registry.getValue(kHkeyCurrentUser, kProduct, L"CurrentVersion"),
              registry.getValue(kHkeyLocalMachine, kProduct, L"CurrentVersion"));
}

struct OpenFailure {
    const char* what;
    std::function<void(sim::SimRegistry&)> setup;
    std::int32_t code;
    const char* log;
};
void PrintTo(const OpenFailure& c, std::ostream* os) {
    *os << c.what;
}

class CmdSettingOpenFailureTest : public CmdSettingTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(CmdSettingOpenFailureTest, FailsWithItsCodeAndLeavesNoKeyOpen) {
    GetParam().setup(registry);
    EXPECT_EQ(setting.open(), GetParam().code);
    EXPECT_TRUE(trace.contains(GetParam().log)) << GetParam().log;
    EXPECT_EQ(registry.openHandleCount(), 0u);
    EXPECT_EQ(setting.load(rules), CmdSetting::kErrorOpenKey);
    EXPECT_TRUE(trace.contains("ERROR!! in CmdSetting::load ERROR Invalid Parameters"));
}

const std::wstring kLongName(64, L'n');

INSTANTIATE_TEST_SUITE_P(
    Failures, CmdSettingOpenFailureTest,
    ::testing::Values(
        OpenFailure{"UserKeyRefused",
                    [](sim::SimRegistry& r) {
                        r.failOpen(kHkeyCurrentUser, kProduct, platform::error::kAccessDenied);
                    },
                    CmdSetting::kErrorOpenKey, "ERROR!! in CmdSetting::open ERROR RegOpenKeyEx()"},
        OpenFailure{
            "NoProductKeyAnywhere", [](sim::SimRegistry& r) { r.deleteKey(kHkeyLocalMachine, kProduct); },
            CmdSetting::kErrorOpenKey, "ERROR!! in CmdSetting::createUserSetting ERROR RegOpenKeyEx()"},
        OpenFailure{"MachineKeyMissing",
                    [](sim::SimRegistry& r) {
                        r.ensureKey(kHkeyCurrentUser, kProduct);
                        r.deleteKey(kHkeyLocalMachine, kProduct);
                    },
                    CmdSetting::kErrorOpenKey, "ERROR!! in CmdSetting::open ERROR RegOpenKeyEx()"},
        OpenFailure{"UserChildCannotBeCreated",
                    [](sim::SimRegistry& r) {
                        r.failOpen(kHkeyCurrentUser, kLauncher + L"\\Item1", platform::error::kAccessDenied);
                    },
                    CmdSetting::kErrorCreateKey, "ERROR!! in CmdSetting::copySubkey ERROR copySubkey()"},
        OpenFailure{"MachineChildCannotBeOpened",
                    [](sim::SimRegistry& r) {
                        r.failOpen(kHkeyLocalMachine, kLauncher, platform::error::kAccessDenied);
                    },
                    CmdSetting::kErrorOpenKey, "ERROR!! in CmdSetting::copySubkey ERROR RegOpenKeyEx()"},
        OpenFailure{"RefreshFails",
                    [](sim::SimRegistry& r) {
                        r.setString(kHkeyCurrentUser, kProduct, L"CurrentVersion", L"0.9");
                        r.failOpen(kHkeyCurrentUser, kLauncher, platform::error::kAccessDenied);
                    },
                    CmdSetting::kErrorCreateKey,
                    "ERROR!! in CmdSetting::open ERROR createUserSetting():0x80000102"}),
    [](const ::testing::TestParamInfo<OpenFailure>& info) { return std::string(info.param.what); });

TEST_F(CmdSettingTest, RulesLoadInValueOrderThenTextOrderAndAFaultyValueLosesOnlyItsOwnRules) {
    userRules({{L"A", L"0,10,0,,0,200,0D"},
               {L"B", L"0,11,0,,0,200,0D,0,12,0,,0,200,0D"},
               {L"C", L",0,13,0,,0,200,0D"},
               {L"D", L""},
               {L"E", L"0,14,0,,0,200,0D,0,15,401,\"Kor,,0,200,0D"},
               {L"F", L"0,16,0,,0,200,0D,"},
               {L"G", L"0,17,0,,0,200,0D"}});
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_EQ(keys(), (std::vector<std::uint32_t>{0x10, 0x11, 0x12, 0x13, 0x14, 0x16, 0, 0x17}));
    EXPECT_EQ(rules[3]->getParam(), L"0D");
    EXPECT_EQ(rules[6]->m_dwCommand, 0u);
    EXPECT_EQ(rules[6]->getParam(), L"");
    EXPECT_EQ(trace.count("ERROR!! in CmdContext::getCmdInfo ERROR Out of memory in CmdContext"), 1u);
    EXPECT_EQ(trace.count("ERROR!! in CmdContext::getCmdInfo ERROR Context::getNextToken():0x80000201"), 1u);
}

TEST_F(CmdSettingTest, ATextFieldTooLongForItsArrayRefusesItsRuleOnly) {
    const std::wstring smile = L"\U0001F600"; // two UTF-16 units
    std::wstring wide62;
    for (int i = 0; i < 31; ++i) {
        wide62 += smile;
    }
    userRules({{L"FitCondition", L"0,20,0," + std::wstring(63, L'c') + L",0,100,a"},
               {L"FitParam", L"0,26,0,,0,100," + std::wstring(179, L'p')},
               {L"Wide", L"0,21,0," + wide62 + L"x,0,100,a"},
               {L"Long", L"0,22,0," + std::wstring(64, L'c') + L",0,100,a,0,23,0,,0,100,b"},
               {L"LongWide", L"0,24,0," + wide62 + smile + L",0,100,a"},
               {L"LongParam", L"0,25,0,,0,100," + std::wstring(180, L'p')}});
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_EQ(keys(), (std::vector<std::uint32_t>{0x20, 0x26, 0x21, 0x23}));
    EXPECT_EQ(rules[0]->getCondition(), std::wstring(63, L'c'));
    EXPECT_EQ(rules[1]->getParam(), std::wstring(179, L'p'));
    EXPECT_EQ(rules[2]->getCondition(), wide62 + L"x");
    EXPECT_EQ(trace.count("ERROR!! in CmdContext::getCmdInfo ERROR Condition text too long:64"), 2u);
    EXPECT_EQ(trace.count("ERROR!! in CmdContext::getCmdInfo ERROR Parameter text too long:180"), 1u);
}

TEST_F(CmdSettingTest, DataOfAnyTypeReadsAsTextUpToItsTerminatorOrItsSize) {
    userRules({});
    std::vector<std::uint8_t> odd = text::toUtf16Le(L"0,45,0,,0,200,0D", false);
    odd.push_back(0x41);
    registry.setBinary(kHkeyCurrentUser, kSetting, L"Odd", odd);
    registry.setDword(kHkeyCurrentUser, kSetting, L"Dword", 0x31);
    registry.setBinary(kHkeyCurrentUser, kSetting, L"Full",
                       text::toUtf16Le(std::wstring(240, L' ') + L"0,46,0,,0,200,0D", false)); // 512 bytes
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_EQ(keys(), (std::vector<std::uint32_t>{0x45, 0, 0x46}));
    EXPECT_EQ(rules[0]->getParam(), L"0D");
    EXPECT_EQ(rules[2]->getParam(), L"0D");
}

TEST_F(CmdSettingTest, AValueBeyondTheStoreLimitsIsSkippedAndTheNextOnesStillLoad) {
    for (const bool longName : {true, false}) {
        SCOPED_TRACE(longName ? "long name" : "large datum");
        registry.deleteKey(kHkeyCurrentUser, kProduct);
        userRules({{L"A", L"0,10,0,,0,200,0D"},
                   {longName ? kLongName : L"B", longName ? L"0,11,0,,0,200,0D" : std::wstring(256, L' ')},
                   {L"C", L"0,12,0,,0,200,0D"}});
        rules.clear();
        trace.clear();
        EXPECT_EQ(openAndLoad(), CmdSetting::kSuccess);
        EXPECT_EQ(keys(), (std::vector<std::uint32_t>{0x10, 0x12}));
        EXPECT_EQ(trace.count("ERROR!! in CmdSetting::loadEntries ERROR RegEnumValue()"), 1u);
        EXPECT_EQ(registry.openHandleCount(), 0u);
    }
}

TEST_F(CmdSettingTest, TheCopyLeavesOutWhatIsBeyondTheStoreLimitsAndCopiesTheRest) {
    registry.setBinary(kHkeyLocalMachine, kProduct, L"Big", std::vector<std::uint8_t>(513, 1));
    registry.setString(kHkeyLocalMachine, kSetting, kLongName, L"0,11,0,,0,200,0D");
    registry.setString(kHkeyLocalMachine, kSetting, L"Later", L"0,12,0,,0,200,0D");
    registry.setString(kHkeyLocalMachine, kProduct + L"\\" + kLongName, L"Inside", L"x");
    registry.setString(kHkeyLocalMachine, kProduct + L"\\Zeta", L"Inside", L"z");
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_EQ(keys(), (std::vector<std::uint32_t>{0x44, 0x12}));
    EXPECT_FALSE(registry.getValue(kHkeyCurrentUser, kProduct, L"Big").has_value());
    EXPECT_TRUE(registry.getValue(kHkeyCurrentUser, kProduct, L"LauncherShowMode").has_value());
    EXPECT_FALSE(registry.getValue(kHkeyCurrentUser, kProduct + L"\\" + kLongName, L"Inside").has_value());
    EXPECT_TRUE(registry.getValue(kHkeyCurrentUser, kProduct + L"\\Zeta", L"Inside").has_value());
    EXPECT_EQ(registry.getValue(kHkeyCurrentUser, kLauncher + L"\\Item1", L"Name"),
              registry.getValue(kHkeyLocalMachine, kLauncher + L"\\Item1", L"Name"));
    EXPECT_EQ(trace.count("ERROR!! in CmdSetting::copyEntries ERROR RegEnumValue()"), 2u);
    EXPECT_EQ(trace.count("ERROR!! in CmdSetting::copySubkey ERROR RegEnumKeyEx()"), 1u);
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

// Names with a NUL inside can be made with the system's native calls but not reached by name
// through the registry calls: by name, a subkey whose name starts with a NUL is its parent
// again (the copy would go on into itself without end), another one is a key that is not
// there, and such a value would overwrite another value.
TEST_F(CmdSettingTest, NamesWithANulInsideAreLeftOutOfTheCopy) {
    const std::wstring loop(L"\0Loop", 5);
    const std::wstring hidden(L"Hid\0den", 7);
    registry.setString(kHkeyLocalMachine, kProduct + L"\\" + loop, L"Inside", L"x");
    registry.setString(kHkeyLocalMachine, kProduct + L"\\" + hidden, L"Inside", L"x");
    registry.setString(kHkeyLocalMachine, kProduct, L"Hid", L"kept");
    registry.setString(kHkeyLocalMachine, kProduct, hidden, L"overwrites");
    registry.setString(kHkeyLocalMachine, kProduct + L"\\Zeta", L"Inside", L"z");
    ASSERT_EQ(openAndLoad(), CmdSetting::kSuccess);
    EXPECT_TRUE(registry.getValue(kHkeyCurrentUser, kProduct + L"\\Zeta", L"Inside").has_value());
    EXPECT_EQ(registry.getValue(kHkeyCurrentUser, kProduct, L"Hid"),
              registry.getValue(kHkeyLocalMachine, kProduct, L"Hid"));
    EXPECT_FALSE(registry.getValue(kHkeyCurrentUser, kProduct, hidden).has_value());
    EXPECT_EQ(trace.count("ERROR!! in CmdSetting::copyEntries ERROR RegEnumValue()"), 1u);
    EXPECT_EQ(trace.count("ERROR!! in CmdSetting::copySubkey ERROR RegEnumKeyEx()"), 2u);
    EXPECT_EQ(registry.openHandleCount(), 0u);
}

TEST_F(CmdSettingTest, LoadNeedsTheSettingKeyAndUnloadDestroysRulesInListOrder) {
    registry.deleteKey(kHkeyLocalMachine, kSetting);
    ASSERT_EQ(setting.open(), CmdSetting::kSuccess);
    EXPECT_EQ(setting.load(rules), CmdSetting::kErrorOpenKey);
    EXPECT_TRUE(trace.contains("ERROR!! in CmdSetting::load ERROR RegOpenKeyEx()"));
    setting.close();

    struct Recorded : CmdInfo {
        Recorded(std::vector<std::uint32_t>& log, std::uint32_t key) : m_log(log) { m_dwKey = key; }
        ~Recorded() override { m_log.push_back(m_dwKey); }
        std::vector<std::uint32_t>& m_log;
    };
    std::vector<std::uint32_t> destroyed;
    for (std::uint32_t key : {3u, 1u, 2u}) {
        rules.push_back(std::make_unique<Recorded>(destroyed, key));
    }
    setting.unload(rules);
    EXPECT_TRUE(rules.empty());
    EXPECT_EQ(destroyed, (std::vector<std::uint32_t>{3, 1, 2}));
}

} // namespace
