#pragma once
// The part of a vCard or vCalendar property line before its ":": an optional group ("item1."), the
// property name and its parameters. Everything in it compares case-insensitively, and a type may be
// given either as a bare word (vCard 2.1: "TEL;WORK;VOICE") or as a TYPE list (vCard 3.0:
// "TEL;TYPE=work,voice"), so both forms select the same field.

#include <cstdint>
#include <string_view>

// The properties the readers act on; everything else is Other and ignored.
enum class PropertyId : std::uint8_t {
    Other,
    Begin,
    End,
    Version,
    // vCard
    N,
    Nickname,
    Org,
    Title,
    Note,
    Tel,
    Adr,
    Anniversary,
    CustomerId,
    Account,
    Children,
    Categories,
    ImAddress,
    XMsManager,
    XMsTel,
    Assistant,
    AssistantTel,
    Spouse,
    Url,
    Bday,
    Email,
    Photo,
    Agent,
    // vCalendar
    DtStart,
    DtEnd,
    Location,
    Description,
    Summary,
    Class,
    RRule,
    ExDate,
    DAlarm,
    Due,
    Completed,
    Priority,
};

// Type words the readers sort by, one bit each; other words are ignored.
enum PropertyType : std::uint16_t {
    kTypeWork = 1 << 0,
    kTypeHome = 1 << 1,
    kTypeCell = 1 << 2,
    kTypeFax = 1 << 3,
    kTypePager = 1 << 4,
    kTypeCar = 1 << 5,
    kTypeOther = 1 << 6,
    kTypePref = 1 << 7,
    kTypeCompany = 1 << 8,
};

enum class ValueEncoding : std::uint8_t { Plain, QuotedPrintable, Base64 };

struct PropertyHead {
    PropertyId id = PropertyId::Other;
    std::uint16_t types = 0;
    ValueEncoding encoding = ValueEncoding::Plain;
    bool uriValue = false;       // VALUE=URI or VALUE=URL: the value names the data instead of holding it
    std::u16string_view charset; // as declared (quotes removed); empty when none
};

// Reads "group.NAME;PARAM=VALUE,VALUE;WORD". Parameter values may be quoted ("a;b"); unknown names,
// parameters and words are passed over.
PropertyHead ParsePropertyHead(std::u16string_view head);
