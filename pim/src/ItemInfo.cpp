#include "pim/ItemInfo.h"

#include "utils/Crc32.h"

HRESULT ItemInfo::CalculateCRC()
{
    crc = DecimalText(ItemChecksum(data));
    return S_OK;
}

std::uint32_t ItemChecksum(std::u16string_view text)
{
    std::uint32_t checksum = 0;
    Crc32Win32String(text, checksum);
    return checksum;
}

std::uint32_t CFolderChecksum::Value() const
{
    std::uint32_t checksum = 0;
    Crc32Win32String(m_text, checksum);
    return checksum;
}

std::u16string DecimalText(std::uint32_t value)
{
    char16_t digits[10];
    std::size_t count = 0;
    do {
        digits[sizeof digits / sizeof digits[0] - 1 - count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::u16string(digits + (10 - count), count);
}
