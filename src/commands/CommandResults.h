// Result codes of the four commands; each becomes the process exit code.
#pragma once

#include "util/ResultCode.h"

namespace qeb {

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

// PACK.
constexpr ResultCode kNotAFolder = 0x8007010B;           // ERROR_DIRECTORY
constexpr ResultCode kEntriesLeftOut = 0x80070780;       // ERROR_CANT_ACCESS_FILE
constexpr ResultCode kArchiveNotWritten = 0x80004005;    // E_FAIL
constexpr ResultCode kPasswordNotGiven = 0x800704C0;     // ERROR_INVALID_PASSWORDNAME
constexpr ResultCode kMaskMapInvalid = 0x8007000D;       // ERROR_INVALID_DATA

// The inventory phase's own small codes, not in HRESULT form.
constexpr ResultCode kSettingsFileMissing = 2;
constexpr ResultCode kSettingsRejected = 4;

}  // namespace qeb
