// Operator commands on an account's media files.

#include "admin/AdminRequest.h"

namespace {

constexpr std::size_t kMaxOperatorThumbnailBytes = 64 * 1024;

AdminRecord FileFields(const MediaFile& file, const MediaExtensions& extensions)
{
    const std::optional<MediaKind> kind = MediaKindOf(file.name, extensions);
    AdminRecord record;
    record.Add("id", std::to_string(file.id))
        .Add("name", file.name)
        .Add("kind", kind ? MediaKindWord(*kind) : "")
        .Add("size", std::to_string(file.size))
        .Add("version", std::to_string(file.version))
        .Add("revision", file.revision)
        .Add("uploaded-by", file.uploadedBy)
        .Add("thumbnail-bytes", std::to_string(file.thumbnail.size()))
        .Add("changed", std::to_string(file.changedMs))
        .Add("deleted", file.deleted ? "true" : "false");
    return record;
}

MediaExtensions ExtensionsOf(const AdminRequest& request, ServerState& server)
{
    return MediaExtensionsOf(server.store.Settings(request.GetOr("user-id")));
}

} // namespace

AdminResult ListFiles(const AdminRequest& request, ServerState& server)
{
    bool withDeleted = false;
    if (std::optional<AdminResult> refused = ListRefusal(request, server, withDeleted))
        return *refused;
    const MediaExtensions extensions = ExtensionsOf(request, server);
    AdminResult result;
    for (const MediaFile& file : server.media.Files(request.GetOr("user-id"))) {
        if (withDeleted || !file.deleted)
            result.records.push_back(FileFields(file, extensions));
    }
    return result;
}

AdminResult AddFile(const AdminRequest& request, ServerState& server)
{
    if (std::optional<AdminResult> refused = MissingAccount(request, server))
        return *refused;
    MediaFile file;
    file.name = request.GetOr("name");
    file.thumbnail = request.GetOr("thumbnail");
    const std::string content = request.GetOr("file");
    if (!IsPlainFileName(file.name))
        return AdminResult::Refused("name \"" + file.name.substr(0, 64) + "\" is not a plain file name");
    if (file.thumbnail.size() > kMaxOperatorThumbnailBytes)
        return AdminResult::Refused("thumbnail is bigger than 64 KiB");
    const MediaExtensions extensions = ExtensionsOf(request, server);
    if (file.thumbnail.empty() && MediaKindOf(file.name, extensions) == MediaKind::Image &&
        content.size() <= kMaxThumbnailBytes)
        file.thumbnail = content;
    const std::optional<MediaFile> added =
        server.media.AddFile(request.GetOr("user-id"), std::move(file), content);
    if (!added)
        return AdminResult::Refused("the server failed to store the file", 500);
    AdminResult result;
    result.records.push_back(FileFields(*added, extensions));
    return result;
}

AdminResult DeleteFile(const AdminRequest& request, ServerState& server)
{
    return DeleteById(request, "file", [&](const std::string& userId, std::int64_t id) {
        return server.media.DeleteFile(userId, id);
    });
}
