#pragma once
// The message list: the document in which text messages travel between the handset and the server,
// in both directions. Inside the "QXSync" envelope a "message-list" holds one "message" per text:
//   <message type="text" folder="inbox" from="Anna" to="+4917..." timestamp="24-12-2023 06:30:00
//   PM">text</message>
// "from" and "to" are left out when empty, as is the text; an answer may also carry status="deleted".
// The time stamp is day-month-year and a 12-hour clock in UTC.

#include "platform/Clock.h"
#include "platform/XmlTextWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One text message of a list.
struct SmsRecord {
    std::u16string folder; // "inbox" or "sent"
    std::u16string text;
    std::u16string from;   // the sender's name
    std::u16string to;     // the first recipient's display name
    std::u16string status; // answers only: "deleted", or anything else
    FileTime time = 0;     // delivery time in UTC
};

// "%d-%m-%Y %I:%M:%S %p" of the UTC time: "05-01-2024 01:07:09 PM". Empty when the time is beyond the
// calendar's reach.
std::u16string FormatSmsTimestamp(FileTime time);
// Reads day, month, year, hour, minute and second as the format above writes them, with an "AM" or
// "PM" marker in any case (12 AM is midnight), or a 24-hour time without one; what follows is not
// read. Nothing when a field is missing or out of range (a day the month does not have, a year before
// 1601 or after 30827).
std::optional<FileTime> ParseSmsTimestamp(std::u16string_view text);

// Writes a message list as text into `out`, message by message, so that the text is the only copy of
// a large list.
class CSmsListWriter {
public:
    explicit CSmsListWriter(std::string& out);
    void Add(const SmsRecord& record);
    // Ends the list and the envelope; nothing may be added afterwards.
    void Finish();

private:
    CXmlTextWriter m_writer;
};

// A message list from the server.
struct SmsListAnswer {
    std::vector<SmsRecord> records; // in document order
    // Messages left out because their time stamp was missing or unreadable.
    std::uint32_t unreadable = 0;
};

// Reads an answer (UTF-8). False, with the reason in `error`, when it is not an XML document; a
// document without a list is an empty list. Each message left out is logged.
bool ParseSmsList(std::string_view answer, SmsListAnswer& list, std::string& error);
