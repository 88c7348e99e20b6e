#include "utils/Version.h"

#include "ElfVersion.h"
#include "PosixFile.h"
#include "utils/Utf.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>

void GetFileVersion(std::u16string_view path, VS_FIXEDFILEINFO& info)
{
    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are read.
    const utils_posix::CFileDescriptor file = utils_posix::OpenPath(path, O_RDONLY | O_NONBLOCK);
    if (!file.IsOpen())
        return;
    const auto words = utils_elf::ReadVersionRecord(file.Get());
    if (!words)
        return;
    static_assert(sizeof *words == sizeof info);
    std::memcpy(&info, words->data(), sizeof info);
}

std::u16string GetSelfVersion()
{
    VS_FIXEDFILEINFO info{};
    Dl_info module{};
    if (::dladdr(reinterpret_cast<const void*>(&GetSelfVersion), &module) != 0 && module.dli_fname)
        GetFileVersion(Utf8ToUtf16(module.dli_fname), info);
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(info.dwProductVersionMS >> 16),
                  static_cast<int>(info.dwProductVersionMS & 0xFFFFu),
                  static_cast<int>(info.dwProductVersionLS >> 16),
                  static_cast<int>(info.dwProductVersionLS & 0xFFFFu));
    return Latin1ToUtf16(text);
}

std::uint32_t GetMajorVersion(std::u16string_view text)
{
    const std::size_t dot = text.find(u'.');
    if (dot == std::u16string_view::npos || dot == 0)
        return 0;
    const std::u16string_view number = text.substr(0, dot);
    std::size_t pos = 0;
    while (pos < number.size() && (number[pos] == u' ' || (number[pos] >= u'\t' && number[pos] <= u'\r')))
        ++pos;
    bool negative = false;
    if (pos < number.size() && (number[pos] == u'+' || number[pos] == u'-'))
        negative = number[pos++] == u'-';
    std::int64_t value = 0;
    for (; pos < number.size() && number[pos] >= u'0' && number[pos] <= u'9'; ++pos) {
        value = value * 10 + (number[pos] - u'0');
        if (value > std::int64_t{INT_MAX} + 1) // enough to know it is out of range either way
            break;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
}
