// The application launcher on a simulated world: the item list it reads from the registry,
// what it offers in the control menu, and what choosing an item does.
#include "controller/launcher/AppLauncher.h"

#include "sim/SimWorld.h"
#include "tests/support/TraceCapture.h"
#include "tools/simrun/SimMenus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::TraceCapture;

constexpr platform::RegKey kHkcu = platform::kHkeyCurrentUser;
const std::wstring kKey = AppLauncher::kLauncherKey;

class AppLauncherTest : public ::testing::Test {
protected:
    AppLauncherTest() { menus.watch(launcher); }

    sim::SimWorld world;
    sim::SimWorld::Program& program = world.startProgram(0x1a4);
    simrun::SimMenus menus{world.desktop(), program.windowing};
    AppLauncher launcher{
        LauncherPorts{world.registry(), program.windowing, world.peers().focus(), world.peers().shell()},
        menus};
    TraceCapture trace{world.registry(), world.clock(), world.files(), world.threads()};
    platform::WindowHandle owner =
        world.desktop().createWindow({L"#32770", L"KorSentrixSuiteMain"}, &program.thread, nullptr);

    void item(const std::wstring& subKey, std::uint32_t special) {
        world.registry().setDword(kHkcu, kKey + L"\\" + subKey, L"Special", special);
    }
    void custom(const std::wstring& subKey, const std::wstring& label, const std::wstring& command) {
        item(subKey, 0);
        world.registry().setString(kHkcu, kKey + L"\\" + subKey, L"DisplayName", label);
        world.registry().setString(kHkcu, kKey + L"\\" + subKey, L"CmdParam", command);
    }
    bool start(std::uint32_t mediaCenter = 0) {
        world.registry().setDword(kHkcu, kKey, L"MediaCenter", mediaCenter);
        return launcher.initialize(owner);
    }
    platform::MessageId message(const wchar_t* name) { return world.desktop().registerMessage(name); }
    std::vector<std::pair<std::int32_t, std::wstring>> kinds() {
        std::vector<std::pair<std::int32_t, std::wstring>> out;
        for (const auto& i : launcher.items()) {
            out.emplace_back(i->m_nSpecial, i->m_szDisplayName);
        }
        return out;
    }
    std::vector<std::wstring> offered() {
        std::vector<std::wstring> out;
        for (const QuickMenu::Entry& e : menus.menu()->entries()) {
            out.push_back(e.text);
        }
        return out;
    }
};

TEST_F(AppLauncherTest, ItemsFollowTheSubkeysAndEndWithTheTwoClosingItems) {
    item(L"a-dvd", 2);
    custom(L"b-notes", L"Notes", L"notepad.exe");
    item(L"c-center", 6);
    item(L"d-unknown", 9);
    item(L"e-alder", 1);
    ASSERT_TRUE(start(1));
    EXPECT_EQ(kinds(), (std::vector<std::pair<std::int32_t, std::wstring>>{{2, L"KORVATH DVD PLAYER"},
                                                                           {0, L"Notes"},
                                                                           {6, L"Windows Media Center"},
                                                                           {1, L"Vireo AV Center"},
                                                                           {7, L"Close KORVATH DVD PLAYER  "},
                                                                           {8, L"Close this menu."}}));
    EXPECT_EQ(launcher.items()[1]->m_uMessage, message(L"Notes"))
        << "a custom item uses its display name's message";
    EXPECT_EQ(std::wstring(launcher.items()[4]->m_szClassName), L"KORDVDCLASS");
    EXPECT_TRUE(launcher.isAppLauncherMessage(message(L"QUICKMENU_NOTIFY_CLOSE_MENU")));
    EXPECT_FALSE(launcher.isAppLauncherMessage(message(L"QUICKMENU_NOTIFY_LAUNCH_WINDVD"))) << "no such item";
    EXPECT_FALSE(launcher.isAppLauncherMessage(0));
}

