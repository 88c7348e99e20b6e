#include "protocol/MediaCommands.h"

#include "ServerLog.h"
#include "data/MediaLibrary.h"
#include "protocol/DataHeaders.h"
#include "protocol/ErrorCodes.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view kUrlPrefix = "file://";

MediaScope ScopeOf(const CommandContext& context)
{
    return {context.account->userId, context.device.deviceId,
            context.session ? context.session->sessionId : std::string()};
}

ProtocolResponse StoreFailure()
{
    return ErrorAnswer(ErrorCode::ServerFailure, "The server could not store the files.");
}

std::optional<MediaListing> ListingOf(std::string_view command)
{
    if (command == "List" || command == "ListUpload")
        return MediaListing::WantedUploads;
    if (command == "ListServer")
        return MediaListing::ServerFiles;
    if (command == "ListNew")
        return MediaListing::NewOnServer;
    if (command == "ListDevice")
        return MediaListing::Everything;
    return std::nullopt;
}

// The url a Download names in "QX-FileName" for the file it fetched before ("QX-MapID").
void RecordEarlierDownload(CommandContext& context)
{
    const ProtocolRequest& request = context.request;
    if (!request.Header("QX-MapID") && !request.Header("QX-FileName"))
        return;
    std::string refusal;
    const std::optional<std::int64_t> id = HeaderNumber(request, "QX-MapID", kMaxMediaFileBytes, refusal);
    const std::optional<std::string> url = HeaderText(request, "QX-FileName", refusal);
    if (!id || !url || !IsDeviceUrl(*url)) {
        ServerLog("media of " + context.account->userId + " on " + context.device.deviceId +
                  ": earlier download not recorded: " +
                  (refusal.empty() ? "QX-FileName is no device path" : refusal));
        return;
    }
    context.server.media.RecordCopy(ScopeOf(context), *id, *url);
}

} // namespace

ProtocolResponse MediaList(CommandContext& context)
{
    std::string error;
    const std::optional<std::vector<DeviceFile>> deviceFiles =
        context.request.body.empty() ? std::vector<DeviceFile>()
                                     : ReadDeviceList(context.request.body, error);
    if (!deviceFiles)
        return ProtocolResponse::Refusal(400, error);
    const std::string command = context.request.Command();
    const std::optional<std::vector<MediaListEntry>> entries =
        context.server.media.List(ScopeOf(context), *ListingOf(command), *deviceFiles);
    if (!entries)
        return StoreFailure();
    ServerLog("media of " + context.account->userId + " on " + context.device.deviceId + ": " + command +
              " of " + std::to_string(deviceFiles->size()) + " device files answered with " +
              std::to_string(entries->size()));
    ProtocolResponse response;
    response.body = MediaListDocument(*entries);
    response.contentType = "text/xml; charset=utf-8";
    return response;
}

ProtocolResponse MediaUpload(CommandContext& context)
{
    const ProtocolRequest& request = context.request;
    std::string refusal;
    const std::optional<std::string> directory = HeaderText(request, "QX-Directory", refusal);
    const std::optional<std::string> name =
        directory ? HeaderText(request, "QX-FileName", refusal) : std::nullopt;
    const std::optional<std::int64_t> total =
        name ? HeaderNumber(request, "QX-TotalSize", kMaxMediaFileBytes, refusal) : std::nullopt;
    const std::optional<std::int64_t> offset =
        total ? HeaderNumber(request, "QX-ChunkOffset", *total, refusal) : std::nullopt;
    const std::optional<std::int64_t> size =
        offset ? HeaderNumber(request, "QX-ChunkSize", kMaxChunkBytes, refusal) : std::nullopt;
    if (!size)
        return ProtocolResponse::Refusal(400, refusal);
    // The handset splits its path at the last "/", with or without the "file://" in front.
    const std::string url =
        (directory->starts_with(kUrlPrefix) ? "" : std::string(kUrlPrefix)) + *directory + *name;
    if (!directory->ends_with('/') || !IsPlainFileName(*name) || !IsDeviceUrl(url))
        return ProtocolResponse::Refusal(400, "QX-Directory and QX-FileName do not make a device path");
    if (static_cast<std::size_t>(*size) != request.body.size() || *offset + *size > *total)
        return ProtocolResponse::Refusal(400,
                                         "QX-ChunkSize " + std::to_string(*size) + " at QX-ChunkOffset " +
                                             std::to_string(*offset) + " does not fit the body of " +
                                             std::to_string(request.body.size()) + " bytes and QX-TotalSize");
    const MediaExtensions extensions =
        MediaExtensionsOf(context.server.store.Settings(context.account->userId));
    const std::optional<UploadOutcome> outcome =
        context.server.media.TakeChunk(ScopeOf(context), {url, *total, *offset, request.body}, extensions);
    if (!outcome)
        return StoreFailure();
    ProtocolResponse response;
    response.AddHeader("QX-ChunkOffset", std::to_string(outcome->nextOffset));
    if (outcome->storedId)
        response.AddHeader("QX-MediaID", std::to_string(*outcome->storedId));
    return response;
}

ProtocolResponse MediaDownload(CommandContext& context)
{
    const ProtocolRequest& request = context.request;
    if (request.Command() == "Download")
        RecordEarlierDownload(context);
    std::string refusal;
    const std::optional<std::int64_t> id = HeaderNumber(request, "QX-MediaID", kMaxMediaFileBytes, refusal);
    const std::optional<std::int64_t> offset =
        id ? HeaderNumber(request, "QX-ChunkOffset", kMaxMediaFileBytes, refusal) : std::nullopt;
    if (!offset)
        return ProtocolResponse::Refusal(400, refusal);
    // A file's bytes split anywhere, so the chunk is exactly as large as asked (a handset reads no more).
    const std::optional<std::int64_t> asked =
        request.Header("QX-MaxChunkSize")
            ? HeaderNumber(request, "QX-MaxChunkSize", std::numeric_limits<std::int64_t>::max(), refusal)
            : std::int64_t{kDefaultChunkBytes};
    if (!asked || *asked == 0)
        return ProtocolResponse::Refusal(400, asked ? "QX-MaxChunkSize is 0" : refusal);
    const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(*asked, kMaxChunkBytes));
    const DownloadStep step = request.Command() == "Download" ? DownloadStep::First : DownloadStep::Next;
    std::optional<DownloadSlice> slice =
        context.server.media.Slice(ScopeOf(context), *id, *offset, chunk, step, refusal);
    if (!slice)
        return refusal.empty() ? StoreFailure() : ErrorAnswer(ErrorCode::OutOfSequence, refusal);
    ProtocolResponse response;
    response.AddHeader("QX-ChunkOffset", std::to_string(slice->offset));
    response.AddHeader("QX-ChunkSize", std::to_string(slice->bytes.size()));
    response.AddHeader("QX-TotalSize", std::to_string(slice->total));
    response.body = std::move(slice->bytes);
    return response;
}

ProtocolResponse MediaMap(CommandContext& context)
{
    std::string error;
    const std::optional<std::vector<MediaMapRecord>> records = ReadMediaMap(context.request.body, error);
    if (!records)
        return ProtocolResponse::Refusal(400, error);
    for (const MediaMapRecord& record : *records) {
        const std::optional<bool> recorded =
            context.server.media.RecordCopy(ScopeOf(context), record.id, record.url);
        if (!recorded)
            return StoreFailure();
        if (!*recorded)
            ServerLog("media map of " + context.device.deviceId + ": no file " + std::to_string(record.id));
    }
    return {};
}
