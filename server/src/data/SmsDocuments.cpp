#include "data/SmsDocuments.h"

#include "ServerTime.h"
#include "data/SmsTime.h"
#include "platform/XmlDom.h"
#include "protocol/ServerDocuments.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

namespace {

constexpr std::size_t kMaxAddressBytes = 256;
constexpr std::size_t kMaxTextBytes = 64 * 1024;

std::string AttributeText(const CXmlNode& node, std::u16string_view name)
{
    return Utf16ToUtf8(node.Attribute(name).value_or(u""));
}

} // namespace

std::optional<MessageList> ReadMessageList(std::string_view body, std::string& error)
{
    if (!IsValidUtf8(body)) {
        error = "message list is not UTF-8";
        return std::nullopt;
    }
    CXmlDocument document;
    std::string parseError;
    // A message keeps its line ends as the handset stored them.
    if (!document.LoadUtf8(body, XmlLineEnds::Keep, &parseError)) {
        error = "message list is not XML: " + parseError;
        return std::nullopt;
    }
    MessageList list;
    const std::vector<CXmlNode> lists = document.DocumentElement().ChildElements();
    if (lists.empty())
        return list;
    const std::int64_t now = NowMs();
    for (const CXmlNode& element : lists.front().SelectNodes(u"message")) {
        SmsRecord message;
        message.folder = AttributeText(element, u"folder");
        message.sender = AttributeText(element, u"from");
        message.recipient = AttributeText(element, u"to");
        message.text = Utf16ToUtf8(element.Text());
        message.createdMs = now;
        if (EqualsFolded(message.folder, "inbox") || EqualsFolded(message.folder, "sent")) {
            message.folder = EqualsFolded(message.folder, "inbox") ? "inbox" : "sent";
        } else {
            error = "message list: folder \"" + message.folder.substr(0, 32) + "\" is not inbox or sent";
            return std::nullopt;
        }
        if (message.sender.size() > kMaxAddressBytes || message.recipient.size() > kMaxAddressBytes ||
            message.text.size() > kMaxTextBytes) {
            error = "message list: a message's from or to is longer than 256 bytes, or its text than 64 KiB";
            return std::nullopt;
        }
        const std::optional<std::int64_t> time = ParseHandsetTime(AttributeText(element, u"timestamp"));
        if (!time) {
            ++list.undated;
            continue;
        }
        message.timeS = *time;
        list.messages.push_back(std::move(message));
    }
    return list;
}

std::string MessageListDocument(std::span<const SmsRecord> messages)
{
    CXmlDocument document;
    CXmlNode list = CreateEnvelope(document).AppendElement(u"message-list");
    for (const SmsRecord& message : messages) {
        CXmlNode element = list.AppendElement(u"message");
        element.SetAttribute(u"type", u"text").SetAttribute(u"folder", Utf8ToUtf16(message.folder));
        if (!message.sender.empty())
            element.SetAttribute(u"from", Utf8ToUtf16(message.sender));
        if (!message.recipient.empty())
            element.SetAttribute(u"to", Utf8ToUtf16(message.recipient));
        element.SetAttribute(u"timestamp", Utf8ToUtf16(FormatHandsetTime(message.timeS)));
        if (message.deleted)
            element.SetAttribute(u"status", u"deleted");
        if (!message.text.empty())
            element.SetText(Utf8ToUtf16(message.text));
    }
    return document.SerializeUtf8();
}

std::size_t MessageBytes(const SmsRecord& message)
{
    // The element and its attributes; escaping makes a byte at most six ("&quot;", "&#13;").
    constexpr std::size_t kElementBytes = 160;
    return kElementBytes + 6 * (message.sender.size() + message.recipient.size() + message.text.size());
}
