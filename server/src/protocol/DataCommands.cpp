// The data commands. Several kinds share a command word ("Sync", "Restore", "GetChunk", "Map"); the
// request's "QX-CommandType" says which kind's handler answers it.

#include "protocol/ProtocolCommands.h"

#include "protocol/PimCommands.h"

namespace {

using PimHandler = ProtocolResponse (*)(CommandContext& context, const PimVocabulary& vocabulary);

ProtocolResponse Route(CommandContext& context, PimHandler pim)
{
    const std::string type = context.request.HeaderOr("QX-CommandType");
    if (const PimVocabulary* vocabulary = VocabularyOfCommandType(type); vocabulary && pim)
        return pim(context, *vocabulary);
    return ProtocolResponse::Refusal(400, context.request.Command() + " does not take QX-CommandType \"" +
                                              type.substr(0, 32) + "\"");
}

ProtocolResponse Crc(CommandContext& context)
{
    return Route(context, PimChecksumList);
}

ProtocolResponse Upload(CommandContext& context)
{
    return Route(context, PimUpload);
}

ProtocolResponse Restore(CommandContext& context)
{
    return Route(context, PimRestore);
}

ProtocolResponse GetChunk(CommandContext& context)
{
    return Route(context, PimGetChunk);
}

ProtocolResponse Map(CommandContext& context)
{
    return Route(context, PimMap);
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
}
