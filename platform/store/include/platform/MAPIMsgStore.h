#pragma once
// The handset's messaging store: the "SMS" store with its folders ("inbox", "Sent Items", "Drafts",
// "Outbox", "Deleted Items") and their text messages, kept in the SQLite file `messages.db`.
//
// MAPIMsgStore is one opened store; SmsFolder one of its folders; MAPIMessage one message. Folders and
// messages are named by entry ids, opaque byte strings that stay valid as long as the object exists.
// Listings come in a stable table order (the order of creation). A message holds its properties in
// memory: reading them costs nothing, and the setters change nothing in the store until Save writes the
// whole message in one transaction, so a message is never left half-written.
//
// Nothing throws: failures come back as null objects, false or empty values, and LastError() says why.
// A store and everything obtained from it are used by one thread at a time; folders and messages must
// not outlive their store. The program, the tool and the wipe may open the same file at once.

#include "platform/Clock.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using EntryId = std::vector<std::uint8_t>;

// One row of a folder or message listing. Text messages carry no display name of their own: their
// rows have an empty one.
struct MsgStoreEntry {
    std::u16string displayName;
    EntryId entryId;
};

inline constexpr std::int32_t MAPI_TO = 1; // the recipient type of a message's addressee

struct MsgRecipient {
    std::u16string displayName; // shows the address when the recipient was written without a name
    std::u16string address;
    std::u16string addressType; // "SMS" for text messages
    std::int32_t type = MAPI_TO;
};

// Message flags.
inline constexpr std::uint32_t MSGFLAG_READ = 0x01;
inline constexpr std::uint32_t MSGFLAG_UNSENT = 0x08;
inline constexpr std::uint32_t MSGFLAG_FROMME = 0x20;

// The store's special folders, selected by their index into the store's entry-id properties.
enum class MsgSpecialFolder : std::int32_t {
    DeletedItems = 0,
    Drafts = 1,
    Inbox = 2,
    Outbox = 3,
    SentItems = 4
};

class MAPIMsgStore;

class MAPIMessage {
public:
    // Empty until the message was saved for the first time.
    const EntryId& Entry() const { return m_entry; }

    // Empty (0 for numbers) when the property is not set.
    const std::u16string& MessageClass() const { return m_class; }
    std::uint32_t Flags() const { return m_flags; }
    const std::u16string& Subject() const { return m_subject; }
    const std::u16string& Body() const { return m_body; }
    // The sender's address when the message names no sender, as the handset's store shows it.
    const std::u16string& SenderName() const { return m_senderName.empty() ? m_senderAddress : m_senderName; }
    const std::u16string& SenderAddress() const { return m_senderAddress; }
    FileTime DeliveryTime() const { return m_deliveryTime; }
    // In table order; a recipient without a display name shows its address as its name.
    const std::vector<MsgRecipient>& Recipients() const { return m_recipients; }

    void SetMessageClass(std::u16string_view value) { m_class = value; }
    void SetFlags(std::uint32_t value) { m_flags = value; }
    void SetSubject(std::u16string_view value) { m_subject = value; }
    void SetBody(std::u16string_view value) { m_body = value; }
    void SetSenderName(std::u16string_view value) { m_senderName = value; }
    void SetSenderAddress(std::u16string_view value) { m_senderAddress = value; }
    void SetDeliveryTime(FileTime value) { m_deliveryTime = value; }
    void AddRecipient(MsgRecipient recipient);

    // Writes the message into its folder in one transaction (a new message gets its entry id). False
    // when the store refused it: the store is as it was, the reason is in the store's LastError().
    bool Save();

private:
    friend class MAPIMsgStore;
    MAPIMessage(MAPIMsgStore& store, std::int64_t folder) : m_store(store), m_folder(folder) {}

    MAPIMsgStore& m_store;
    std::int64_t m_folder;
    std::int64_t m_id = 0; // 0 until saved
    EntryId m_entry;
    std::u16string m_class;
    std::uint32_t m_flags = 0;
    std::u16string m_subject;
    std::u16string m_body;
    std::u16string m_senderName;
    std::u16string m_senderAddress;
    FileTime m_deliveryTime = 0;
    std::vector<MsgRecipient> m_recipients;
};

class SmsFolder {
public:
    const std::u16string& Name() const { return m_name; }
    const EntryId& Entry() const { return m_entry; }

