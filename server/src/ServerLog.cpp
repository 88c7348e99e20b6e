#include "ServerLog.h"

#include "ServerTime.h"
#include "utils/Hex.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace {

std::mutex s_logMutex;

std::string Stamp()
{
    const std::int64_t now = NowMs();
    const std::time_t seconds = static_cast<std::time_t>(now / 1000);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(now % 1000));
    return text;
}

} // namespace

void ServerLog(std::string_view text)
{
    std::string line = Stamp();
    line += ' ';
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    // Text from requests must never split into lines of its own or steer the terminal.
    for (const char c : text)
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    line += '\n';
    const std::lock_guard<std::mutex> lock(s_logMutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string LoggedText(std::string_view text, std::size_t limit)
{
    std::string logged;
    for (const char c : text.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            logged += c;
            continue;
        }
        logged += "\\x" + HexUpper(std::string_view(&c, 1));
    }
    if (text.size() > limit)
        logged += "...";
    return logged;
}
