#pragma once
// The protocol's commands, registered with the dispatcher by family. Each family lives in its own file.

#include "protocol/CommandDispatcher.h"

#include <optional>

// StartNegotiation, CompleteNegotiation, SessionCompleted.
void RegisterNegotiationCommands(CCommandDispatcher& dispatcher);
// InitDevice, IdentifyDevice.
void RegisterRegistrationCommands(CCommandDispatcher& dispatcher);
// RetrieveSettings, StoreSettings.
void RegisterSettingsCommands(CCommandDispatcher& dispatcher);
// GDOperation.
void RegisterDialogCommands(CCommandDispatcher& dispatcher);
// Crc, Sync, Backup, Restore, GetChunk, Map, the files lists, Upload, Download.
void RegisterDataCommands(CCommandDispatcher& dispatcher);

inline void RegisterProtocolCommands(CCommandDispatcher& dispatcher)
{
    RegisterNegotiationCommands(dispatcher);
    RegisterRegistrationCommands(dispatcher);
    RegisterSettingsCommands(dispatcher);
    RegisterDialogCommands(dispatcher);
    RegisterDataCommands(dispatcher);
}

// Checks the request's "QX-Challenge" against the session's challenge and the device key; the error
// answer when it is missing or wrong.
std::optional<ProtocolResponse> CheckChallengeResponse(const CommandContext& context);
