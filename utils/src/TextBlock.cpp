#include "utils/TextBlock.h"

std::u16string LongStringToBlock(std::u16string text, std::u16string_view prefix, int width)
{
    const std::size_t step = width < 1 ? 1 : static_cast<std::size_t>(width);
    std::u16string out;
    const std::size_t lines = (text.size() + step - 1) / step;
    out.reserve(text.size() + lines * (2 + prefix.size()));
    for (std::size_t position = 0; position < text.size(); position += step) {
        out += u"\r\n";
        out += prefix;
        out.append(text, position, step);
    }
    return out;
}
