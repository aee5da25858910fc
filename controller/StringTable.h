// The controller's user-visible texts, by string resource number. The texts themselves are
// defined once in SentrixdResources.h, which the resource script reads too.
// Portable.
#pragma once

#include "controller/SentrixdResources.h"

namespace strings {
inline constexpr const wchar_t* kNotSupportedByTv = TEXT_NOT_SUPPORTED_BY_TV;
inline constexpr const wchar_t* kCaption = TEXT_CAPTION;
inline constexpr const wchar_t* kBlank = TEXT_BLANK;
inline constexpr const wchar_t* kCloseThisMenu = TEXT_CLOSE_THIS_MENU;
inline constexpr const wchar_t* kControlMenu = TEXT_CONTROL_MENU;
inline constexpr const wchar_t* kClose = TEXT_CLOSE;
inline constexpr const wchar_t* kEnableHdmiControl = TEXT_ENABLE_HDMI_CONTROL;
inline constexpr const wchar_t* kNoApplication = TEXT_NO_APPLICATION;
inline constexpr const wchar_t* kTvSupports = TEXT_TV_SUPPORTS;
inline constexpr const wchar_t* kTvNotSupported = TEXT_TV_NOT_SUPPORTED;
inline constexpr const wchar_t* kDoNotShowAgain = TEXT_DO_NOT_SHOW_AGAIN;

// Resource numbers of the texts above.
inline constexpr int kIdNotSupportedByTv = IDS_NOT_SUPPORTED_BY_TV;
inline constexpr int kIdCaption = IDS_CAPTION;
inline constexpr int kIdBlank = IDS_BLANK;
inline constexpr int kIdCloseThisMenu = IDS_CLOSE_THIS_MENU;
inline constexpr int kIdControlMenu = IDS_CONTROL_MENU;
inline constexpr int kIdClose = IDS_CLOSE;
inline constexpr int kIdEnableHdmiControl = IDS_ENABLE_HDMI_CONTROL;
inline constexpr int kIdNoApplication = IDS_NO_APPLICATION;
inline constexpr int kIdDoNotShowAgain = IDS_DO_NOT_SHOW_AGAIN;
inline constexpr int kIdTvNotSupported = IDS_TV_NOT_SUPPORTED;
inline constexpr int kIdTvSupports = IDS_TV_SUPPORTS;
} // namespace strings
