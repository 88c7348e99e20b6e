#include "service/CLog_File.h"

#include "platform/Clock.h"
#include "platform/DevicePaths.h"
#include "utils/Utf.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

namespace {

constinit std::mutex s_mutex;
std::FILE* s_file = nullptr;
// The log object carries no data; it only stands for an open log.
CLog_File s_log;

} // namespace

void CLog_File::InitFile()
{
    std::lock_guard lock(s_mutex);
    if (s_file)
        return;
    const std::filesystem::path folder = CDevicePaths::ProgramFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    s_file = std::fopen((folder / "tidal.log").c_str(), "w");
}

void CLog_File::CloseFile()
{
    std::lock_guard lock(s_mutex);
    if (!s_file)
        return;
    std::fclose(s_file);
    s_file = nullptr;
}

void CLog_File::AddLogLine(std::u16string_view text)
{
    // The tick count is printed signed, as the handset's "%d" does once it passes 2^31.
    const auto tick = static_cast<std::int32_t>(CClock::Get().TickCount());
    std::string line = std::to_string(tick) + ": " + UnicodeToUTF8(text) + "\n";
    std::lock_guard lock(s_mutex);
    if (!s_file)
        return;
    std::fwrite(line.data(), 1, line.size(), s_file);
    std::fflush(s_file);
}

CLog_File* CLog_File::GetInstanceLog()
{
    std::lock_guard lock(s_mutex);
    return s_file ? &s_log : nullptr;
}

void CLog_File::Release()
{
    // Nothing to free: the object is only a token for the open file, which stays open.
}
