// The media files and device copies of CSqliteAccountStore.

#include "store/SqliteAccountStore.h"

namespace {

constexpr const char* kFileColumns =
    "id, name, size, revision, version, uploaded_by, thumbnail, changed_ms, deleted";

MediaFile ReadFile(const CSqliteStatement& row)
{
    MediaFile file;
    file.id = row.Int(0);
    file.name = row.Text(1);
    file.size = row.Int(2);
    file.revision = row.Text(3);
    file.version = row.Int(4);
    file.uploadedBy = row.Text(5);
    const std::vector<std::uint8_t> thumbnail = row.Blob(6);
    file.thumbnail.assign(thumbnail.begin(), thumbnail.end());
    file.changedMs = row.Int(7);
    file.deleted = row.Int(8) != 0;
    return file;
}

} // namespace

std::vector<MediaFile> CSqliteAccountStore::MediaFiles(std::string_view userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<MediaFile> files;
    CSqliteStatement query = m_db.Prepare(std::string("SELECT ") + kFileColumns +
                                          " FROM media_files WHERE user_id = ? ORDER BY id");
    query.Bind(1, userId);
    while (query.Step())
        files.push_back(ReadFile(query));
    Failed(query.Result(), "media file list");
    return files;
}

std::optional<MediaFile> CSqliteAccountStore::FindMediaFile(std::string_view userId, std::int64_t id)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement query = m_db.Prepare(std::string("SELECT ") + kFileColumns +
                                          " FROM media_files WHERE user_id = ? AND id = ?");
    query.Bind(1, userId).Bind(2, id);
    if (query.Step())
        return ReadFile(query);
    Failed(query.Result(), "media file lookup");
    return std::nullopt;
}

std::optional<std::int64_t> CSqliteAccountStore::SaveMediaFile(std::string_view userId, const MediaFile& file)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement save = m_db.Prepare(
        std::string("INSERT INTO media_files (user_id, ") + kFileColumns +
        ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO UPDATE SET name = excluded.name, "
        "size = excluded.size, revision = excluded.revision, version = excluded.version, "
        "uploaded_by = excluded.uploaded_by, thumbnail = excluded.thumbnail, changed_ms = "
        "excluded.changed_ms, "
        "deleted = excluded.deleted WHERE user_id = excluded.user_id");
    save.Bind(1, userId);
    if (file.id == 0)
        save.BindNull(2);
    else
        save.Bind(2, file.id);
    save.Bind(3, file.name)
        .Bind(4, file.size)
        .Bind(5, file.revision)
        .Bind(6, file.version)
        .Bind(7, file.uploadedBy);
    if (file.thumbnail.empty())
        save.BindNull(8);
    else
        save.BindBlob(8, std::span(reinterpret_cast<const std::uint8_t*>(file.thumbnail.data()),
                                   file.thumbnail.size()));
    save.Bind(9, file.changedMs).Bind(10, file.deleted ? 1 : 0);
    if (Failed(save.Run(), "media file save") || m_db.Changes() != 1)
        return std::nullopt;
    return file.id == 0 ? m_db.LastInsertRowId() : file.id;
}

std::vector<MediaCopy> CSqliteAccountStore::MediaCopies(std::string_view userId, std::string_view deviceId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<MediaCopy> copies;
    CSqliteStatement query = m_db.Prepare("SELECT id, url, revision, version FROM media_copies WHERE user_id "
                                          "= ? AND device_id = ? ORDER BY id");
    query.Bind(1, userId).Bind(2, deviceId);
    while (query.Step())
        copies.push_back({query.Int(0), query.Text(1), query.Text(2), query.Int(3)});
    Failed(query.Result(), "media copy list");
    return copies;
}

bool CSqliteAccountStore::SaveMediaCopy(std::string_view userId, std::string_view deviceId,
                                        const MediaCopy& copy)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (Failed(m_db.Begin(), "media copy save"))
        return false;
    CSqliteStatement drop =
        m_db.Prepare("DELETE FROM media_copies WHERE user_id = ? AND device_id = ? AND (id = ? OR url = ?)");
    drop.Bind(1, userId).Bind(2, deviceId).Bind(3, copy.id).Bind(4, copy.url);
    SqlResult result = drop.Run();
    if (result.Ok()) {
        CSqliteStatement insert = m_db.Prepare("INSERT INTO media_copies (user_id, device_id, id, url, "
                                               "revision, version) VALUES (?, ?, ?, ?, ?, ?)");
        insert.Bind(1, userId).Bind(2, deviceId).Bind(3, copy.id).Bind(4, copy.url).Bind(5, copy.revision);
        insert.Bind(6, copy.version);
        result = insert.Run();
    }
    if (result.Ok())
        result = m_db.Commit();
    if (Failed(result, "media copy save")) {
        m_db.Rollback();
        return false;
    }
    return true;
}

bool CSqliteAccountStore::DropMediaCopy(std::string_view userId, std::string_view deviceId, std::int64_t id)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement drop =
        m_db.Prepare("DELETE FROM media_copies WHERE user_id = ? AND device_id = ? AND id = ?");
    drop.Bind(1, userId).Bind(2, deviceId).Bind(3, id);
    return !Failed(drop.Run(), "media copy removal");
}
