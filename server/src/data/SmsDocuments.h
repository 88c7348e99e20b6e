#pragma once
// The message list of the SMS commands as the server reads and writes it: a "message-list" of
// "message" elements (type, folder, from, to, timestamp in the handset's form, status) whose text is the
// message.

#include "store/SmsStore.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct MessageList {
    std::vector<SmsRecord> messages;
    std::size_t undated = 0; // messages left out: no time the server can read (a handset restores none)
};

// A backup's list. Nothing, with the reason in `error`, when the body is not UTF-8 XML or a message
// has a folder other than "inbox" and "sent" or a field longer than the server keeps.
std::optional<MessageList> ReadMessageList(std::string_view body, std::string& error);

// The list a handset must agree with: every message, those marked deleted with status "deleted".
std::string MessageListDocument(std::span<const SmsRecord> messages);
// An upper bound of the bytes one message adds to that document.
std::size_t MessageBytes(const SmsRecord& message);
