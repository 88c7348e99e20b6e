// The data commands. Several kinds share a command word ("Sync", "Restore", "GetChunk", "Map"); the
// request's "QX-CommandType" says which kind's handler answers it.

#include "protocol/ProtocolCommands.h"

#include "protocol/MediaCommands.h"
#include "protocol/PimCommands.h"
#include "protocol/SmsCommands.h"

namespace {

using PimHandler = ProtocolResponse (*)(CommandContext& context, const PimVocabulary& vocabulary);

// The handlers of one command word by kind; null where the kind has none.
struct KindHandlers {
    PimHandler pim = nullptr;
    CommandHandler sms = nullptr;
    CommandHandler files = nullptr;
};

ProtocolResponse Route(CommandContext& context, const KindHandlers& handlers)
{
    const std::string type = context.request.HeaderOr("QX-CommandType");
    if (const PimVocabulary* vocabulary = VocabularyOfCommandType(type); vocabulary && handlers.pim)
        return handlers.pim(context, *vocabulary);
    if (type == "SMS" && handlers.sms)
        return handlers.sms(context);
    // A media chunk request names its file instead of a kind.
    const bool files = type == "Files" || (type.empty() && context.request.Header("QX-MediaID"));
    if (files && handlers.files)
        return handlers.files(context);
    return ProtocolResponse::Refusal(400, context.request.Command() + " does not take QX-CommandType \"" +
                                              type.substr(0, 32) + "\"");
}

ProtocolResponse Crc(CommandContext& context)
{
    return Route(context, {PimChecksumList, nullptr});
}

ProtocolResponse Upload(CommandContext& context)
{
    return Route(context, {PimUpload, SmsBackup});
}

ProtocolResponse Restore(CommandContext& context)
{
    return Route(context, {PimRestore, SmsRestore});
}

ProtocolResponse GetChunk(CommandContext& context)
{
    return Route(context, {PimGetChunk, nullptr, MediaDownload});
}

ProtocolResponse Map(CommandContext& context)
{
    return Route(context, {PimMap, nullptr, MediaMap});
}

} // namespace

void RegisterDataCommands(CCommandDispatcher& dispatcher)
{
    dispatcher.Register("Crc", Needs::NegotiatedSession, Crc);
    dispatcher.Register("Sync", Needs::NegotiatedSession, Upload);
    dispatcher.Register("Backup", Needs::NegotiatedSession, Upload);
    dispatcher.Register("Restore", Needs::NegotiatedSession, Restore);
    dispatcher.Register("GetChunk", Needs::NegotiatedSession, GetChunk);
    dispatcher.Register("Map", Needs::NegotiatedSession, Map);
    for (const char* list : {"List", "ListUpload", "ListServer", "ListNew", "ListDevice"})
        dispatcher.Register(list, Needs::NegotiatedSession, MediaList);
    dispatcher.Register("Upload", Needs::NegotiatedSession, MediaUpload);
    dispatcher.Register("Download", Needs::NegotiatedSession, MediaDownload);
}
