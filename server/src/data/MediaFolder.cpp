#include "data/MediaFolder.h"

#include "ServerLog.h"
#include "utils/Hex.h"
#include "utils/Md5.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

namespace {

bool MakeParent(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error)
        ServerLog("media: cannot create " + path.parent_path().string() + ": " + error.message());
    return !error;
}

std::string DigestName(std::string_view text)
{
    const auto digest = Md5(text);
    return HexUpper(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

// Removes the oldest unfinished uploads of the folder until fewer than `keep` are left.
void DropOldestPartials(const std::filesystem::path& folder, std::size_t keep)
{
    std::error_code error;
    std::vector<std::pair<std::filesystem::file_time_type, std::filesystem::path>> partials;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        partials.emplace_back(entry.last_write_time(error), entry.path());
    if (partials.size() < keep)
        return;
    std::sort(partials.begin(), partials.end());
    for (std::size_t i = 0; i + keep <= partials.size(); ++i) {
        ServerLog("media: unfinished upload " + partials[i].second.filename().string() +
                  " dropped for a newer one");
        std::filesystem::remove(partials[i].second, error);
    }
}

} // namespace

CMediaFolder::CMediaFolder(std::filesystem::path root) : m_root(std::move(root)) {}

std::filesystem::path CMediaFolder::PartialPath(const PartialKey& key) const
{
    return m_root / "uploads" / DigestName(key.device) / (DigestName(key.content) + ".part");
}

std::filesystem::path CMediaFolder::FilePath(std::int64_t id) const
{
    return m_root / "files" / std::to_string(id);
}

std::uint64_t CMediaFolder::PartialSize(const PartialKey& key) const
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(PartialPath(key), error);
    return error ? 0 : size;
}

bool CMediaFolder::AppendPartial(const PartialKey& key, std::string_view bytes)
{
    const std::filesystem::path path = PartialPath(key);
    if (!MakeParent(path))
        return false;
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        DropOldestPartials(path.parent_path(), kMaxPartialUploads);
    std::ofstream file(path, std::ios::binary | std::ios::app);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    if (!file) {
        ServerLog("media: cannot write " + path.string());
        return false;
    }
    return true;
}

bool CMediaFolder::FinishPartial(const PartialKey& key, std::int64_t id)
{
    const std::filesystem::path target = FilePath(id);
    if (!MakeParent(target))
        return false;
    std::error_code error;
    std::filesystem::rename(PartialPath(key), target, error);
    if (error)
        ServerLog("media: cannot store file " + std::to_string(id) + ": " + error.message());
    return !error;
}

bool CMediaFolder::Write(std::int64_t id, std::string_view content)
{
    const std::filesystem::path target = FilePath(id);
    const std::filesystem::path written = target.string() + ".new";
    if (!MakeParent(target))
        return false;
    std::ofstream file(written, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    std::error_code error;
    if (file)
        std::filesystem::rename(written, target, error);
    if (!file || error) {
        ServerLog("media: cannot write file " + std::to_string(id));
        std::filesystem::remove(written, error);
        return false;
    }
    return true;
}

void CMediaFolder::Remove(std::int64_t id)
{
    std::error_code error;
    std::filesystem::remove(FilePath(id), error);
    if (error)
        ServerLog("media: cannot remove file " + std::to_string(id) + ": " + error.message());
}

std::optional<std::string> CMediaFolder::Read(std::int64_t id, std::uint64_t offset, std::size_t size) const
{
    std::ifstream file(FilePath(id), std::ios::binary);
    std::string bytes(size, '\0');
    if (file)
        file.seekg(static_cast<std::streamoff>(offset));
    if (file)
        file.read(bytes.data(), static_cast<std::streamsize>(size));
    if (file.bad() || (!file && !file.eof())) {
        ServerLog("media: cannot read file " + std::to_string(id));
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}
