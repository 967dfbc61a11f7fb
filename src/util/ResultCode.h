// 32-bit result codes in HRESULT form, the process exit code of every command.
#pragma once

#include <cstdint>

namespace qeb {

using ResultCode = std::uint32_t;

constexpr ResultCode kSuccess = 0;
constexpr ResultCode kAlreadyRunning = 258;  // WAIT_TIMEOUT, passed on unconverted
constexpr ResultCode kBadArguments = 0x800700A0;
constexpr ResultCode kInvalidArgument = 0x80070057;
constexpr ResultCode kPathTooLong = 0x80010135;
constexpr ResultCode kCannotMake = 0x80070052;
constexpr ResultCode kPathNotFound = 0x80070003;
constexpr ResultCode kModuleNotFound = 0x8007007E;
constexpr ResultCode kInvalidEnvironment = 0x8007070D;
constexpr ResultCode kProductNotInstalled = 0x8011041F;
constexpr ResultCode kTreeCopyFailed = 0x8011040D;
constexpr ResultCode kReportCreateFailed = 0x80010137;
constexpr ResultCode kReportWriteFailed = 0x80030103;
constexpr ResultCode kStandardException = 0x80040206;
constexpr ResultCode kUnknownException = 0x80040205;

// Win32 error e as 0x8007xxxx; 0 and values that are already failures stay as they are.
constexpr ResultCode HresultFromWin32(std::uint32_t error) {
    return static_cast<std::int32_t>(error) <= 0 ? error : (0x80070000u | (error & 0xFFFFu));
}

}  // namespace qeb
