#pragma once
// The journal of an upload on its way, a text file beside the upload's bytes: a first line
// "revision <text>" (the device's revision of the file the bytes are of), then one line
// "chunk <end> <crc>" for every chunk appended, written once its bytes are (its end offset in decimal,
// the CRC-32 of its bytes in eight hexadecimal digits).
//
// The journal is what lets the server vouch for the bytes it holds after a crash or a restart: a chunk
// counts only when its line is whole and its bytes on disk match the checksum, so a chunk torn by a
// crash in the middle of an append, or a tail the disk lost, is thrown away and sent again, never kept
// as part of the file. Names never come from a peer; the revision holds no control character (the
// device list refuses those).
//
// Plain functions on paths; the caller serialises access to one upload.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the server holds of an upload on its way.
struct PartialUpload {
    std::uint64_t size = 0; // bytes vouched for by the journal
    std::string revision;   // the revision of the device's file they are of
};

// Starts the journal of a new upload of `revision`, replacing any earlier one; false (logged) when it
// cannot be written.
bool StartUploadJournal(const std::filesystem::path& journal, std::string_view revision);

// Records a chunk of `bytes` appended to end at `end`; false (logged) when it cannot be written.
bool RecordUploadChunk(const std::filesystem::path& journal, std::uint64_t end, std::string_view bytes);

// The upload as far as the journal vouches for it, its bytes file and journal cut back to that (logged
// when anything is cut). Nothing when there is no journal or its first line is not whole: the upload
// starts again.
std::optional<PartialUpload> RecoverUpload(const std::filesystem::path& bytes,
                                           const std::filesystem::path& journal);
