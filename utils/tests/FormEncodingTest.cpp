// The form encoding of the SMS gateway's request and of the admin records.
#include "utils/FormEncoding.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

TEST(FormEncoding, EncodesAndDecodesBackEveryByte)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Hello World", "Hello+World"},
        {"AZaz09*-._", "AZaz09*-._"},
        {"+4915112345", "%2B4915112345"},
        {"a&b=c%d~", "a%26b%3Dc%25d%7E"},
        {"line\r\nbreak", "line%0D%0Abreak"},
        {"\xC3\xA4\xFF\0"s, "%C3%A4%FF%00"},
        {"", ""},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FormEncode(bytes), text) << bytes;
        EXPECT_EQ(FormDecode(text), bytes) << text;
    }
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(FormDecode(FormEncode(all)), all);
}

TEST(FormEncoding, DecodingKeepsWhatIsNoEscape)
{
    const std::pair<std::string, std::string> cases[] = {
        {"100%", "100%"},       // a lone "%"
        {"%zz%4", "%zz%4"},     // not hexadecimal; cut short at the end
        {"%4g%g4", "%4g%g4"},   // one digit only
        {"%c3%A4", "\xC3\xA4"}, // digits of either case
        {"%%41", "%A"},         // the first "%" is no escape, the second is
        {"a~b*c", "a~b*c"},     // bytes an encoder would have kept or escaped
    };
    for (const auto& [text, bytes] : cases)
        EXPECT_EQ(FormDecode(text), bytes) << text;
}

} // namespace
