#pragma once
// Bytes in a character set that a vCard or vCalendar value declares (CHARSET=SHIFT_JIS, KOI8-R,
// WINDOWS-1251, ...) turned into wide text, through the C library's iconv.
//
// One per reader; it keeps the converters it opened (a few at most) until it is destroyed.
// Single-threaded.

#include <string>
#include <string_view>
#include <vector>

class CCharsetDecoder {
public:
    CCharsetDecoder() = default;
    ~CCharsetDecoder();
    CCharsetDecoder(const CCharsetDecoder&) = delete;
    CCharsetDecoder& operator=(const CCharsetDecoder&) = delete;

    // Replaces `out` with the text of `bytes`; a byte sequence the character set does not define
    // becomes U+FFFD. False, `out` untouched, when the character set is unknown (logged once per name).
    bool Decode(std::u16string_view charset, std::string_view bytes, std::u16string& out);

private:
    struct Converter {
        std::string name; // as normalised
        void* handle;     // an iconv_t; null when iconv does not know the name
    };
    Converter& Open(const std::string& name);

    std::vector<Converter> m_converters;
};

// True for the double-byte character sets whose second bytes include 0x5C (Shift_JIS, GBK, GB18030,
// Big5): in their text a backslash byte may be half of a character, so it escapes nothing.
bool IsDoubleByteCharset(std::u16string_view charset);

// Text of `bytes` read as UTF-8 where they form valid UTF-8 and one byte per character (ISO-8859-1)
// elsewhere: how values without a declared character set are read, so neither UTF-8 nor 8-bit text
// from older programs is lost. The second form takes characters below U+0100 as the bytes.
void DecodeUtf8OrLatin1(std::string_view bytes, std::u16string& out);
void DecodeUtf8OrLatin1(std::u16string_view bytes, std::u16string& out);

// True when characters below U+0100 in `text` form a UTF-8 sequence, which DecodeUtf8OrLatin1 would
// read as one character: such text must be written in an encoding that says what it is.
bool HasUtf8Sequence(std::u16string_view text);
