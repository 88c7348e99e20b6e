#include "data/ItemLines.h"

std::vector<ItemLine> ItemLines(std::string_view text)
{
    std::vector<ItemLine> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        ItemLine line;
        line.text = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.text.empty() && line.text.back() == '\r')
            line.text.remove_suffix(1);
        if (const std::size_t colon = line.text.find(':'); colon != std::string_view::npos) {
            line.name = line.text.substr(0, colon);
            line.name = line.name.substr(0, line.name.find(';'));
            line.value = line.text.substr(colon + 1);
            while (!line.value.empty() && (line.value.back() == ' ' || line.value.back() == '\t'))
                line.value.remove_suffix(1);
        }
        lines.push_back(line);
    }
    return lines;
}
