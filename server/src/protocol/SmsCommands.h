#pragma once
// The data commands for text messages ("QX-CommandType: SMS"): the backup of a "Sync" or "Backup" and
// the list of a "Restore". DataCommands.cpp routes the requests here.

#include "protocol/CommandDispatcher.h"

// Takes the handset's list; a Sync is answered with the list the handset must agree with.
ProtocolResponse SmsBackup(CommandContext& context);
ProtocolResponse SmsRestore(CommandContext& context);
