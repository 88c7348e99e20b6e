#include "service/SmsMessageList.h"

#include "ServiceLog.h"
#include "platform/CivilDays.h"
#include "platform/XmlDom.h"
#include "service/XmlDocuments.h"
#include "utils/AsciiFold.h"

#include <cstdio>
#include <limits>

namespace {

constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;
// Longer numbers are out of every field's range; reading stops growing them here.
constexpr int kNumberCeiling = 1000000;
// How much of a bad time stamp the log line shows.
constexpr std::size_t kLoggedChars = 64;

bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// One integer as "%d" reads it: blanks, an optional sign, at least one digit.
bool ReadNumber(std::u16string_view text, std::size_t& at, int& value)
{
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-'))
        negative = text[at++] == u'-';
    const std::size_t digits = at;
    int number = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        number = std::min(number * 10 + (text[at] - u'0'), kNumberCeiling);
    value = negative ? -number : number;
    return at > digits;
}

bool ReadLiteral(std::u16string_view text, std::size_t& at, char16_t literal)
{
    if (literal == u' ') {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        return true;
    }
    if (at >= text.size() || text[at] != literal)
        return false;
    ++at;
    return true;
}

enum class Marker : std::uint8_t { None, Am, Pm };

Marker ReadMarker(std::u16string_view rest)
{
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    if (StartsWithFolded(rest, u"AM"))
        return Marker::Am;
    if (StartsWithFolded(rest, u"PM"))
        return Marker::Pm;
    return Marker::None;
}

int DaysInMonth(int year, int month)
{
    const int next = month == 12 ? 1 : month + 1;
    return static_cast<int>(DaysFromCivil(month == 12 ? year + 1 : year, static_cast<unsigned>(next), 1) -
                            DaysFromCivil(year, static_cast<unsigned>(month), 1));
}

std::optional<SmsRecord> ReadMessage(const CXmlNode& element, std::size_t position)
{
    SmsRecord record;
    record.folder = element.Attribute(u"folder").value_or(u"");
    record.status = element.Attribute(u"status").value_or(u"");
    record.from = element.Attribute(u"from").value_or(u"");
    record.to = element.Attribute(u"to").value_or(u"");
    const std::optional<std::u16string> timestamp = element.Attribute(u"timestamp");
    const std::optional<FileTime> time = timestamp ? ParseSmsTimestamp(*timestamp) : std::nullopt;
    if (!time) {
        LogLine(u"sms answer: message " + Utf8ToUtf16(std::to_string(position)) + u" left out: " +
                (timestamp ? u"timestamp \"" + timestamp->substr(0, kLoggedChars) + u"\" is not a time"
                           : u"it has no timestamp"));
        return std::nullopt;
    }
    record.time = *time;
    record.text = element.Text();
    return record;
}

} // namespace

std::u16string FormatSmsTimestamp(FileTime time)
{
    if (time > static_cast<FileTime>(std::numeric_limits<std::int64_t>::max()))
        return {};
    const CivilTime civil = FileTimeToCivil(time);
    const int hour = civil.hour % 12 == 0 ? 12 : civil.hour % 12;
    char text[48];
    const int length =
        std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d:%02d %s", civil.day, civil.month,
                      civil.year, hour, civil.minute, civil.second, civil.hour < 12 ? "AM" : "PM");
    return std::u16string(text, text + length);
}

std::optional<FileTime> ParseSmsTimestamp(std::u16string_view text)
{
    CivilTime civil;
    int* const fields[] = {&civil.day, &civil.month, &civil.year, &civil.hour, &civil.minute, &civil.second};
    constexpr char16_t kSeparators[] = {u'-', u'-', u' ', u':', u':'};
    std::size_t at = 0;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (!ReadNumber(text, at, *fields[i]))
            return std::nullopt;
        if (i < std::size(kSeparators) && !ReadLiteral(text, at, kSeparators[i]))
            return std::nullopt;
    }
    const Marker marker = ReadMarker(text.substr(at));
    if (marker != Marker::None) {
        if (civil.hour < 1 || civil.hour > 12)
            return std::nullopt;
        civil.hour = civil.hour % 12 + (marker == Marker::Pm ? 12 : 0);
    }
    if (civil.year < kFirstYear || civil.year > kLastYear || civil.month < 1 || civil.month > 12 ||
        civil.day < 1 || civil.day > DaysInMonth(civil.year, civil.month) || civil.hour < 0 ||
        civil.hour > 23 || civil.minute < 0 || civil.minute > 59 || civil.second < 0 || civil.second > 59)
        return std::nullopt;
    return CivilToFileTime(civil);
}

CSmsListWriter::CSmsListWriter(std::string& out) : m_writer(out)
{
    WriteEnvelopeStart(m_writer);
    m_writer.StartElement("message-list");
}

void CSmsListWriter::Add(const SmsRecord& record)
{
    m_writer.StartElement("message");
    m_writer.Attribute("type", u"text");
    m_writer.Attribute("folder", record.folder);
    if (!record.from.empty())
        m_writer.Attribute("from", record.from);
    if (!record.to.empty())
        m_writer.Attribute("to", record.to);
    m_writer.Attribute("timestamp", FormatSmsTimestamp(record.time));
    m_writer.Text(record.text);
    m_writer.EndElement();
}

void CSmsListWriter::Finish()
{
    m_writer.EndElement();
    m_writer.EndElement();
}

bool ParseSmsList(std::string_view answer, SmsListAnswer& list, std::string& error)
{
    list = {};
    CXmlDocument document;
    if (!document.LoadUtf8(answer, XmlLineEnds::Normalise, &error))
        return false;
    const std::vector<CXmlNode> lists = document.DocumentElement().ChildElements();
    if (lists.empty())
        return true;
    const std::vector<CXmlNode> messages = lists.front().SelectNodes(u"message");
    list.records.reserve(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (std::optional<SmsRecord> record = ReadMessage(messages[i], i + 1))
            list.records.push_back(std::move(*record));
        else
            ++list.unreadable;
    }
    return true;
}