TEST_F(AppLauncherTest, MediaCenterNeedsItsFlagAndTheCloseEntryWithoutAPlayerHasAnEmptyName) {
    item(L"center", 6);
    ASSERT_TRUE(start(0));
    EXPECT_EQ(kinds(), (std::vector<std::pair<std::int32_t, std::wstring>>{{7, L"Close   "},
                                                                           {8, L"Close this menu."}}));
}

// Registry data that stops the list (items read before stay, the closing items are missing) or
// that only leaves out one item.
struct BadData {
    const char* name;
    void (*write)(sim::SimRegistry&, const std::wstring& subKey);
    bool stopsTheList;
};

void setText(sim::SimRegistry& r, const std::wstring& k, const wchar_t* name, const std::wstring& v) {
    r.setDword(kHkcu, k, L"Special", 0);
    r.setString(kHkcu, k, name, v);
}
const BadData kBadData[] = {
    {"no Special", [](sim::SimRegistry& r, const std::wstring& k) { r.setDword(kHkcu, k, L"Other", 1); },
     true},
    {"Special as text",
     [](sim::SimRegistry& r, const std::wstring& k) { r.setString(kHkcu, k, L"Special", L"1"); }, true},
    {"Special of two bytes",
     [](sim::SimRegistry& r, const std::wstring& k) {
         r.setValue(kHkcu, k, L"Special", platform::regtype::kDword, {1, 0});
     },
     true},
    {"custom without CmdParam",
     [](sim::SimRegistry& r, const std::wstring& k) { setText(r, k, L"DisplayName", L"X"); }, true},
    {"custom without DisplayName",
     [](sim::SimRegistry& r, const std::wstring& k) { setText(r, k, L"CmdParam", L"x.exe"); }, true},
    {"DisplayName as binary",
     [](sim::SimRegistry& r, const std::wstring& k) {
         setText(r, k, L"CmdParam", L"x.exe");
         r.setBinary(kHkcu, k, L"DisplayName", {'X', 0, 0, 0});
     },
     true},
    {"DisplayName of 256 characters",
     [](sim::SimRegistry& r, const std::wstring& k) {
         setText(r, k, L"CmdParam", L"x.exe");
         r.setString(kHkcu, k, L"DisplayName", std::wstring(256, L'N'));
     },
     true},
    {"CmdParam of 256 characters",
     [](sim::SimRegistry& r, const std::wstring& k) {
         setText(r, k, L"DisplayName", L"X");
         r.setString(kHkcu, k, L"CmdParam", std::wstring(256, L'c'));
     },
     true},
    {"unknown kind",
     [](sim::SimRegistry& r, const std::wstring& k) { r.setDword(kHkcu, k, L"Special", 0xFFFFFFFF); }, false},
};

class AppLauncherBadData : public AppLauncherTest, public ::testing::WithParamInterface<BadData> {};

TEST_P(AppLauncherBadData, StopsTheListOrLeavesOutTheItem) {
    item(L"a", 4);
    GetParam().write(world.registry(), kKey + L"\\b");
    item(L"c", 5);
    ASSERT_TRUE(start());
    std::vector<std::int32_t> got;
    for (const auto& i : launcher.items()) {
        got.push_back(i->m_nSpecial);
    }
    if (GetParam().stopsTheList) {
        EXPECT_EQ(got, (std::vector<std::int32_t>{4}));
        EXPECT_TRUE(trace.contains("ERROR RegQueryValueEx()"));
        EXPECT_FALSE(launcher.isAppLauncherMessage(message(L"QUICKMENU_NOTIFY_CLOSE_MENU")));
    } else {
        EXPECT_EQ(got, (std::vector<std::int32_t>{4, 5, 7, 8}));
    }
}

INSTANTIATE_TEST_SUITE_P(Registry, AppLauncherBadData, ::testing::ValuesIn(kBadData), [](const auto& info) {
    std::string n;
    for (const char* p = info.param.name; *p; ++p) {
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    }
    return n;
});

