#include "data/ItemFile.h"

#include "data/ItemLines.h"
#include "data/PimDocuments.h"
#include "utils/AsciiFold.h"

namespace {

constexpr std::size_t kMaxItems = 100000;
constexpr std::size_t kMaxSummary = 80;

bool Is(const ItemLine& line, std::string_view name, std::string_view value)
{
    return EqualsFolded(line.name, name) && EqualsFolded(line.value, value);
}

bool IsComponent(const ItemLine& line, std::string_view name)
{
    return Is(line, name, "VEVENT") || Is(line, name, "VTODO");
}

class CSplitter {
public:
    bool Take(const ItemLine& line, std::string& error)
    {
        if (m_cardDepth > 0)
            return TakeCardLine(line);
        if (m_componentDepth > 0)
            return TakeComponentLine(line);
        if (Is(line, "BEGIN", "VCARD")) {
            m_cardDepth = 1;
            m_text = Crlf(line.text);
        } else if (IsComponent(line, "BEGIN")) {
            m_componentDepth = 1;
            m_kind = EqualsFolded(line.value, "VTODO") ? PimKind::Todo : PimKind::Event;
            m_text = Crlf(line.text);
        } else if (Is(line, "BEGIN", "VCALENDAR") && !m_inCalendar) {
            m_inCalendar = true;
            m_calendarHeader.clear();
        } else if (Is(line, "END", "VCALENDAR") && m_inCalendar) {
            m_inCalendar = false;
        } else if (m_inCalendar) {
            m_calendarHeader += Crlf(line.text);
        } else if (!line.text.empty()) {
            error = "\"" + std::string(line.text.substr(0, 40)) +
                    "\" is outside any BEGIN:VCARD, BEGIN:VEVENT or BEGIN:VTODO";
            return false;
        }
        return true;
    }

    // True when the file ended outside any item.
    bool Complete() const { return m_cardDepth == 0 && m_componentDepth == 0 && !m_inCalendar; }
    std::vector<FileItem>& Items() { return m_items; }

private:
    static std::string Crlf(std::string_view line) { return std::string(line) + "\r\n"; }

    bool TakeCardLine(const ItemLine& line)
    {
        m_text += Crlf(line.text);
        if (Is(line, "BEGIN", "VCARD"))
            ++m_cardDepth;
        else if (Is(line, "END", "VCARD") && --m_cardDepth == 0)
            m_items.push_back({PimKind::Contact, std::move(m_text)});
        return true;
    }

    bool TakeComponentLine(const ItemLine& line)
    {
        m_text += Crlf(line.text);
        if (EqualsFolded(line.name, "BEGIN")) {
            ++m_componentDepth;
        } else if (EqualsFolded(line.name, "END") && --m_componentDepth == 0) {
            // A component outside a calendar gets the calendar a vCalendar 1.0 handset expects.
            const std::string header = m_inCalendar ? m_calendarHeader : std::string("VERSION:1.0\r\n");
            m_items.push_back({m_kind, "BEGIN:VCALENDAR\r\n" + header + m_text + "END:VCALENDAR\r\n"});
        }
        return true;
    }

    std::vector<FileItem> m_items;
    std::string m_text;
    int m_cardDepth = 0;
    int m_componentDepth = 0;
    PimKind m_kind = PimKind::Event;
    bool m_inCalendar = false;
    std::string m_calendarHeader;
};

} // namespace

std::optional<std::vector<FileItem>> SplitItemFile(std::string_view content, std::string& error)
{
    if (const std::optional<std::string> problem = ItemTextProblem(content)) {
        error = "the file: " + *problem;
        return std::nullopt;
    }
    CSplitter splitter;
    for (const ItemLine& line : ItemLines(content)) {
        if (!splitter.Take(line, error))
            return std::nullopt;
        if (splitter.Items().size() > kMaxItems) {
            error = "the file holds more than 100000 items";
            return std::nullopt;
        }
    }
    if (!splitter.Complete()) {
        error = "the file ends inside an item";
        return std::nullopt;
    }
    if (splitter.Items().empty()) {
        error = "the file holds no vCard, VEVENT or VTODO";
        return std::nullopt;
    }
    return std::move(splitter.Items());
}

std::string ItemSummary(std::string_view text)
{
    std::string_view found;
    for (const ItemLine& line : ItemLines(text)) {
        if (EqualsFolded(line.name, "FN") || EqualsFolded(line.name, "SUMMARY")) {
            found = line.value;
            break;
        }
        if (EqualsFolded(line.name, "N") && found.empty())
            found = line.value;
    }
    if (found.size() > kMaxSummary) {
        found = found.substr(0, kMaxSummary);
        // Never half a UTF-8 sequence.
        while (!found.empty() && (static_cast<unsigned char>(found.back()) & 0xC0) == 0x80)
            found.remove_suffix(1);
        if (!found.empty() && static_cast<unsigned char>(found.back()) >= 0xC0)
            found.remove_suffix(1);
    }
    return std::string(found);
}
