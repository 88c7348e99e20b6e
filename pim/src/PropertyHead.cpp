#include "PropertyHead.h"

#include <algorithm>
#include <utility>

namespace {

// Sorted by name, so that a lookup is a binary search.
constexpr std::pair<std::string_view, PropertyId> kProperties[] = {
    {"ACCOUNT", PropertyId::Account},
    {"ADR", PropertyId::Adr},
    {"AGENT", PropertyId::Agent},
    {"ANNIVERSARY", PropertyId::Anniversary},
    {"ASSISTANT", PropertyId::Assistant},
    {"ASSISTANT-TEL", PropertyId::AssistantTel},
    {"BDAY", PropertyId::Bday},
    {"BEGIN", PropertyId::Begin},
    {"CATEGORIES", PropertyId::Categories},
    {"CHILDREN", PropertyId::Children},
    {"CLASS", PropertyId::Class},
    {"COMPLETED", PropertyId::Completed},
    {"CUSTOMERID", PropertyId::CustomerId},
    {"DALARM", PropertyId::DAlarm},
    {"DESCRIPTION", PropertyId::Description},
    {"DTEND", PropertyId::DtEnd},
    {"DTSTART", PropertyId::DtStart},
    {"DUE", PropertyId::Due},
    {"EMAIL", PropertyId::Email},
    {"END", PropertyId::End},
    {"EXDATE", PropertyId::ExDate},
    {"IMADDRESS", PropertyId::ImAddress},
    {"LOCATION", PropertyId::Location},
    {"N", PropertyId::N},
    {"NICKNAME", PropertyId::Nickname},
    {"NOTE", PropertyId::Note},
    {"ORG", PropertyId::Org},
    {"PHOTO", PropertyId::Photo},
    {"PRIORITY", PropertyId::Priority},
    {"RRULE", PropertyId::RRule},
    {"SPOUSE", PropertyId::Spouse},
    {"SUMMARY", PropertyId::Summary},
    {"TEL", PropertyId::Tel},
    {"TITLE", PropertyId::Title},
    {"URL", PropertyId::Url},
    {"VERSION", PropertyId::Version},
    {"X-MS-MANAGER", PropertyId::XMsManager},
    {"X-MS-TEL", PropertyId::XMsTel},
};

constexpr std::pair<std::string_view, std::uint16_t> kTypes[] = {
    {"CAR", kTypeCar},     {"CELL", kTypeCell},   {"COMPANY", kTypeCompany}, {"FAX", kTypeFax},
    {"HOME", kTypeHome},   {"OTHER", kTypeOther}, {"PAGER", kTypePager},     {"PREF", kTypePref},
    {"WORK", kTypeWork},
};

template <typename Value, std::size_t Size>
constexpr bool IsSorted(const std::pair<std::string_view, Value> (&table)[Size])
{
    for (std::size_t i = 1; i < Size; ++i) {
        if (!(table[i - 1].first < table[i].first))
            return false;
    }
    return true;
}
static_assert(IsSorted(kProperties) && IsSorted(kTypes), "name tables are searched by halves");

// Upper-case ASCII copy of a short name; false for names that are too long or not ASCII, which no
// table holds.
class CUpperName {
public:
    explicit CUpperName(std::u16string_view name)
    {
        if (name.size() > sizeof m_text)
            return;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char16_t c = name[i];
            if (c >= 0x80)
                return;
            m_text[i] = static_cast<char>(c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c);
        }
        m_size = name.size();
        m_valid = true;
    }
    bool Valid() const { return m_valid; }
    std::string_view View() const { return {m_text, m_size}; }

private:
    char m_text[24] = {};
    std::size_t m_size = 0;
    bool m_valid = false;
};

template <typename Value, std::size_t Size>
Value Lookup(const std::pair<std::string_view, Value> (&table)[Size], std::u16string_view name, Value missing)
{
    const CUpperName upper(name);
    if (!upper.Valid())
        return missing;
    const std::string_view key = upper.View();
    const auto before = [](const auto& entry, std::string_view wanted) { return entry.first < wanted; };
    const auto* found = std::lower_bound(std::begin(table), std::end(table), key, before);
    return found != std::end(table) && found->first == key ? found->second : missing;
}

bool IsWord(std::u16string_view text, std::string_view upperWord)
{
    const CUpperName upper(text);
    return upper.Valid() && upper.View() == upperWord;
}

std::u16string_view Unquoted(std::u16string_view text)
{
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
        return text.substr(1, text.size() - 2);
    return text;
}

// The end of the parameter starting at `from`: the next ";" outside double quotes.
std::size_t ParameterEnd(std::u16string_view head, std::size_t from)
{
    bool quoted = false;
    for (std::size_t i = from; i < head.size(); ++i) {
        if (head[i] == u'"')
            quoted = !quoted;
        else if (head[i] == u';' && !quoted)
            return i;
    }
    return head.size();
}

void ReadEncoding(std::u16string_view word, PropertyHead& property)
{
    if (IsWord(word, "QUOTED-PRINTABLE"))
        property.encoding = ValueEncoding::QuotedPrintable;
    else if (IsWord(word, "BASE64") || IsWord(word, "B"))
        property.encoding = ValueEncoding::Base64;
}

void ReadTypes(std::u16string_view list, PropertyHead& property)
{
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(u',', start);
        if (comma == std::u16string_view::npos)
            comma = list.size();
        property.types |= Lookup(kTypes, list.substr(start, comma - start), std::uint16_t{0});
        start = comma + 1;
    }
}

void ReadParameter(std::u16string_view parameter, PropertyHead& property)
{
    const std::size_t equals = parameter.find(u'=');
    if (equals == std::u16string_view::npos) {
        // vCard 2.1 writes bare words: an encoding or a type.
        ReadEncoding(parameter, property);
        property.types |= Lookup(kTypes, parameter, std::uint16_t{0});
        return;
    }
    const std::u16string_view name = parameter.substr(0, equals);
    const std::u16string_view value = Unquoted(parameter.substr(equals + 1));
    if (IsWord(name, "TYPE"))
        ReadTypes(value, property);
    else if (IsWord(name, "ENCODING"))
        ReadEncoding(value, property);
    else if (IsWord(name, "CHARSET"))
        property.charset = value;
    else if (IsWord(name, "VALUE"))
        property.uriValue = IsWord(value, "URI") || IsWord(value, "URL");
    else if (IsWord(name, "PREF"))
        property.types |= kTypePref; // vCard 4.0: PREF=1
}

} // namespace

PropertyHead ParsePropertyHead(std::u16string_view head)
{
    PropertyHead property;
    std::size_t nameEnd = head.find(u';');
    if (nameEnd == std::u16string_view::npos)
        nameEnd = head.size();
    std::u16string_view name = head.substr(0, nameEnd);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string_view::npos)
        name.remove_prefix(dot + 1);
    property.id = Lookup(kProperties, name, PropertyId::Other);
    for (std::size_t start = nameEnd + 1; start < head.size();) {
        const std::size_t end = ParameterEnd(head, start);
        ReadParameter(head.substr(start, end - start), property);
        start = end + 1;
    }
    return property;
}