TEST_F(AppLauncherTest, TextsAndNamesAtTheirLimitsAreTakenWholeAndLongerNamesStopTheList) {
    const std::wstring label(255, L'L');
    const std::wstring command = L"x.exe " + std::wstring(249, L'a');
    custom(std::wstring(63, L'k'), label, command);
    item(std::wstring(64, L'z'), 1); // enumerated after the first
    ASSERT_TRUE(start());
    ASSERT_EQ(launcher.items().size(), 1u);
    EXPECT_EQ(std::wstring(launcher.items()[0]->m_szDisplayName), label);
    EXPECT_EQ(std::wstring(launcher.items()[0]->m_szCommand), command);
    EXPECT_TRUE(trace.contains("ERROR RegEnumKeyEx()"));
}

TEST_F(AppLauncherTest, ACustomNameThatCannotBeRegisteredMakesNoItemButTheListGoesOn) {
    world.desktop().failRegistration(L"Broken");
    custom(L"a", L"Broken", L"x.exe");
    custom(L"b", L"", L"y.exe");
    item(L"c", 1);
    ASSERT_TRUE(start());
    EXPECT_EQ(kinds().size(), 3u);
    EXPECT_EQ(kinds()[0].first, 1);
    EXPECT_EQ(trace.count("ERROR RegisterWindowMessage("), 2u);
}

TEST_F(AppLauncherTest, WithoutItsKeyOrFlagTheLauncherHasNothingToShow) {
    EXPECT_FALSE(launcher.initialize(owner));
    EXPECT_TRUE(trace.contains("ERROR RegOpenKey()"));
    EXPECT_EQ(launcher.showAppLauncher(), 0);
    EXPECT_TRUE(trace.contains("ERROR No Item Exist"));
    EXPECT_TRUE(menus.shown().empty());

    world.registry().setString(kHkcu, kKey, L"MediaCenter", L"1");
    item(L"a", 6);
    trace.clear();
    EXPECT_FALSE(launcher.initialize(owner)) << "a wrongly typed flag counts as missing";
    EXPECT_TRUE(trace.contains("ERROR RegQueryValueEx()"));
    EXPECT_TRUE(launcher.items().empty());
}

TEST_F(AppLauncherTest, WithoutAMenuNothingIsShown) {
    menus.failNext = true;
    item(L"a", 0);
    EXPECT_FALSE(start());
    EXPECT_TRUE(trace.contains("ERROR Create QuickMenu instance"));
    EXPECT_EQ(launcher.showAppLauncher(), 0);
    EXPECT_TRUE(trace.contains("ERROR Invalid Parameters"));
}

TEST_F(AppLauncherTest, TheMenuOffersWhatIsInstalledAndRunningAtEachRequest) {
    for (std::uint32_t kind = 1; kind <= 6; ++kind) {
        item(L"k" + std::to_wstring(kind), kind);
    }
    custom(L"k7", L"Notes", L"notepad.exe");
    ASSERT_TRUE(start(1));

    ASSERT_EQ(launcher.showAppLauncher(), 1);
    EXPECT_EQ(menus.menu()->title(), L"Control Menu");
    EXPECT_EQ(offered(), (std::vector<std::wstring>{L"Windows Media Center", L"Notes", L"Close this menu."}));
    EXPECT_TRUE(menus.menu()->isVisible());

    world.installApplication(L"KorDVD.exe", L"KORDVDCLASS");
    world.installApplication(L"Netreel.exe", L"Netreel");
    world.installApplication(L"WinDVD.exe", L"WinDVDClass");
    ASSERT_EQ(launcher.showAppLauncher(), 1);
    EXPECT_EQ(offered(), (std::vector<std::wstring>{L"KORVATH DVD PLAYER", L"WinDVD BD for KORVATH",
                                                    L"Windows Media Center", L"Notes", L"Close this menu."}))
        << "the net player also needs its activation; the close entry a running player";

    world.registry().setDword(platform::kHkeyLocalMachine, AppLauncher::kCedarKey, L"Activated", 1);
    world.bringToFront(L"KORDVDCLASS");
    ASSERT_EQ(launcher.showAppLauncher(), 1);
    EXPECT_EQ(offered(),
              (std::vector<std::wstring>{L"KORVATH DVD PLAYER", L"KORVATH Net Movie Player",
                                         L"WinDVD BD for KORVATH", L"Windows Media Center", L"Notes",
                                         L"Close KORVATH DVD PLAYER  ", L"Close this menu."}));
    EXPECT_EQ(menus.menu()->entries().back().message, message(L"QUICKMENU_NOTIFY_CLOSE_MENU"));
    EXPECT_EQ(world.desktop().foreground(), menus.menu()->window()) << "the menu is brought to the front";
}

