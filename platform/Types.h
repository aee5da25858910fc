// Small project types that stand for Win32 handles, message parameters and error codes.
// Portable: included by every port and by portable code; no platform header here.
#pragma once

#include <cstdint>

namespace platform {

using WindowHandle = std::uintptr_t; // 0: no window
using MessageId = std::uint32_t;     // window message number; 0: none
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using TimerId = std::uintptr_t;  // 0: no timer
using ErrorCode = std::uint32_t; // Win32 system error code

// Win32 system error codes that ports report and portable code tests.
namespace error {
inline constexpr ErrorCode kSuccess = 0;
inline constexpr ErrorCode kFileNotFound = 2;
inline constexpr ErrorCode kPathNotFound = 3;
inline constexpr ErrorCode kAccessDenied = 5;
inline constexpr ErrorCode kInvalidHandle = 6;
inline constexpr ErrorCode kNotEnoughMemory = 8;
inline constexpr ErrorCode kInvalidData = 13;
inline constexpr ErrorCode kNotSupported = 50;
inline constexpr ErrorCode kInvalidParameter = 87;
inline constexpr ErrorCode kInsufficientBuffer = 122;
inline constexpr ErrorCode kAlreadyExists = 183;
inline constexpr ErrorCode kNotOwner = 288; // ERROR_NOT_OWNER: ReleaseMutex by a thread that does not own it
inline constexpr ErrorCode kMoreData = 234;
inline constexpr ErrorCode kNoMoreItems = 259;
inline constexpr ErrorCode kKeyDeleted = 1018;
inline constexpr ErrorCode kInvalidWindowHandle = 1400;
inline constexpr ErrorCode kNotFound = 1168;
} // namespace error

// Window messages the system names.
namespace wm {
inline constexpr MessageId kNull = 0x0000;
inline constexpr MessageId kCreate = 0x0001;
inline constexpr MessageId kDestroy = 0x0002;
inline constexpr MessageId kPaint = 0x000F;
inline constexpr MessageId kClose = 0x0010;
inline constexpr MessageId kQuit = 0x0012;
inline constexpr MessageId kQueryDragIcon = 0x0037;
inline constexpr MessageId kNcCreate = 0x0081;
inline constexpr MessageId kNcDestroy = 0x0082;
inline constexpr MessageId kInitDialog = 0x0110;
inline constexpr MessageId kCommand = 0x0111;
inline constexpr MessageId kTimer = 0x0113;
inline constexpr MessageId kPowerBroadcast = 0x0218;
inline constexpr MessageId kWtsSessionChange = 0x02B1;
inline constexpr MessageId kAppCommand = 0x0319;
inline constexpr MessageId kApp = 0x8000;
} // namespace wm

// Broadcast target of PostMessage.
inline constexpr WindowHandle kBroadcastWindow = 0xFFFF;

// ShowWindow commands.
namespace sw {
inline constexpr int kHide = 0;
inline constexpr int kShowNormal = 1;
} // namespace sw

} // namespace platform
