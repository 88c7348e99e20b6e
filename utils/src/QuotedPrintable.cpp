#include "utils/QuotedPrintable.h"

#include <cstdint>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Blanks and tabs are copied only while the output is shorter than this; later ones are escaped.
constexpr std::size_t kBlankLimit = 64;

} // namespace

std::string QuotedPrintableHeader(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() * 3);
    for (const char character : utf8) {
        const auto byte = static_cast<std::uint8_t>(character);
        const bool printable = (byte >= 0x21 && byte <= 0x7E && byte != '=');
        const bool keptBlank = (byte == ' ' || byte == '\t') && out.size() < kBlankLimit;
        if (printable || keptBlank) {
            out.push_back(character);
            continue;
        }
        out.push_back('=');
        out.push_back(kHexDigits[byte >> 4]);
        out.push_back(kHexDigits[byte & 0x0F]);
    }
    return out;
}
