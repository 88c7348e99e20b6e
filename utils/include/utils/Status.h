#pragma once
// 32-bit status codes of the component runtime: 0 success, negative failure.

#include <cstdint>

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

// A failure carrying an operating-system error code (errno), as the handset carries its own codes.
constexpr HRESULT HResultFromErrno(int code)
{
    return static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu));
}

constexpr bool Succeeded(HRESULT status)
{
    return status >= 0;
}
constexpr bool Failed(HRESULT status)
{
    return status < 0;
}
