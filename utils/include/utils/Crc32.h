#pragma once
// CRC-32 with the reflected polynomial 0xEDB88320 (the checksum of zlib, PNG and Ethernet).
// Two flavours share one register update:
//  - the item checksum (Crc32Win32String): register starts at 0xFFFFFFFF and is NOT inverted at the
//    end, so it equals ~crc32(bytes) of zlib; the server compares item checksums in this form;
//  - the file checksum (FileCrc32Win32...): the standard CRC-32, check value 0xCBF43926 for "123456789".

#include "utils/Status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Feeds `size` bytes into the CRC register `reg` (no initial or final inversion) and returns the new
// register. Building block for checksums over data that arrives in pieces.
std::uint32_t Crc32Update(std::uint32_t reg, const void* data, std::size_t size);

// Item checksum over the UTF-16LE bytes of `text` (low byte first, no terminator). Always returns S_OK.
HRESULT Crc32Win32String(std::u16string_view text, std::uint32_t& crc);

// Standard CRC-32 of the file's contents.
// Failure: when the file cannot be opened or a read fails, returns HResultFromErrno(errno) and sets
// crc to 0; a checksum over part of a file is never reported.
HRESULT FileCrc32Win32(std::u16string_view path, std::uint32_t& crc);

// The file checksum as eight upper-case hexadecimal digits ("%08X").
// Failure: returns the status of FileCrc32Win32 and leaves `text` untouched.
HRESULT FileCrc32Win32Hex(std::u16string_view path, std::u16string& text);

// The file checksum as a signed decimal ("%d": 0x80000000 and above appear negative).
// Failure: returns the status of FileCrc32Win32 and leaves `text` untouched.
HRESULT FileCrc32Win32String(std::u16string_view path, std::u16string& text);
