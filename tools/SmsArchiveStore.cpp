#include "SmsArchiveStore.h"

#include <unordered_map>
#include <utility>

namespace {

constexpr std::int64_t kMsFrom1601To1970 = 11644473600000;
constexpr std::int64_t kUnitsPerMs = 10000;

constexpr MsgSpecialFolder kArchivedFolders[] = {MsgSpecialFolder::Inbox, MsgSpecialFolder::SentItems,
                                                 MsgSpecialFolder::Drafts, MsgSpecialFolder::Outbox};

// Where each type of message is kept; the first row of a folder is the type it exports as.
constexpr std::pair<ArchivedSmsType, MsgSpecialFolder> kFolderOfType[] = {
    {ArchivedSmsType::Received, MsgSpecialFolder::Inbox},
    {ArchivedSmsType::Sent, MsgSpecialFolder::SentItems},
    {ArchivedSmsType::Draft, MsgSpecialFolder::Drafts},
    {ArchivedSmsType::Outbox, MsgSpecialFolder::Outbox},
    {ArchivedSmsType::Failed, MsgSpecialFolder::Outbox},
    {ArchivedSmsType::Queued, MsgSpecialFolder::Outbox},
};

MsgSpecialFolder FolderOf(ArchivedSmsType type)
{
    for (const auto& [rowType, folder] : kFolderOfType) {
        if (rowType == type)
            return folder;
    }
    return MsgSpecialFolder::Outbox;
}

ArchivedSmsType TypeOf(MsgSpecialFolder folder)
{
    for (const auto& [type, rowFolder] : kFolderOfType) {
        if (rowFolder == folder)
            return type;
    }
    return ArchivedSmsType::Outbox;
}

// A message as an archive holds it. The peer is the sender of a received message and the first
// recipient of any other; a name that only repeats the address is no contact name.
ArchivedSms Archived(const MAPIMessage& message, MsgSpecialFolder folder)
{
    ArchivedSms archived;
    archived.type = TypeOf(folder);
    if (folder == MsgSpecialFolder::Inbox) {
        archived.address = message.SenderAddress();
        if (message.SenderName() != archived.address)
            archived.contactName = message.SenderName();
    } else if (!message.Recipients().empty()) {
        const MsgRecipient& recipient = message.Recipients().front();
        archived.address = recipient.address;
        if (recipient.displayName != archived.address)
            archived.contactName = recipient.displayName;
    }
    archived.dateMs = static_cast<std::int64_t>(message.DeliveryTime() / kUnitsPerMs) - kMsFrom1601To1970;
    archived.body = message.Body().empty() ? message.Subject() : message.Body();
    archived.read = (message.Flags() & MSGFLAG_READ) != 0;
    return archived;
}

// What makes two messages the same for an import.
std::u16string IdentityOf(const ArchivedSms& message)
{
    const std::string date = std::to_string(message.dateMs);
    return std::u16string(1, static_cast<char16_t>(FolderOf(message.type))) + u'\x1f' +
           std::u16string(date.begin(), date.end()) + u'\x1f' + message.address + u'\x1f' + message.body;
}

bool Fail(MAPIMsgStore& store, std::string& error)
{
    error = store.LastError();
    return false;
}

bool AddMessage(SmsFolder& folder, const ArchivedSms& archived)
{
    const std::unique_ptr<MAPIMessage> message = folder.CreateSmsMessage();
    const bool received = archived.type == ArchivedSmsType::Received;
    const bool unsent = FolderOf(archived.type) != MsgSpecialFolder::SentItems && !received;
    message->SetFlags((archived.read ? MSGFLAG_READ : 0) | (received ? 0 : MSGFLAG_FROMME) |
                      (unsent ? MSGFLAG_UNSENT : 0));
    message->SetSubject(archived.body);
    message->SetBody(archived.body);
    message->SetDeliveryTime(static_cast<FileTime>((archived.dateMs + kMsFrom1601To1970) * kUnitsPerMs));
    if (received) {
        message->SetSenderAddress(archived.address);
        message->SetSenderName(archived.contactName);
    } else {
        message->AddRecipient({archived.contactName, archived.address, u"SMS", MAPI_TO});
    }
    return message->Save();
}

} // namespace

bool ExportSmsArchive(MAPIMsgStore& store, std::vector<ArchivedSms>& messages, std::string& error)
{
    messages.clear();
    std::vector<MsgStoreEntry> entries;
    for (const MsgSpecialFolder kind : kArchivedFolders) {
        const std::unique_ptr<SmsFolder> folder = store.OpenSpecialFolder(kind);
        if (!folder || !folder->ListMessages(entries))
            return Fail(store, error);
        for (const MsgStoreEntry& entry : entries) {
            if (const std::unique_ptr<MAPIMessage> message = folder->OpenMessage(entry.entryId))
                messages.push_back(Archived(*message, kind));
        }
    }
    return true;
}

bool ImportSmsArchive(MAPIMsgStore& store, const SmsArchive& archive, SmsImportCounts& counts,
                      std::string& error)
{
    counts = {};
    std::vector<ArchivedSms> existing;
    if (!ExportSmsArchive(store, existing, error))
        return false;
    std::unordered_map<std::u16string, std::size_t> present;
    for (const ArchivedSms& message : existing)
        ++present[IdentityOf(message)];
    existing.clear();

    std::unordered_map<MsgSpecialFolder, std::unique_ptr<SmsFolder>> folders;
    for (const MsgSpecialFolder kind : kArchivedFolders) {
        folders[kind] = store.OpenSpecialFolder(kind);
        if (!folders[kind])
            return Fail(store, error);
    }
    if (!store.BeginBatch())
        return Fail(store, error);
    SmsImportCounts done;
    for (const ArchivedSms& message : archive.messages) {
        const auto found = present.find(IdentityOf(message));
        if (found != present.end() && found->second > 0) {
            --found->second;
            ++done.present;
            continue;
        }
        if (!AddMessage(*folders[FolderOf(message.type)], message)) {
            error = store.LastError();
            store.AbandonBatch();
            return false;
        }
        ++done.added;
    }
    if (!store.CommitBatch())
        return Fail(store, error);
    counts = done;
    return true;
}
