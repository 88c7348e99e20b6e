#include "protocol/PimCommands.h"

#include "ServerLog.h"
#include "data/PimSync.h"
#include "protocol/DataHeaders.h"
#include "protocol/ErrorCodes.h"

#include <charconv>
#include <limits>

namespace {

constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();

PimScope ScopeOf(const CommandContext& context, const PimVocabulary& vocabulary)
{
    return {context.account->userId, context.device.deviceId, context.session->sessionId, vocabulary.kind};
}

std::string Subject(const CommandContext& context, const PimVocabulary& vocabulary)
{
    return std::string(vocabulary.commandType) + " of " + context.account->userId + " on " +
           context.device.deviceId;
}

ProtocolResponse StoreFailure()
{
    return ErrorAnswer(ErrorCode::ServerFailure, "The server could not store the items.");
}

ProtocolResponse ChunkAnswer(const PimVocabulary& vocabulary, const RestoreChunk& chunk)
{
    ProtocolResponse response;
    response.AddHeader("QX-TotalSize", std::to_string(chunk.total));
    response.AddHeader("QX-ChunkOffset", std::to_string(chunk.nextOffset));
    response.body = RestoreChunkDocument(vocabulary, chunk.items);
    response.contentType = "text/xml; charset=utf-8";
    return response;
}

// The date window the account's settings give its handsets; nothing when they give none.
std::optional<CalendarWindow> WindowOf(CommandContext& context)
{
    std::optional<std::int64_t> back;
    std::optional<std::int64_t> forward;
    for (const SettingValue& setting : context.server.store.Settings(context.account->userId)) {
        std::int64_t days = 0;
        const auto parsed =
            std::from_chars(setting.value.data(), setting.value.data() + setting.value.size(), days);
        if (parsed.ec != std::errc() || parsed.ptr != setting.value.data() + setting.value.size() || days < 0)
            continue;
        if (setting.name == "Calendar-Timeframe-Back")
            back = days;
        else if (setting.name == "Calendar-Timeframe-Fwd")
            forward = days;
    }
    if (!back || !forward)
        return std::nullopt;
    return CalendarWindow{*back, *forward};
}

std::optional<RestoreChunk> StartRestore(CommandContext& context, const PimVocabulary& vocabulary,
                                         RestoreMode mode, const ChecksumListing& listing)
{
    std::optional<RestoreChunk> chunk = context.server.pim.StartRestore(
        ScopeOf(context, vocabulary), mode, listing, MaxChunkBytes(context.request));
    if (chunk)
        ServerLog(Subject(context, vocabulary) + ": restore of " + std::to_string(chunk->total) + " items");
    return chunk;
}

} // namespace

ProtocolResponse PimChecksumList(CommandContext& context, const PimVocabulary& vocabulary)
{
    std::string error;
    const std::optional<ChecksumListing> listing = ReadChecksumList(context.request.body, vocabulary, error);
    if (!listing)
        return ProtocolResponse::Refusal(400, error);
    const std::optional<CalendarWindow> window =
        vocabulary.kind == PimKind::Contact ? std::nullopt : WindowOf(context);
    const std::optional<std::vector<std::string>> requested =
        context.server.pim.RequestedLuids(ScopeOf(context, vocabulary), *listing, window);
    if (!requested)
        return StoreFailure();
    ServerLog(
        Subject(context, vocabulary) + ": " +
        (listing->listed ? std::to_string(listing->entries.size()) + " listed" : std::string("unchanged")) +
        ", " + std::to_string(requested->size()) + " requested");
    ProtocolResponse response;
    response.body = RequestedIdsDocument(vocabulary, *requested);
    response.contentType = "text/xml; charset=utf-8";
    return response;
}

ProtocolResponse PimUpload(CommandContext& context, const PimVocabulary& vocabulary)
{
    std::string refusal;
    const std::optional<std::int64_t> total =
        HeaderNumber(context.request, "QX-TotalSize", kMaxCount, refusal);
    const std::optional<std::int64_t> offset =
        HeaderNumber(context.request, "QX-ChunkOffset", kMaxCount, refusal);
    if (!total || !offset)
        return ProtocolResponse::Refusal(400, refusal);
    const std::optional<std::vector<UploadedItem>> items =
        ReadUploadChunk(context.request.body, vocabulary, refusal);
    if (!items)
        return ProtocolResponse::Refusal(400, refusal);
    const PimScope scope = ScopeOf(context, vocabulary);
    if (!context.server.pim.TakeUploads(scope, *items))
        return StoreFailure();
    if (!items->empty())
        ServerLog(Subject(context, vocabulary) + ": " + std::to_string(items->size()) + " items uploaded");
    // The handset sends chunks until every requested item went, or one chunk that finds no more; the
    // answer to its last chunk of a Sync carries the first restore chunk.
    const bool last = items->empty() || *offset + static_cast<std::int64_t>(items->size()) >= *total;
    if (context.request.Command() != "Sync" || !last)
        return {};
    if (!context.server.pim.ApplyDeviceDeletions(scope))
        return StoreFailure();
    const std::optional<RestoreChunk> chunk = StartRestore(context, vocabulary, RestoreMode::Changes, {});
    return chunk ? ChunkAnswer(vocabulary, *chunk) : StoreFailure();
}

ProtocolResponse PimRestore(CommandContext& context, const PimVocabulary& vocabulary)
{
    std::string error;
    const std::optional<ChecksumListing> listing = ReadChecksumList(context.request.body, vocabulary, error);
    if (!listing)
        return ProtocolResponse::Refusal(400, error);
    const std::optional<RestoreChunk> chunk =
        StartRestore(context, vocabulary, RestoreMode::Everything, *listing);
    return chunk ? ChunkAnswer(vocabulary, *chunk) : StoreFailure();
}

ProtocolResponse PimGetChunk(CommandContext& context, const PimVocabulary& vocabulary)
{
    std::string refusal;
    const std::optional<std::int64_t> offset =
        HeaderNumber(context.request, "QX-ChunkOffset", kMaxCount, refusal);
    if (!offset)
        return ProtocolResponse::Refusal(400, refusal);
    const std::optional<RestoreChunk> chunk =
        context.server.pim.Chunk(ScopeOf(context, vocabulary), static_cast<std::size_t>(*offset),
                                 MaxChunkBytes(context.request), refusal);
    if (chunk)
        return ChunkAnswer(vocabulary, *chunk);
    return refusal.empty() ? StoreFailure() : ErrorAnswer(ErrorCode::OutOfSequence, refusal);
}

ProtocolResponse PimMap(CommandContext& context, const PimVocabulary& vocabulary)
{
    std::string error;
    const std::optional<std::vector<MapRecord>> records =
        ReadMapDocument(context.request.body, vocabulary, error);
    if (!records)
        return ProtocolResponse::Refusal(400, error);
    const std::optional<MapOutcome> outcome =
        context.server.pim.ApplyMap(ScopeOf(context, vocabulary), *records);
    if (!outcome)
        return StoreFailure();
    ServerLog(Subject(context, vocabulary) + ": map of " + std::to_string(outcome->mapped) + " items, " +
              std::to_string(outcome->deleted) + " deleted, " + std::to_string(outcome->unapplied) +
              " not applied, " + std::to_string(outcome->unknown) + " unknown");
    return {};
}
