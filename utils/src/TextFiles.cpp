#include "utils/Files.h"

#include "ReplaceFile.h"
#include "utils/Ansi.h"
#include "utils/Utf.h"

#include <memory>
#include <optional>

namespace {

struct BufferRelease {
    void operator()(std::uint8_t* buffer) const { ReleaseBuffer(buffer); }
};

struct FileBytes {
    std::unique_ptr<std::uint8_t, BufferRelease> owner;
    std::string_view bytes;
};

// The whole file, or nothing when it cannot be read.
std::optional<FileBytes> ReadAllBytes(std::u16string_view path)
{
    std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
    if (Failed(ReadFileAndAllocBuffer(path, buffer, size)))
        return std::nullopt;
    FileBytes file;
    file.owner.reset(buffer);
    file.bytes = std::string_view(reinterpret_cast<const char*>(buffer), size);
    return file;
}

} // namespace

std::u16string ReadANSIFile(std::u16string_view path)
{
    const auto file = ReadAllBytes(path);
    if (!file)
        return {};
    return AnsiToUnicode(file->bytes.substr(0, file->bytes.find('\0')));
}

std::u16string ReadUTF8File(std::u16string_view path)
{
    const auto file = ReadAllBytes(path);
    if (!file)
        return {};
    std::u16string text = Utf8ToUtf16(file->bytes);
    if (const auto zero = text.find(u'\0'); zero != std::u16string::npos)
        text.resize(zero);
    return text;
}

HRESULT WriteANSIFile(std::u16string_view path, std::string_view bytes)
{
    return utils_posix::ReplaceFileContent(path, bytes) ? S_OK : E_FAIL;
}

HRESULT WriteUTF8File(std::u16string_view path, std::u16string_view text)
{
    return utils_posix::ReplaceFileContent(path, Utf16ToUtf8(text)) ? S_OK : E_FAIL;
}