TEST_F(AppLauncherTest, ChoosingAnItemStartsItsApplicationOrClosesWhatItNames) {
    custom(L"a", L"Player", L"missing.exe /x,Player.exe /full");
    item(L"b", 2);
    item(L"c", 6);
    world.installApplication(L"Player.exe", L"PlayerWindow");
    world.installApplication(L"KorDVD.exe", L"KORDVDCLASS");
    world.peers().shell().setWindowsFolder(L"D:\\Win");
    ASSERT_TRUE(start(1));
    const auto& executes = world.peers().shell().executes();

    EXPECT_EQ(launcher.execute(message(L"Player")), 1);
    ASSERT_EQ(executes.size(), 1u);
    EXPECT_EQ(executes.back().parameters, L"/full");
    EXPECT_TRUE(executes.back().started);

    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH")), 1);
    EXPECT_EQ(executes.back().file, L"KorDVD.exe");
    EXPECT_EQ(executes.back().parameters, L"/F");

    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER")), 0) << "not installed";
    EXPECT_EQ(executes.back().file, L"D:\\Win\\ehome\\ehshell.exe");
    EXPECT_EQ(executes.back().parameters, L"/directmedia:general");
    EXPECT_TRUE(trace.contains("ERROR ShellExecute()"));
    world.peers().shell().setWindowsFolderFailing(true);
    const std::size_t before = executes.size();
    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER")), 0);
    EXPECT_TRUE(trace.contains("ERROR SHGetFolderPath"));
    EXPECT_EQ(executes.size(), before);

    const std::size_t posts = world.desktop().posts().size();
    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_CLOSE_BIRCH")), 1);
    ASSERT_EQ(world.desktop().posts().size(), posts + 1);
    EXPECT_EQ(world.desktop().posts().back().message, platform::wm::kClose);
    EXPECT_EQ(world.desktop().posts().back().to, world.desktop().find(L"KORDVDCLASS", nullptr));
    world.clock().runDue();
    EXPECT_EQ(world.desktop().find(L"KORDVDCLASS", nullptr), 0u) << "the player closed";
    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_CLOSE_BIRCH")), 0) << "no player, nothing to start";

    ASSERT_EQ(launcher.showAppLauncher(), 1);
    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_CLOSE_MENU")), 1);
    EXPECT_FALSE(menus.menu()->isVisible());
}

TEST_F(AppLauncherTest, MessagesOfItemsThatDoNotExistDoNothing) {
    item(L"a", 1);
    ASSERT_TRUE(start());
    for (platform::MessageId m : {platform::MessageId{0}, message(L"QUICKMENU_NOTIFY_LAUNCH_WINDVD"),
                                  platform::MessageId{0xFFFFFFFF}}) {
        trace.clear();
        EXPECT_EQ(launcher.execute(m), 0);
        EXPECT_TRUE(trace.contains("ERROR Item Not Exist"));
        EXPECT_TRUE(trace.contains("ERROR getLauncherItemInfo()"));
    }
    EXPECT_TRUE(world.peers().shell().executes().empty());
    launcher.uninitialize();
    EXPECT_EQ(launcher.execute(message(L"QUICKMENU_NOTIFY_LAUNCH_ALDER")), 0);
    EXPECT_EQ(menus.menu(), nullptr) << "the menu went with the launcher's items";
}

} // namespace
