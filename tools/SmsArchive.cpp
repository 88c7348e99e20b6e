#include "SmsArchive.h"

#include "platform/Clock.h"
#include "platform/XmlDom.h"
#include "platform/XmlTextWriter.h"
#include "utils/Utf.h"

#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr std::u16string_view kUnknownContact = u"(Unknown)";
constexpr std::int64_t kMsFrom1601To1970 = 11644473600000;
constexpr std::int64_t kUnitsPerMs = 10000;
// The span of dates a file time can hold.
constexpr std::int64_t kEarliestDateMs = -kMsFrom1601To1970;
constexpr std::int64_t kLatestDateMs =
    std::numeric_limits<std::int64_t>::max() / kUnitsPerMs - kMsFrom1601To1970;

struct Reference {
    std::size_t end;     // just past the ';'
    std::uint32_t value; // the character's number
};

// The character reference ("&#55357;", "&#xD83D;") that starts at `at`, if one does.
std::optional<Reference> ReadReference(std::string_view text, std::size_t at)
{
    if (text.substr(at, 2) != "&#")
        return std::nullopt;
    std::size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex)
        ++i;
    const std::size_t digits = i;
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            break;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        if (value > 0x10FFFF)
            return std::nullopt;
    }
    if (i == digits || i >= text.size() || text[i] != ';')
        return std::nullopt;
    return Reference{i + 1, value};
}

bool IsSurrogate(std::uint32_t value, std::uint32_t first)
{
    return value >= first && value <= first + 0x3FF;
}

// Replaces each reference to a high surrogate that is followed at once by one to a low surrogate by a
// reference to the character the two make, and every other reference to a surrogate by one to U+FFFD
// (a parser would make three bytes of it that are no character); every other byte stays.
std::string JoinSurrogateReferences(std::string_view text)
{
    std::string joined;
    joined.reserve(text.size());
    std::size_t at = 0;
    for (std::size_t found = text.find("&#"); found != std::string_view::npos; found = text.find("&#", at)) {
        joined.append(text.substr(at, found - at));
        at = found + 2;
        const std::optional<Reference> high = ReadReference(text, found);
        if (!high || (!IsSurrogate(high->value, 0xD800) && !IsSurrogate(high->value, 0xDC00))) {
            joined += "&#";
            continue;
        }
        const std::optional<Reference> low =
            IsSurrogate(high->value, 0xD800) ? ReadReference(text, high->end) : std::nullopt;
        if (!low || !IsSurrogate(low->value, 0xDC00)) {
            joined += "&#65533;";
            at = high->end;
            continue;
        }
        const std::uint32_t character = 0x10000 + ((high->value - 0xD800) << 10) + (low->value - 0xDC00);
        joined += "&#" + std::to_string(character) + ";";
        at = low->end;
    }
    joined.append(text.substr(at));
    return joined;
}

std::optional<std::int64_t> ReadInteger(std::u16string_view text)
{
    const bool negative = !text.empty() && text.front() == u'-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
}

// Reads one "sms" element; false with `error` saying what is wrong with it.
bool ReadMessage(const CXmlNode& element, ArchivedSms& message, std::string& error)
{
    const std::u16string date = element.Attribute(u"date").value_or(u"");
    const std::optional<std::int64_t> dateMs = ReadInteger(date);
    if (!dateMs || *dateMs < kEarliestDateMs || *dateMs > kLatestDateMs) {
        error = "date \"" + Utf16ToUtf8(date.substr(0, 40)) + "\" is not a time in milliseconds since 1970";
        return false;
    }
    const std::u16string type = element.Attribute(u"type").value_or(u"");
    const std::optional<std::int64_t> typeNumber = ReadInteger(type);
    if (!typeNumber || *typeNumber < 1 || *typeNumber > 6) {
        error = "type \"" + Utf16ToUtf8(type.substr(0, 40)) + "\" is not one of 1 to 6";
        return false;
    }
    message.address = element.Attribute(u"address").value_or(u"");
    message.dateMs = *dateMs;
    message.type = static_cast<ArchivedSmsType>(*typeNumber);
    message.body = element.Attribute(u"body").value_or(u"");
    message.read = element.Attribute(u"read").value_or(u"1") != u"0";
    message.contactName = element.Attribute(u"contact_name").value_or(u"");
    if (message.contactName == kUnknownContact || message.contactName == u"null")
        message.contactName.clear();
    return true;
}

// "Dec 24, 2023 7:30:00 PM" in local time, as the apps show the date beside its number.
std::u16string ReadableDate(std::int64_t dateMs)
{
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const CivilTime local = UtcToLocal(static_cast<FileTime>((dateMs + kMsFrom1601To1970) * kUnitsPerMs));
    const int hour = local.hour % 12 == 0 ? 12 : local.hour % 12;
    char text[64];
    const int length =
        std::snprintf(text, sizeof text, "%s %d, %d %d:%02d:%02d %s", kMonths[local.month - 1], local.day,
                      local.year, hour, local.minute, local.second, local.hour < 12 ? "AM" : "PM");
    return std::u16string(text, text + length);
}

std::u16string Decimal(std::int64_t value)
{
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

} // namespace

bool ReadSmsArchive(std::string_view bytes, SmsArchive& archive, std::string& error)
{
    archive = {};
    error.clear();
    CXmlDocument document;
    if (!document.LoadUtf8(JoinSurrogateReferences(bytes), XmlLineEnds::Normalise, &error)) {
        error = "not an XML file: " + error;
        return false;
    }
    const CXmlNode root = document.DocumentElement();
    if (root.Name() != u"smses") {
        error = "the root element is \"" + Utf16ToUtf8(root.Name()) + "\", not \"smses\"";
        return false;
    }
    SmsArchive read;
    std::size_t position = 0;
    for (const CXmlNode& element : root.ChildElements()) {
        if (element.Name() != u"sms") {
            ++read.skipped;
            continue;
        }
        ++position;
        ArchivedSms message;
        if (!ReadMessage(element, message, error)) {
            error = "message " + std::to_string(position) + ": " + error;
            return false;
        }
        read.messages.push_back(std::move(message));
    }
    archive = std::move(read);
    return true;
}

std::string WriteSmsArchive(const std::vector<ArchivedSms>& messages)
{
    std::string text = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n";
    CXmlTextWriter writer(text);
    writer.StartElement("smses");
    writer.Attribute("count", Decimal(static_cast<std::int64_t>(messages.size())));
    writer.Text(u"\n");
    for (const ArchivedSms& message : messages) {
        writer.Text(u"  ");
        writer.StartElement("sms");
        writer.Attribute("protocol", u"0");
        writer.Attribute("address", message.address);
        writer.Attribute("date", Decimal(message.dateMs));
        writer.Attribute("type", Decimal(static_cast<std::int64_t>(message.type)));
        writer.Attribute("subject", u"null");
        writer.Attribute("body", message.body);
        writer.Attribute("toa", u"null");
        writer.Attribute("sc_toa", u"null");
        writer.Attribute("service_center", u"null");
        writer.Attribute("read", message.read ? u"1" : u"0");
        writer.Attribute("status", u"-1");
        writer.Attribute("locked", u"0");
        writer.Attribute("date_sent", u"0");
        writer.Attribute("readable_date", ReadableDate(message.dateMs));
        writer.Attribute("contact_name", message.contactName.empty() ? kUnknownContact : message.contactName);
        writer.EndElement();
        writer.Text(u"\n");
    }
    writer.EndElement();
    text += '\n';
    return text;
}
