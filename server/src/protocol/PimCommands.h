#pragma once
// The data commands for contacts, appointments and tasks, for the kind that the request's
// "QX-CommandType" names: the checksum list ("Crc"), upload chunks ("Sync", "Backup"), "Restore",
// "GetChunk" and "Map". DataCommands.cpp routes the requests here.

#include "data/PimVocabulary.h"
#include "protocol/CommandDispatcher.h"

ProtocolResponse PimChecksumList(CommandContext& context, const PimVocabulary& vocabulary);
// The upload chunk of a "Sync" or "Backup"; a Sync's last chunk is answered with the first restore
// chunk.
ProtocolResponse PimUpload(CommandContext& context, const PimVocabulary& vocabulary);
ProtocolResponse PimRestore(CommandContext& context, const PimVocabulary& vocabulary);
ProtocolResponse PimGetChunk(CommandContext& context, const PimVocabulary& vocabulary);
ProtocolResponse PimMap(CommandContext& context, const PimVocabulary& vocabulary);
