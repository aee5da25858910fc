// The window condition of a command rule: whether the foreground window (or its parent) is
// of a class, or whether a top-level window of a class and title exists, is maximized or is
// minimized. Also answers on its own whether an application's window is in the foreground.
// Portable.
#pragma once

#include "controller/Condition.h"
#include "platform/Windowing.h"

#include <cstdint>
#include <string>
#include <string_view>

class ApplicationCondition : public Condition {
public:
    // m_dwCondition flags.
    static constexpr std::uint32_t kTopmost = 0x001;
    static constexpr std::uint32_t kParentTopmost = 0x002;
    static constexpr std::uint32_t kExist = 0x004;
    static constexpr std::uint32_t kMaximize = 0x010;
    static constexpr std::uint32_t kMinimize = 0x020;
    static constexpr std::uint32_t kApplication = 0x400; // the rule has an application condition at all

    static constexpr int kClassNameChars = 257; // a class name of up to 256 characters, terminated

    explicit ApplicationCondition(platform::Windowing& windowing);
    ~ApplicationCondition() override;

    // 1 when the rule has no condition flags or one of its checks holds (0x001, 0x002, 0x004,
    // 0x010, 0x020, in that order; the first that holds decides), else 0. The 0x400 gate is
    // the caller's to test.
    int isMatch() override;
    // Reads class name, window title and third field from the rule's condition text.
    // kErrorNoCmdInfo without a rule, Context::kErrorUnterminated for an unterminated quote.
    std::int32_t setCmdInfo(const CmdInfo* pCmdInfo) override;

    // The foreground window when its class name contains `className`, else 0. Needs no rule.
    platform::WindowHandle isTopmostApp(std::wstring_view className);

    // Whether `className` (a window's class name) contains `name`: at a position where the
    // first character of `name` appears exactly, the following characters equal `name` with
    // ASCII letters compared without regard to case. An empty name is contained in nothing.
    static bool containsClassName(std::wstring_view className, std::wstring_view name);

private:
    bool isTopmost();
    bool isTopmost(platform::WindowHandle window);
    bool isParentTopmost();
    platform::WindowHandle isFound();
    bool isExist();
    std::uint32_t getWindowStyle();
    bool isMaximize();
    bool isMinimize();
    std::wstring windowClassName(platform::WindowHandle window);

    platform::Windowing& m_windowing;
    const CmdInfo* m_pCmdInfo = nullptr; // not owned
    std::wstring m_strClassName;
    std::wstring m_strWindowName;
    std::wstring m_strOption; // third field of the condition text; kept, not checked
};
