#pragma once
// Whole-file and whole-stream readers and text file writers. Paths are wide; they reach the OS as
// UTF-8. A path holding a zero character is treated as a file that cannot be opened. Every file
// opened here is closed before the function returns, on every path.

#include "utils/ByteStream.h"
#include "utils/Status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The largest file or stream the buffer readers take (1 GiB). Larger ones fail before anything is
// allocated, so a hostile size can never exhaust memory.
inline constexpr std::size_t kMaxReadBufferSize = std::size_t{1} << 30;

// Reads a whole regular file into a new buffer of size + 1 bytes whose last byte is 0; release it with
// ReleaseBuffer. An empty file gives size 0 and a one-byte buffer holding 0.
// Failure: E_FAIL when the path cannot be opened or is not a regular file, when the file is larger
// than kMaxReadBufferSize, and when a read fails or the file shrinks while being read. On failure
// buffer is null, size 0 and nothing stays allocated.
HRESULT ReadFileAndAllocBuffer(std::u16string_view path, std::uint8_t*& buffer, std::size_t& size);

// Reads a stream from its current position to its end to learn the size, then seeks to its start
// and reads that many bytes into a new buffer of size + 1 bytes whose last byte is 0; release it with
// ReleaseBuffer.
// Failure: E_FAIL for an empty stream (nothing is allocated), for a stream longer than
// kMaxReadBufferSize, and when the second pass gives a different count; a failing read or seek
// returns the stream's own status. On failure buffer is null, size 0 and nothing stays allocated.
HRESULT ReadStreamAndAllocBuffer(CByteStream& stream, std::uint8_t*& buffer, std::size_t& size);

// Releases a buffer of the two readers above; null is allowed.
void ReleaseBuffer(std::uint8_t* buffer);

// The file's bytes up to the first zero byte, read in the handset's ANSI code page (Windows-1252).
// Failure: the empty text.
std::u16string ReadANSIFile(std::u16string_view path);

// The file's bytes decoded as UTF-8, up to the first zero character. A byte order mark is kept as
// U+FEFF. Failure: the empty text.
std::u16string ReadUTF8File(std::u16string_view path);

// Replace the whole content of the file (creating it when missing) with `bytes`, or with the UTF-8
// of `text` without a byte order mark. The new content is written beside the file, flushed to disk
// and renamed over it, so a crash leaves either the old or the new content, never a mixture; an
// existing file keeps its permission bits (hard links to it are not carried over). A symbolic link is
// followed and its target replaced.
// Failure: E_FAIL when the file or its folder is not writable, the path names something other than
// a regular file, or any write fails; the existing file is then unchanged.
HRESULT WriteANSIFile(std::u16string_view path, std::string_view bytes);
HRESULT WriteUTF8File(std::u16string_view path, std::u16string_view text);
