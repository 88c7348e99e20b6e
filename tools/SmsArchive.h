#pragma once
// SMS archives: the XML files in which the common SMS backup apps of Android phones keep text
// messages, read and written for the message store tool.
//
//   <smses count="1">
//     <sms protocol="0" address="+4917012345" date="1703442600000" type="1" body="Hi &#55357;&#56832;"
//          read="1" contact_name="Anna" ... />
//   </smses>
//
// `date` counts milliseconds since 1970 UTC; `type` is 1 received, 2 sent, 3 draft, 4 outbox, 5 failed,
// 6 queued; a missing contact reads "(Unknown)". Those apps write a character beyond U+FFFF (an emoji)
// as two references to its UTF-16 halves, which no XML parser joins: the reader joins them (and reads
// a half without its other half as U+FFFD). Other
// elements than "sms" (the apps' "mms") are skipped and counted.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ArchivedSmsType : std::int32_t {
    Received = 1,
    Sent = 2,
    Draft = 3,
    Outbox = 4,
    Failed = 5,
    Queued = 6
};

struct ArchivedSms {
    std::u16string address;
    std::int64_t dateMs = 0; // since 1970 UTC
    ArchivedSmsType type = ArchivedSmsType::Received;
    std::u16string body;
    bool read = true;
    std::u16string contactName; // empty when the archive names none
};

struct SmsArchive {
    std::vector<ArchivedSms> messages; // in file order
    std::size_t skipped = 0;           // elements that are not text messages
};

// Reads a whole archive. False, with `error` naming the place and the value, when the file is not
// XML, its root is not "smses", or a message lacks a readable date or type; then `archive` is empty.
bool ReadSmsArchive(std::string_view bytes, SmsArchive& archive, std::string& error);

// The archive of these messages, as the apps write it (with a readable date in local time).
std::string WriteSmsArchive(const std::vector<ArchivedSms>& messages);
