// 32-bit result codes in HRESULT form: 0 is success, negative values are failures.
#pragma once

#include <cstdint>

namespace qeb {

using ResultCode = std::uint32_t;

constexpr ResultCode kSuccess = 0;

// Win32 error e as 0x8007xxxx; 0 and values that are already failures stay as they are.
constexpr ResultCode HresultFromWin32(std::uint32_t error) {
    return static_cast<std::int32_t>(error) <= 0 ? error : (0x80070000u | (error & 0xFFFFu));
}

constexpr bool IsFailure(ResultCode result) {
    return static_cast<std::int32_t>(result) < 0;
}

}  // namespace qeb
