// The controller's user-visible texts, by string resource number.
// Portable.
#pragma once

namespace strings {
inline constexpr const wchar_t* kNotSupportedByTv =
    L"This is only effective when the PC is connected to a TV which supports HDMI Control through the HDMI cable.";
inline constexpr const wchar_t* kCaption = L"HDMI Control";
inline constexpr const wchar_t* kEnableHdmiControl = L"To use HDMI Control, you must enable it.";
inline constexpr const wchar_t* kNoApplication = L"No application found for this operation.";
inline constexpr const wchar_t* kTvSupports = L"The connected TV supports NOVAE-LINK(HDMI Control).";
inline constexpr const wchar_t* kTvNotSupported =
    L"The connected TV is either not powered on, is in standby state, or does not support NOVAE-LINK(HDMI Control).";
inline constexpr const wchar_t* kDoNotShowAgain = L"Do not display this message in the future.";
inline constexpr const wchar_t* kSpace = L" ";
inline constexpr const wchar_t* kCloseThisMenu = L"Close this menu.";
inline constexpr const wchar_t* kControlMenu = L"Control Menu";
inline constexpr const wchar_t* kClose = L"Close";

// Resource numbers of the texts above.
inline constexpr int kIdNotSupportedByTv = 134;
inline constexpr int kIdCaption = 135;
inline constexpr int kIdSpace = 136;
inline constexpr int kIdCloseThisMenu = 137;
inline constexpr int kIdControlMenu = 138;
inline constexpr int kIdClose = 139;
inline constexpr int kIdEnableHdmiControl = 140;
inline constexpr int kIdNoApplication = 141;
inline constexpr int kIdDoNotShowAgain = 142;
inline constexpr int kIdTvNotSupported = 143;
inline constexpr int kIdTvSupports = 145;
} // namespace strings
