#pragma once
// Everything the command handlers, the SMS gateway and the admin API share while the server runs.
// Owned by CRefServer; every member is thread-safe.

#include "data/MediaLibrary.h"
#include "data/PimSync.h"
#include "data/SmsArchive.h"
#include "protocol/DialogTracker.h"
#include "protocol/OperatorRules.h"
#include "protocol/Registrar.h"
#include "protocol/RequestLog.h"
#include "push/PushSender.h"
#include "store/AccountStore.h"

#include <cstdint>
#include <string>

// The fixed part of the server's behaviour, from its command line.
struct ProtocolSettings {
    std::string objectPath; // e.g. "/sync/serv"
    std::string publicUrl;  // the "URL" setting handsets receive
    std::string msisdn;     // the number registration SMS go to
    int pushPort = 1212;    // where pushes go unless a device says otherwise
    int identificationTimeoutMs = 60000;
    int smsAttempts = 5; // registration SMS a handset may try before InitDevice says no
    std::int64_t sessionTimeoutMs = 30 * 60 * 1000;
};

struct ServerState {
    ProtocolSettings settings;
    CAccountStore& store;
    CPushSender& pushes;
    CRegistrar registrar;
    COperatorRules rules;
    CDialogTracker dialogs;
    CRequestLog requestLog;
    CPimSync pim;
    CSmsArchive sms;
    CMediaLibrary media;

    // `mediaFolder`: where the media files' bytes are kept.
    ServerState(ProtocolSettings protocol, CAccountStore& accounts, CPimItemStore& pimItems,
                CSmsStore& messages, CMediaStore& mediaFiles, std::filesystem::path mediaFolder,
                CPushSender& sender, KeyDelivery delivery, std::size_t logCapacity)
        : settings(std::move(protocol)), store(accounts), pushes(sender), registrar(accounts, delivery),
          requestLog(logCapacity), pim(pimItems), sms(messages), media(mediaFiles, std::move(mediaFolder))
    {}
};
