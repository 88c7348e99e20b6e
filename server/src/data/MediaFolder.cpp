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

// Uploads whose state is remembered at once; past that, each is recovered from its journal again.
constexpr std::size_t kMaxRememberedPartials = 4096;

std::filesystem::path JournalOf(std::filesystem::path bytes)
{
    return bytes.replace_extension(".journal");
}

// The oldest unfinished uploads of the folder, as many as must go to leave fewer than `keep`.
std::vector<std::filesystem::path> OldestPartials(const std::filesystem::path& folder, std::size_t keep)
{
    std::error_code error;
    std::vector<std::pair<std::filesystem::file_time_type, std::filesystem::path>> partials;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".part")
            partials.emplace_back(entry.last_write_time(error), entry.path());
    }
    std::vector<std::filesystem::path> oldest;
    if (partials.size() < keep)
        return oldest;
    std::sort(partials.begin(), partials.end());
    for (std::size_t i = 0; i + keep <= partials.size(); ++i)
        oldest.push_back(partials[i].second);
    return oldest;
}

} // namespace

CMediaFolder::CMediaFolder(std::filesystem::path root) : m_root(std::move(root)) {}

std::filesystem::path CMediaFolder::AccountUploads(std::string_view account) const
{
    return m_root / "uploads" / DigestName(account);
}

std::filesystem::path CMediaFolder::PartialPath(const PartialKey& key) const
{
    return AccountUploads(key.account) / DigestName(key.device) / (DigestName(key.content) + ".part");
}

std::filesystem::path CMediaFolder::FilePath(std::int64_t id) const
{
    return m_root / "files" / std::to_string(id);
}

void CMediaFolder::DropPartial(const std::filesystem::path& bytes)
{
    std::error_code error;
    std::filesystem::remove(bytes, error);
    std::filesystem::remove(JournalOf(bytes), error);
    m_partials.erase(bytes.string());
}

std::optional<PartialUpload> CMediaFolder::FindPartial(const PartialKey& key)
{
    const std::filesystem::path path = PartialPath(key);
    if (const auto known = m_partials.find(path.string()); known != m_partials.end())
        return known->second;
    std::optional<PartialUpload> upload = RecoverUpload(path, JournalOf(path));
    if (!upload) {
        // Bytes without a journal: nothing vouches for them.
        DropPartial(path);
        return std::nullopt;
    }
    Remember(path, *upload);
    return upload;
}

void CMediaFolder::Remember(const std::filesystem::path& bytes, const PartialUpload& upload)
{
    if (m_partials.size() >= kMaxRememberedPartials && m_partials.count(bytes.string()) == 0)
        m_partials.clear();
    m_partials[bytes.string()] = upload;
}

bool CMediaFolder::StartPartial(const PartialKey& key, std::string_view revision)
{
    const std::filesystem::path path = PartialPath(key);
    if (!MakeParent(path))
        return false;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        for (const std::filesystem::path& oldest : OldestPartials(path.parent_path(), kMaxPartialUploads)) {
            ServerLog("media: unfinished upload " + oldest.filename().string() + " dropped for a newer one");
            DropPartial(oldest);
        }
    }
    DropPartial(path);
    std::ofstream bytes(path, std::ios::binary | std::ios::trunc);
    if (!bytes || !StartUploadJournal(JournalOf(path), revision)) {
        ServerLog("media: cannot start " + path.string());
        DropPartial(path);
        return false;
    }
    Remember(path, {0, std::string(revision)});
    return true;
}

bool CMediaFolder::AppendPartial(const PartialKey& key, std::string_view bytes)
{
    const std::filesystem::path path = PartialPath(key);
    const auto upload = m_partials.find(path.string());
    if (upload == m_partials.end()) {
        ServerLog("media: " + path.string() + " was not started");
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::app);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    const std::uint64_t end = upload->second.size + bytes.size();
    if (!file || !RecordUploadChunk(JournalOf(path), end, bytes)) {
        ServerLog("media: cannot write " + path.string());
        // The next look recovers what the journal vouches for.
        m_partials.erase(upload);
        return false;
    }
    upload->second.size = end;
    return true;
}

bool CMediaFolder::FinishPartial(const PartialKey& key, std::int64_t id)
{
    const std::filesystem::path target = FilePath(id);
    if (!MakeParent(target))
        return false;
    const std::filesystem::path path = PartialPath(key);
    std::error_code error;
    std::filesystem::rename(path, target, error);
    if (error) {
        ServerLog("media: cannot store file " + std::to_string(id) + ": " + error.message());
        return false;
    }
    DropPartial(path);
    return true;
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

void CMediaFolder::RemoveAccount(std::string_view account, std::span<const std::int64_t> ids)
{
    for (const std::int64_t id : ids)
        Remove(id);
    const std::filesystem::path uploads = AccountUploads(account);
    std::error_code error;
    std::filesystem::remove_all(uploads, error);
    if (error)
        ServerLog("media: cannot remove " + uploads.string() + ": " + error.message());
    const std::string prefix = uploads.string() + '/';
    std::erase_if(m_partials, [&](const auto& entry) { return entry.first.starts_with(prefix); });
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
