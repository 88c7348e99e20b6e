#include "data/UploadJournal.h"

#include "ServerLog.h"
#include "utils/Crc32.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace {

constexpr std::string_view kRevisionPrefix = "revision ";
constexpr std::string_view kChunkPrefix = "chunk ";

std::uint32_t Checksum(std::uint32_t reg, std::string_view bytes)
{
    return Crc32Update(reg, bytes.data(), bytes.size());
}

// The next line of `in` when it is whole (ends with a line feed); a line torn by a crash is not.
std::optional<std::string> WholeLine(std::istream& in)
{
    std::string line;
    if (!std::getline(in, line) || in.eof())
        return std::nullopt;
    return line;
}

struct ChunkLine {
    std::uint64_t end = 0;
    std::uint32_t crc = 0;
};

std::optional<ChunkLine> ReadChunkLine(std::string_view line)
{
    if (!line.starts_with(kChunkPrefix))
        return std::nullopt;
    line.remove_prefix(kChunkPrefix.size());
    ChunkLine chunk;
    const char* last = line.data() + line.size();
    const auto [afterEnd, endError] = std::from_chars(line.data(), last, chunk.end);
    if (endError != std::errc() || afterEnd == last || *afterEnd != ' ')
        return std::nullopt;
    const auto [afterCrc, crcError] = std::from_chars(afterEnd + 1, last, chunk.crc, 16);
    if (crcError != std::errc() || afterCrc != last)
        return std::nullopt;
    return chunk;
}

// Whether the bytes of `file` from `from` to `chunk.end` have the chunk's checksum.
bool MatchesChecksum(std::ifstream& file, std::uint64_t from, const ChunkLine& chunk)
{
    std::array<char, 64 * 1024> buffer{};
    std::uint32_t reg = 0xFFFFFFFFu;
    file.clear();
    file.seekg(static_cast<std::streamoff>(from));
    for (std::uint64_t left = chunk.end - from; left > 0 && file;) {
        const std::size_t piece = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
        file.read(buffer.data(), static_cast<std::streamsize>(piece));
        reg = Checksum(reg, std::string_view(buffer.data(), static_cast<std::size_t>(file.gcount())));
        left -= static_cast<std::uint64_t>(file.gcount());
    }
    return file && (reg ^ 0xFFFFFFFFu) == chunk.crc;
}

bool AppendLine(const std::filesystem::path& journal, std::ios::openmode mode, const std::string& line)
{
    std::ofstream out(journal, std::ios::binary | mode);
    out << line << '\n';
    out.flush();
    if (!out)
        ServerLog("media: cannot write " + journal.string());
    return static_cast<bool>(out);
}

void CutTo(const std::filesystem::path& path, std::uint64_t size)
{
    std::error_code error;
    std::filesystem::resize_file(path, size, error);
    if (error)
        ServerLog("media: cannot cut " + path.string() + " back: " + error.message());
}

} // namespace

bool StartUploadJournal(const std::filesystem::path& journal, std::string_view revision)
{
    return AppendLine(journal, std::ios::trunc, std::string(kRevisionPrefix) + std::string(revision));
}

bool RecordUploadChunk(const std::filesystem::path& journal, std::uint64_t end, std::string_view bytes)
{
    std::array<char, 9> crc{};
    std::snprintf(crc.data(), crc.size(), "%08X", Checksum(0xFFFFFFFFu, bytes) ^ 0xFFFFFFFFu);
    return AppendLine(journal, std::ios::app,
                      std::string(kChunkPrefix) + std::to_string(end) + ' ' + crc.data());
}

std::optional<PartialUpload> RecoverUpload(const std::filesystem::path& bytes,
                                           const std::filesystem::path& journal)
{
    std::ifstream lines(journal, std::ios::binary);
    const std::optional<std::string> first = WholeLine(lines);
    if (!first || !first->starts_with(kRevisionPrefix))
        return std::nullopt;
    PartialUpload upload{0, first->substr(kRevisionPrefix.size())};
    std::streamoff vouchedLines = lines.tellg();
    std::error_code error;
    const std::uintmax_t held = std::filesystem::file_size(bytes, error);
    std::ifstream file(bytes, std::ios::binary);
    while (const std::optional<std::string> line = WholeLine(lines)) {
        const std::optional<ChunkLine> chunk = ReadChunkLine(*line);
        if (!chunk || error || chunk->end <= upload.size || chunk->end > held ||
            !MatchesChecksum(file, upload.size, *chunk))
            break;
        upload.size = chunk->end;
        vouchedLines = lines.tellg();
    }
    lines.close();
    if (!error && held > upload.size) {
        ServerLog("media: unfinished upload " + bytes.filename().string() + ": " +
                  std::to_string(held - upload.size) + " bytes after the last whole chunk thrown away");
        CutTo(bytes, upload.size);
    }
    if (std::filesystem::file_size(journal, error) > static_cast<std::uintmax_t>(vouchedLines) && !error)
        CutTo(journal, static_cast<std::uint64_t>(vouchedLines));
    return upload;
}
