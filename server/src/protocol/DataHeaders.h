#pragma once
// The numbers the data commands read from request headers ("QX-TotalSize", "QX-ChunkOffset",
// "QX-ChunkSize", "QX-MaxChunkSize", "QX-MediaID"), each checked before the server relies on it.

#include "protocol/ProtocolMessage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The header's decimal value within [0, max]; nothing, with the reason in `refusal`, when the header is
// missing or holds anything else.
std::optional<std::int64_t> HeaderNumber(const ProtocolRequest& request, std::string_view name,
                                         std::int64_t max, std::string& refusal);

// The quoted-printable text of a header ("QX-Directory", "QX-FileName": "=" and two hexadecimal digits
// for a byte), decoded; nothing, with the reason in `refusal`, when the header is missing, holds a "="
// without two digits, or decodes to anything but UTF-8 of at most 1024 bytes.
std::optional<std::string> HeaderText(const ProtocolRequest& request, std::string_view name,
                                      std::string& refusal);

// The chunk bound a request asks for in "QX-MaxChunkSize", held within what the server serves: 102400
// when absent or unreadable (the handset's own default).
std::size_t MaxChunkBytes(const ProtocolRequest& request);

inline constexpr std::size_t kDefaultChunkBytes = 102400;
inline constexpr std::size_t kMinChunkBytes = 1024;
inline constexpr std::size_t kMaxChunkBytes = 8 * 1024 * 1024;