    // The folder's messages; false (list empty) when the store cannot be read.
    bool ListMessages(std::vector<MsgStoreEntry>& list) const;
    // Null when the folder holds no such message or the store cannot be read.
    std::unique_ptr<MAPIMessage> OpenMessage(const EntryId& entry) const;
    // True when the store accepted the deletion; false when the folder holds no such message or the
    // store refused.
    bool DeleteMessage(const EntryId& entry);
    // A new text message of this folder (class "IPM.SMStext", flags MSGFLAG_UNSENT), not stored
    // before it is saved.
    std::unique_ptr<MAPIMessage> CreateSmsMessage();
    // Makes `message` (new or opened from this folder) the text `text` from `from` to `to`, delivered
    // at `deliveryTime`, read: subject and body are the text, one recipient of type MAPI_TO with
    // address type "SMS" and address `to` is added, the sender's address is `from`. Then saves it;
    // false when the save failed.
    bool WriteSms(MAPIMessage& message, std::u16string_view text, std::u16string_view from,
                  std::u16string_view to, FileTime deliveryTime);

private:
    friend class MAPIMsgStore;
    SmsFolder(MAPIMsgStore& store, std::int64_t id, std::u16string name);

    MAPIMsgStore& m_store;
    std::int64_t m_id;
    std::u16string m_name;
    EntryId m_entry;
};

class MAPIMsgStore {
public:
    ~MAPIMsgStore();
    MAPIMsgStore(const MAPIMsgStore&) = delete;
    MAPIMsgStore& operator=(const MAPIMsgStore&) = delete;

    // Logs on to the messaging file (":memory:" for one that lives in memory only) and opens the first
    // store whose display name equals `storeName`, ignoring the case of ASCII letters. A missing or
    // empty file is created (mode 0600) with the "SMS" store and its five folders. Null, with the reason
    // in `error`, when the file cannot be opened, has another layout or holds no such store.
    static std::unique_ptr<MAPIMsgStore> Open(const std::filesystem::path& file,
                                              std::u16string_view storeName, std::string& error);
    // messages.db in the device data folder.
    static std::filesystem::path DefaultPath();

    const std::u16string& Name() const { return m_name; }

    // The folders at the top of the store; false (list empty) when the store cannot be read.
    bool ListTopFolders(std::vector<MsgStoreEntry>& list);
    // Null when the store holds no such folder.
    std::unique_ptr<SmsFolder> OpenFolder(const EntryId& entry);
    std::unique_ptr<SmsFolder> OpenSpecialFolder(MsgSpecialFolder folder);
    // A new folder at the top of the store; null when the store refused it.
    std::unique_ptr<SmsFolder> CreateTopFolder(std::u16string_view name);

    // Gathers the saves and deletions until CommitBatch into one transaction, so that a long series
    // of changes is kept whole or not at all (and costs one commit). False when the store is busy
    // beyond its wait or already in a batch. AbandonBatch drops every change of the batch.
    bool BeginBatch();
    bool CommitBatch();
    void AbandonBatch();

    // Reads between BeginReading and EndReading all see the store as it was at the first of them, and
    // take the store's lock once instead of once each; other programs may write meanwhile. Changes
    // are not allowed in between. False when the store cannot be read or a batch is open.
    bool BeginReading();
    void EndReading();

    // Why the last operation that failed failed.
    const std::string& LastError() const { return m_lastError; }

private:
    friend class SmsFolder;
    friend class MAPIMessage;
    struct Db;

    MAPIMsgStore(std::unique_ptr<Db> db, std::int64_t storeId, std::u16string name);
    std::unique_ptr<SmsFolder> FolderWhere(const char* condition, std::int64_t value);
    bool ListFolderMessages(std::int64_t folder, std::vector<MsgStoreEntry>& list);
    std::unique_ptr<MAPIMessage> LoadMessage(std::int64_t folder, const EntryId& entry);
    bool DeleteFolderMessage(std::int64_t folder, const EntryId& entry);
    bool SaveMessage(MAPIMessage& message);
    std::unique_ptr<MAPIMessage> NewMessage(std::int64_t folder);
    bool Fail(std::string what);

    std::unique_ptr<Db> m_db;
    std::int64_t m_storeId;
    std::u16string m_name;
    bool m_inBatch = false;
    bool m_reading = false;
    std::string m_lastError;
};
