#include "SmsFolders.h"

#include "ServiceLog.h"
#include "utils/AsciiFold.h"

CReading::CReading(MAPIMsgStore* store) : m_store(store && store->BeginReading() ? store : nullptr) {}

CReading::~CReading()
{
    if (m_store)
        m_store->EndReading();
}

std::optional<std::vector<SyncedSmsFolder>> OpenSyncedSmsFolders(MAPIMsgStore* store)
{
    std::vector<SyncedSmsFolder> folders;
    if (!store)
        return folders;
    std::vector<MsgStoreEntry> top;
    if (!store->ListTopFolders(top)) {
        LogLine("sms store: " + store->LastError());
        return std::nullopt;
    }
    for (const MsgStoreEntry& entry : top) {
        const bool sent = EqualsFolded(entry.displayName, u"Sent Items");
        if (!sent && !EqualsFolded(entry.displayName, u"inbox"))
            continue;
        if (std::unique_ptr<SmsFolder> folder = store->OpenFolder(entry.entryId))
            folders.push_back({std::move(folder), sent});
        else
            LogLine(u"sms store: folder \"" + entry.displayName + u"\" cannot be opened");
    }
    return folders;
}

std::int32_t WriteHandsetMessages(MAPIMsgStore* store, CSmsListWriter& writer)
{
    const std::optional<std::vector<SyncedSmsFolder>> folders = OpenSyncedSmsFolders(store);
    if (!folders)
        return -1;
    std::int32_t count = 0;
    SmsRecord record;
    std::vector<MsgStoreEntry> messages;
    const CReading reading(store);
    for (const SyncedSmsFolder& synced : *folders) {
        if (!synced.folder->ListMessages(messages)) {
            LogLine("sms store: " + store->LastError());
            return -1;
        }
        record.folder = synced.sent ? u"sent" : u"inbox";
        for (const MsgStoreEntry& entry : messages) {
            const std::unique_ptr<MAPIMessage> message = synced.folder->OpenMessage(entry.entryId);
            if (!message)
                continue;
            const std::vector<MsgRecipient>& recipients = message->Recipients();
            record.text = message->Subject();
            record.from = message->SenderName();
            record.to = recipients.empty() ? std::u16string() : recipients.front().displayName;
            record.time = message->DeliveryTime();
            writer.Add(record);
            ++count;
        }
    }
    return count;
}
