#include "service/CBrandingGuide.h"

#include "platform/DevicePaths.h"
#include "service/CLog_File.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// A branding file is a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t kMaxBrandingFileBytes = 1024 * 1024;
constexpr int kFirstText = 1;
constexpr int kLastText = 200;

struct BrandingTable {
    BrandingTexts entries;
    bool loaded = false;
};

constinit std::mutex s_mutex;
BrandingTable* s_table = nullptr;

struct Locale {
    std::string language; // two letters as the environment gave them, e.g. "de"
    std::string country;  // two letters, e.g. "DE"; empty when the locale names none
};

bool IsLetters(std::string_view text)
{
    for (const char c : text) {
        if (!std::isalpha(static_cast<unsigned char>(c)))
            return false;
    }
    return !text.empty();
}

// The user's locale from the environment, the way the C library picks the message language:
// "de_DE.UTF-8@euro" gives "de" and "DE"; "C", "POSIX" and no setting give "en" and "us".
Locale UserLocale()
{
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = std::getenv(name);
        if (value && *value)
            break;
    }
    std::string_view text = value ? value : "";
    text = text.substr(0, text.find_first_of(".@"));
    const std::size_t underscore = text.find('_');
    const std::string_view language = text.substr(0, underscore);
    const std::string_view country = underscore == std::string_view::npos ? "" : text.substr(underscore + 1);
    if (language.size() < 2 || !IsLetters(language) || language == "C" || language == "POSIX")
        return {"en", "us"};
    Locale locale{std::string(language.substr(0, 2)), ""};
    if (country.size() >= 2 && IsLetters(country.substr(0, 2)))
        locale.country = std::string(country.substr(0, 2));
    return locale;
}

std::u16string LowerTag(const Locale& locale)
{
    std::string tag = locale.language;
    if (!locale.country.empty())
        tag += "-" + locale.country;
    return Utf8ToUtf16(FoldAscii(tag));
}

// The program folder first, so that a device may carry its own texts; then LUMENO_BRANDING_DIR when
// it is set (a branding under development, or tests), else the data folder installed beside the
// running program and the source tree's data folder (for programs run from the build tree).
std::vector<std::filesystem::path> BrandingFolders()
{
    std::vector<std::filesystem::path> folders{CDevicePaths::ProgramFolder()};
    if (const char* folder = std::getenv("LUMENO_BRANDING_DIR"); folder && *folder) {
        folders.emplace_back(folder);
        return folders;
    }
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(program.parent_path() / LUMENO_BRANDING_FROM_PROGRAM);
    folders.emplace_back(LUMENO_BRANDING_SOURCE_DIR);
    return folders;
}

std::optional<std::string> ReadBrandingFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxBrandingFileBytes) {
        CLog_File::AddLogLine(u"branding: " + Utf8ToUtf16(file.native()) + u" is not a branding file (size)");
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The first file found: in each folder "<ll>-<CC>.brd", "<ll>.brd", then "english.brd".
std::optional<std::string> FindBrandingFile(const Locale& locale)
{
    std::vector<std::string> names;
    if (!locale.country.empty())
        names.push_back(locale.language + "-" + locale.country + ".brd");
    names.push_back(locale.language + ".brd");
    names.push_back("english.brd");
    for (const std::filesystem::path& folder : BrandingFolders()) {
        for (const std::string& name : names) {
            if (auto bytes = ReadBrandingFile(folder / name))
                return bytes;
        }
    }
    return std::nullopt;
}

// One "key=text" line; lines without "=" and keys outside 1..200 are ignored.
void StoreLine(BrandingTexts& entries, std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    std::string_view key = line.substr(0, equals);
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
        key.remove_prefix(1);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
        key.remove_suffix(1);
    int number = 0;
    const auto [end, status] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (status != std::errc() || end != key.data() + key.size() || number < kFirstText || number > kLastText)
        return;
    std::u16string text = Utf8ToUtf16(line.substr(equals + 1));
    for (std::size_t at = text.find(u"\\n"); at != std::u16string::npos; at = text.find(u"\\n", at + 2))
        text.replace(at, 2, u"\r\n");
    entries[static_cast<std::size_t>(number)] = std::move(text);
}

BrandingTable& LoadedTable()
{
    if (s_table)
        return *s_table;
    s_table = new BrandingTable();
    const Locale locale = UserLocale();
    if (const auto bytes = FindBrandingFile(locale)) {
        s_table->entries = ReadBrandingTexts(*bytes);
        s_table->loaded = true;
    }
    s_table->entries[kBrandingLocaleTag] = LowerTag(locale);
    for (int number = kFirstText; number <= kLastText; ++number) {
        std::u16string& entry = s_table->entries[static_cast<std::size_t>(number)];
        if (entry.empty())
            entry = u"undefined";
    }
    return *s_table;
}

} // namespace

BrandingTexts ReadBrandingTexts(std::string_view bytes)
{
    BrandingTexts entries;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        StoreLine(entries, bytes.substr(0, end));
        if (end == std::string_view::npos)
            break;
        bytes.remove_prefix(end + 1);
    }
    return entries;
}

const std::u16string* CBrandingGuide::GetInstanceBranding()
{
    std::lock_guard lock(s_mutex);
    BrandingTable& table = LoadedTable();
    return table.loaded ? table.entries.data() : nullptr;
}

std::u16string CBrandingGuide::LocaleTag()
{
    std::lock_guard lock(s_mutex);
    return LoadedTable().entries[kBrandingLocaleTag];
}

void CBrandingGuide::Release()
{
    std::lock_guard lock(s_mutex);
    delete s_table;
    s_table = nullptr;
}

std::u16string BrandingText(int number)
{
    const std::u16string* table = CBrandingGuide::GetInstanceBranding();
    if (!table || number < kFirstText || number > kLastText)
        return {};
    return table[number];
}
