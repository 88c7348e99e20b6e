#include "platform/DeviceConfig.h"

#include "platform/DevicePaths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

std::mutex s_fileMutex;

std::filesystem::path ConfigFile()
{
    return CDevicePaths::DataFolder() / "device.conf";
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The key of a "key = value" line, or nothing for blank lines, comments and lines without "=".
std::optional<std::string_view> LineKey(std::string_view line)
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#')
        return std::nullopt;
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return Trim(trimmed.substr(0, equals));
}

std::vector<std::string> ReadLines()
{
    std::vector<std::string> lines;
    std::ifstream file(ConfigFile());
    std::string line;
    while (std::getline(file, line))
        lines.push_back(line);
    return lines;
}

bool WriteWhole(const std::filesystem::path& path, const std::string& content)
{
    const std::filesystem::path temporary = path.string() + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::string_view rest = content;
    bool written = true;
    while (written && !rest.empty()) {
        const ssize_t count = ::write(fd, rest.data(), rest.size());
        written = count > 0;
        if (written)
            rest.remove_prefix(static_cast<std::size_t>(count));
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string CDeviceConfig::EnvironmentName(std::string_view key)
{
    std::string name = "LUMENO_";
    for (char c : key) {
        if (c == '-')
            name += '_';
        else if (c >= 'a' && c <= 'z')
            name += static_cast<char>(c - 'a' + 'A');
        else
            name += c;
    }
    return name;
}

std::optional<std::string> CDeviceConfig::Get(std::string_view key)
{
    if (const char* value = std::getenv(EnvironmentName(key).c_str()))
        return std::string(value);
    std::lock_guard lock(s_fileMutex);
    for (const std::string& line : ReadLines()) {
        if (std::optional<std::string> value = ValueIn(line, key))
            return value;
    }
    return std::nullopt;
}

std::optional<std::string> CDeviceConfig::ValueIn(std::string_view text, std::string_view key)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (LineKey(line) == key) {
            const std::string_view trimmed = Trim(line);
            return std::string(Trim(trimmed.substr(trimmed.find('=') + 1)));
        }
    }
    return std::nullopt;
}

std::string CDeviceConfig::GetOr(std::string_view key, std::string_view fallback)
{
    return Get(key).value_or(std::string(fallback));
}

bool CDeviceConfig::Set(std::string_view key, std::string_view value)
{
    if (value.find_first_of("\r\n") != std::string_view::npos || key.empty() ||
        key.find_first_of("=#\r\n") != std::string_view::npos)
        return false;
    std::lock_guard lock(s_fileMutex);
    const std::string entry = std::string(key) + " = " + std::string(value);
    std::ostringstream content;
    bool replaced = false;
    for (const std::string& line : ReadLines()) {
        if (LineKey(line) != key) {
            content << line << '\n';
        } else if (!replaced) {
            content << entry << '\n';
            replaced = true;
        }
    }
    if (!replaced)
        content << entry << '\n';
    return WriteWhole(ConfigFile(), content.str());
}
