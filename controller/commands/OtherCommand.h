// The other commands of a rule: 0x801 ejects the disc through a media control window; any
// other value does nothing and still counts as done.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "platform/MediaControl.h"

class OtherCommand final : public Command {
public:
    static constexpr std::uint32_t kEjectCommand = 0x801;
    static constexpr std::int32_t kErrorOpen = static_cast<std::int32_t>(0x80000F01u);
    // WS_CHILD | WS_DISABLED | WS_CAPTION with no error dialog, mode notifications, all
    // controls shown and no play bar.
    static constexpr std::uint32_t kMediaWindowStyle = 0x48C04172;
    static constexpr const wchar_t* kDiscDevice = L"cdaudio";

    OtherCommand(platform::MediaControl& media, platform::WindowHandle owner)
        : m_media(media), m_hOwner(owner) {}

    int execute() override; // 1 with a rule
    int setCmdInfo(const CmdInfo* rule) override;
    // 0, or kErrorOpen when the media window cannot be created.
    std::int32_t EjectMedia();

private:
    platform::MediaControl& m_media;
    platform::WindowHandle m_hOwner = 0;
    const CmdInfo* m_pCmdInfo = nullptr;
};
