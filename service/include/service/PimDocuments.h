#pragma once
// The documents the contacts, appointments and tasks flows exchange with the server, apart from the
// requests that carry them: what the server asks for, the items it sends back, and the map the
// handset answers with. Every answer is hostile input: a text that is not a document reads as empty,
// a missing attribute is handled as the flows define, nothing is allocated by what a peer announces.
//
// Pure functions; any thread.

#include "platform/PimStore.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The luids the server asks for (its answer to "Crc"): the "luid" attribute of each `itemElement`
// child of the document element's first child, in the server's order. An answer that is not a
// document asks for nothing.
std::vector<std::u16string> ParseRequestedIds(std::u16string_view answer, std::u16string_view itemElement);

// The requested luids while the upload takes them one by one. A luid asked for twice is sent once:
// each upload chunk then carries at least one item not sent before, or ends the upload.
class CRequestedIds {
public:
    explicit CRequestedIds(const std::vector<std::u16string>& luids) : m_luids(luids.begin(), luids.end()) {}

    // False when the luid is not (or no longer) asked for.
    bool Take(const std::u16string& luid) { return m_luids.erase(luid) != 0; }
    bool Empty() const { return m_luids.empty(); }
    std::size_t Remaining() const { return m_luids.size(); }

private:
    std::unordered_set<std::u16string> m_luids;
};

// One item of a restore chunk as the server sent it.
struct RestoreItem {
    std::optional<std::u16string> luid; // the handset's id, when the server names one
    std::u16string guid;
    std::u16string status; // "added", "updated" or "deleted"
    // The whole text of the item's first child element (every text and CDATA part, so a text that
    // held "]]>" arrives whole), line ends as sent; without a child element, the item's own text.
    std::u16string text;
};

struct RestoreChunk {
    bool loaded = false; // false: the answer is not a document, and holds no item
    std::vector<RestoreItem> items;
    // An item without "guid" or "status" ended the chunk; `items` holds those before it.
    bool cut = false;
};

// The `itemElement` children of the document element's first child, whatever its name.
RestoreChunk ParseRestoreChunk(std::u16string_view answer, std::u16string_view itemElement);

// What the handset did with one restored item, for the map: its luid after applying (empty when
// nothing was added), the server's guid, the item checksum after applying, the server's status.
using RestoreRecord = PimMapEntry;
