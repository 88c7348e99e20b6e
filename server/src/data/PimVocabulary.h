#pragma once
// The words the protocol uses for each PIM kind, one row per kind: the documents the server reads and
// writes and the commands that route a request by its "QX-CommandType" all take them from here.

#include "store/PimItemStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct PimVocabulary {
    PimKind kind;
    std::string_view commandType;    // "QX-CommandType": "Contacts", "Events", "Todo"
    std::u16string_view listElement; // "contact-list", "event-list", "todo-list"
    std::u16string_view itemElement; // "contact", "event", "todo"
    std::u16string_view textElement; // "vcard", "vcal"
    char guidLetter;                 // first letter of the kind's guids: 'c', 'e', 't'
};

const PimVocabulary& VocabularyOf(PimKind kind);
// Null for a command type that names no PIM kind.
const PimVocabulary* VocabularyOfCommandType(std::string_view commandType);

// A new item's guid: the kind's letter and the account's change number that created it ("c17"), so
// guids are short enough for the operator to type and name their kind.
std::string NewGuid(PimKind kind, std::int64_t version);
// The kind a guid names; nothing when it is not one the server makes.
std::optional<PimKind> KindOfGuid(std::string_view guid);
