#pragma once
// Window messages shared by the service and the application.

#include <cstdint>

inline constexpr std::uint32_t WM_OPERATION_REQUEST = 513;  // wParam request code, lParam queued push or 0
inline constexpr std::uint32_t WM_PUSH_ARRIVED = 0x80E8;    // outside -> frame
inline constexpr std::uint32_t WM_PUSH = 0x80FD;            // frame -> view
inline constexpr std::uint32_t WM_SYNC_PROGRESS = 45678;    // wParam const char16_t* text (or 0), lParam value
// The current file's bytes: wParam bytes moved so far, lParam bytes in all (posted).
inline constexpr std::uint32_t WM_SYNC_BYTE_PROGRESS = 45679;
inline constexpr std::uint32_t WM_CLOSE_WAIT_DIALOG = 45688;
inline constexpr std::uint32_t WM_SHOW_SERVER_DIALOG = 45778;
