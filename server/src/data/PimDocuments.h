#pragma once
// The documents of the PIM commands as the server reads and writes them: the checksum list ("Crc",
// "Restore"), upload chunks, the map, the requested luids and the restore chunks.
//
// Every body is hostile input: a reader takes UTF-8 XML only, keeps the item texts byte for byte (CR LF
// included; every text and CDATA piece of the text element, so a "]]>" split across sections comes out
// whole), and refuses a document whose items lack what the server needs, with the reason in `error`.

#include "data/PimVocabulary.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct ChecksumEntry {
    std::string luid;
    std::string crc;
};

struct ChecksumListing {
    bool listed = false; // false: the document has no list element (the handset's list is unchanged)
    std::vector<ChecksumEntry> entries;
};

struct UploadedItem {
    std::string luid;
    std::string crc;
    std::string text;
};

struct MapRecord {
    std::string luid; // empty when the handset could not apply the item
    std::string guid;
    std::string crc;
    std::string status;
};

struct RestoreItem {
    std::string luid; // empty: the device has no copy
    std::string guid;
    std::string status; // "added", "updated" or "deleted"
    std::string text;
};

// The items of a "Crc" or "Restore" body: luid and crc each (a luid listed twice is refused).
std::optional<ChecksumListing> ReadChecksumList(std::string_view body, const PimVocabulary& vocabulary,
                                                std::string& error);
// The items of an upload chunk: luid, crc and the text of the text element.
std::optional<std::vector<UploadedItem>> ReadUploadChunk(std::string_view body,
                                                         const PimVocabulary& vocabulary, std::string& error);
// The records of a "Map" body: luid (may be empty), guid, crc, status.
std::optional<std::vector<MapRecord>> ReadMapDocument(std::string_view body, const PimVocabulary& vocabulary,
                                                      std::string& error);

// Why an item text cannot be kept: not UTF-8, or a control character other than TAB, CR and LF (which
// no vCard or vCalendar holds and which would break every handset's reading of the restore chunk).
std::optional<std::string> ItemTextProblem(std::string_view text);

// The answer to "Crc": one item element with the luid of each item the server wants.
std::string RequestedIdsDocument(const PimVocabulary& vocabulary, std::span<const std::string> luids);
// A restore chunk: one item element (luid when known, guid, status) with its text as CDATA.
std::string RestoreChunkDocument(const PimVocabulary& vocabulary, std::span<const RestoreItem> items);
// An upper bound of the bytes `item` adds to a restore chunk, and of a chunk's bytes besides its items.
std::size_t RestoreItemBytes(const RestoreItem& item);
inline constexpr std::size_t kRestoreChunkOverhead = 512;
