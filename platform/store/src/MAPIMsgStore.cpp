// The messaging store in messages.db (layout in MsgStoreSchema.h). One connection per store object;
// every save is one transaction (or one savepoint of the caller's batch), so a message is stored whole
// or not at all, and a process killed in the middle of a save leaves the store as it was.

#include "platform/MAPIMsgStore.h"

#include "MsgStoreSchema.h"
#include "platform/DevicePaths.h"
#include "platform/Sqlite.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <limits>
#include <optional>

namespace {

// An entry id is a kind byte and the row's id in four bytes, most significant first.
enum class EntryKind : std::uint8_t { Folder = 'F', Message = 'M' };
constexpr std::size_t kEntrySize = 5;
constexpr std::int64_t kLargestEntryRow = std::numeric_limits<std::uint32_t>::max();

EntryId EncodeEntry(EntryKind kind, std::int64_t row)
{
    const auto value = static_cast<std::uint32_t>(row);
    return {static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(value >> 24),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

std::optional<std::int64_t> DecodeEntry(EntryKind kind, const EntryId& entry)
{
    if (entry.size() != kEntrySize || entry[0] != static_cast<std::uint8_t>(kind))
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < kEntrySize; ++i)
        value = (value << 8) | entry[i];
    return value;
}

// Most stored text is ASCII: widen it directly and leave the rest to the full decoder.
std::u16string TextFromUtf8(const std::string& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return Utf8ToUtf16(bytes);
    }
    return std::u16string(bytes.begin(), bytes.end());
}

// Runs a kept statement once more.
SqlResult Run(CSqliteStatement& statement)
{
    statement.Reset();
    return statement.Run();
}

bool IsMemoryFile(const std::filesystem::path& file)
{
    return file.empty() || file.native() == ":memory:";
}

} // namespace

struct MAPIMsgStore::Db {
    CSqliteDb db;
    CSqliteStatement listMessages;
    CSqliteStatement readMessage;
    CSqliteStatement readRecipients;
    CSqliteStatement insertMessage;
    CSqliteStatement updateMessage;
    CSqliteStatement deleteRecipients;
    CSqliteStatement insertRecipient;
    CSqliteStatement deleteMessage;
    CSqliteStatement savepoint;
    CSqliteStatement release;
    CSqliteStatement rollbackToSavepoint;

    SqlResult Prepare()
    {
        SqlResult result;
        const auto prepare = [&](CSqliteStatement& statement, const char* sql) {
            if (result.Ok())
                statement = db.Prepare(sql, &result);
        };
        prepare(listMessages, "SELECT id FROM messages WHERE folder = ?1 ORDER BY id");
        prepare(readMessage, "SELECT class, flags, subject, body, sender_name, sender_address, delivery_time "
                             "FROM messages WHERE id = ?1 AND folder = ?2");
        prepare(readRecipients, "SELECT display_name, address, address_type, type FROM recipients "
                                "WHERE message = ?1 ORDER BY position");
        prepare(insertMessage, "INSERT INTO messages (folder, class, flags, subject, body, sender_name, "
                               "sender_address, delivery_time) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        prepare(updateMessage,
                "UPDATE messages SET folder = ?1, class = ?2, flags = ?3, subject = ?4, body = ?5, "
                "sender_name = ?6, sender_address = ?7, delivery_time = ?8 WHERE id = ?9");
        prepare(deleteRecipients, "DELETE FROM recipients WHERE message = ?1");
        prepare(insertRecipient, "INSERT INTO recipients (message, position, display_name, address, "
                                 "address_type, type) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        prepare(deleteMessage, "DELETE FROM messages WHERE id = ?1 AND folder = ?2");
        prepare(savepoint, "SAVEPOINT message");
        prepare(release, "RELEASE message");
        prepare(rollbackToSavepoint, "ROLLBACK TO message");
        return result;
    }
};

std::unique_ptr<MAPIMsgStore> MAPIMsgStore::Open(const std::filesystem::path& file,
                                                 std::u16string_view storeName, std::string& error)
{
    error.clear();
    const std::string where = "messaging store " + file.string() + ": ";
    if (!IsMemoryFile(file) && file.has_parent_path()) {
        std::error_code ignored;
        std::filesystem::create_directories(file.parent_path(), ignored);
    }
    auto db = std::make_unique<Db>();
    SqlResult result = db->db.Open(file);
    if (result.Ok())
        result = db->db.EnsureSchema(kMsgStoreSchemaVersion, kMsgStoreSchema);
    if (result.Ok())
        result = db->Prepare();
    if (!result.Ok()) {
        error = where + result.message;
        return nullptr;
    }
    CSqliteStatement stores = db->db.Prepare("SELECT id, name FROM stores ORDER BY id");
    while (stores.Step()) {
        std::u16string name = TextFromUtf8(stores.Text(1));
        if (EqualsFolded(name, storeName))
            return std::unique_ptr<MAPIMsgStore>(
                new MAPIMsgStore(std::move(db), stores.Int(0), std::move(name)));
    }
    error = where +
            (stores.Done() ? "no store named \"" + Utf16ToUtf8(storeName) + "\"" : stores.Result().message);
    return nullptr;
}

std::filesystem::path MAPIMsgStore::DefaultPath()
{
    return CDevicePaths::DataFolder() / "messages.db";
}

MAPIMsgStore::MAPIMsgStore(std::unique_ptr<Db> db, std::int64_t storeId, std::u16string name)
    : m_db(std::move(db)), m_storeId(storeId), m_name(std::move(name))
{}

MAPIMsgStore::~MAPIMsgStore()
{
    if (m_inBatch)
        AbandonBatch();
    EndReading();
}

bool MAPIMsgStore::Fail(std::string what)
{
    m_lastError = std::move(what);
    return false;
}

bool MAPIMsgStore::ListTopFolders(std::vector<MsgStoreEntry>& list)
{
    list.clear();
    CSqliteStatement folders =
        m_db->db.Prepare("SELECT f.id, f.name FROM folders f JOIN folders top ON f.parent = top.id "
                         "WHERE top.store = ?1 AND top.parent IS NULL ORDER BY f.id");
    folders.Bind(1, m_storeId);
    while (folders.Step())
        list.push_back({TextFromUtf8(folders.Text(1)), EncodeEntry(EntryKind::Folder, folders.Int(0))});
    if (folders.Done())
        return true;
    list.clear();
    return Fail("list top folders: " + folders.Result().message);
}

std::unique_ptr<SmsFolder> MAPIMsgStore::FolderWhere(const char* condition, std::int64_t value)
{
    CSqliteStatement folder =
        m_db->db.Prepare(std::string("SELECT id, name FROM folders WHERE store = ?1 AND ") + condition);
    folder.Bind(1, m_storeId).Bind(2, value);
    if (!folder.Step()) {
        Fail(folder.Done() ? "no such folder" : "open folder: " + folder.Result().message);
        return nullptr;
    }
    std::unique_ptr<SmsFolder> opened(new SmsFolder(*this, folder.Int(0), TextFromUtf8(folder.Text(1))));
    opened->m_entry = EncodeEntry(EntryKind::Folder, opened->m_id);
    return opened;
}

std::unique_ptr<SmsFolder> MAPIMsgStore::OpenFolder(const EntryId& entry)
{
    const std::optional<std::int64_t> row = DecodeEntry(EntryKind::Folder, entry);
    if (!row) {
        Fail("open folder: not a folder's entry id");
        return nullptr;
    }
    return FolderWhere("id = ?2", *row);
}

std::unique_ptr<SmsFolder> MAPIMsgStore::OpenSpecialFolder(MsgSpecialFolder folder)
{
    return FolderWhere("special = ?2", static_cast<std::int64_t>(folder));
}

std::unique_ptr<SmsFolder> MAPIMsgStore::CreateTopFolder(std::u16string_view name)
{
    if (m_reading) {
        Fail("create folder: the store is being read");
        return nullptr;
    }
    CSqliteStatement insert =
        m_db->db.Prepare("INSERT INTO folders (store, parent, name) "
                         "SELECT ?1, id, ?2 FROM folders WHERE store = ?1 AND parent IS NULL");
    const SqlResult result = insert.Bind(1, m_storeId).Bind(2, Utf16ToUtf8(name)).Run();
    if (!result.Ok() || m_db->db.Changes() != 1) {
        Fail("create folder: " + (result.Ok() ? std::string("the store has no top") : result.message));
        return nullptr;
    }
    return FolderWhere("id = ?2", m_db->db.LastInsertRowId());
}

bool MAPIMsgStore::BeginReading()
{
    if (m_inBatch || m_reading)
        return Fail("begin reading: a batch or a reading is open");
    const SqlResult result = m_db->db.Exec("BEGIN");
    if (!result.Ok())
        return Fail("begin reading: " + result.message);
    m_reading = true;
    return true;
}

void MAPIMsgStore::EndReading()
{
    if (!m_reading)
        return;
    m_db->db.Rollback();
    m_reading = false;
}

bool MAPIMsgStore::BeginBatch()
{
    if (m_inBatch || m_reading)
        return Fail("begin batch: a batch or a reading is already open");
    const SqlResult result = m_db->db.Begin();
    if (!result.Ok())
        return Fail("begin batch: " + result.message);
    m_inBatch = true;
    return true;
}

bool MAPIMsgStore::CommitBatch()
{
    if (!m_inBatch)
        return Fail("commit batch: no batch is open");
    const SqlResult result = m_db->db.Commit();
    if (!result.Ok()) {
        AbandonBatch();
        return Fail("commit batch: " + result.message);
    }
    m_inBatch = false;
    return true;
}

void MAPIMsgStore::AbandonBatch()
{
    m_db->db.Rollback();
    m_inBatch = false;
}

bool MAPIMsgStore::ListFolderMessages(std::int64_t folder, std::vector<MsgStoreEntry>& list)
{
    list.clear();
    CSqliteStatement& messages = m_db->listMessages;
    messages.Reset();
    messages.Bind(1, folder);
    while (messages.Step())
        list.push_back({{}, EncodeEntry(EntryKind::Message, messages.Int(0))});
    if (messages.Done())
        return true;
    list.clear();
    return Fail("list messages: " + messages.Result().message);
}

std::unique_ptr<MAPIMessage> MAPIMsgStore::LoadMessage(std::int64_t folder, const EntryId& entry)
{
    const std::optional<std::int64_t> row = DecodeEntry(EntryKind::Message, entry);
    if (!row) {
        Fail("open message: not a message's entry id");
        return nullptr;
    }
    CSqliteStatement& read = m_db->readMessage;
    read.Reset();
    if (!read.Bind(1, *row).Bind(2, folder).Step()) {
        Fail(read.Done() ? "no such message in the folder" : "open message: " + read.Result().message);
        return nullptr;
    }
    std::unique_ptr<MAPIMessage> message = NewMessage(folder);
    message->m_id = *row;
    message->m_entry = entry;
    message->m_class = TextFromUtf8(read.Text(0));
    message->m_flags = static_cast<std::uint32_t>(read.Int(1));
    message->m_subject = TextFromUtf8(read.Text(2));
    message->m_body = TextFromUtf8(read.Text(3));
    message->m_senderName = TextFromUtf8(read.Text(4));
    message->m_senderAddress = TextFromUtf8(read.Text(5));
    message->m_deliveryTime = static_cast<FileTime>(read.Int(6));
    read.Reset(); // ends the read at once instead of at the next load

    CSqliteStatement& recipients = m_db->readRecipients;
    recipients.Reset();
    recipients.Bind(1, *row);
    while (recipients.Step()) {
        message->m_recipients.push_back({TextFromUtf8(recipients.Text(0)), TextFromUtf8(recipients.Text(1)),
                                         TextFromUtf8(recipients.Text(2)),
                                         static_cast<std::int32_t>(recipients.Int(3))});
    }
    if (!recipients.Done()) {
        Fail("open message: " + recipients.Result().message);
        return nullptr;
    }
    return message;
}

bool MAPIMsgStore::DeleteFolderMessage(std::int64_t folder, const EntryId& entry)
{
    if (m_reading)
        return Fail("delete message: the store is being read");
    const std::optional<std::int64_t> row = DecodeEntry(EntryKind::Message, entry);
    if (!row)
        return Fail("delete message: not a message's entry id");
    CSqliteStatement& remove = m_db->deleteMessage;
    remove.Reset();
    const SqlResult result = remove.Bind(1, *row).Bind(2, folder).Run();
    if (!result.Ok())
        return Fail("delete message: " + result.message);
    if (m_db->db.Changes() != 1)
        return Fail("delete message: no such message in the folder");
    return true;
}

std::unique_ptr<MAPIMessage> MAPIMsgStore::NewMessage(std::int64_t folder)
{
    return std::unique_ptr<MAPIMessage>(new MAPIMessage(*this, folder));
}

bool MAPIMsgStore::SaveMessage(MAPIMessage& message)
{
    // Inside a batch a savepoint keeps a failed message from leaving part of itself in the batch.
    CSqliteDb& db = m_db->db;
    if (m_reading)
        return Fail("save message: the store is being read");
    const SqlResult begun = m_inBatch ? Run(m_db->savepoint) : db.Begin();
    if (!begun.Ok())
        return Fail("save message: " + begun.message);

    const bool created = message.m_id == 0;
    CSqliteStatement& write = created ? m_db->insertMessage : m_db->updateMessage;
    write.Reset();
    write.Bind(1, message.m_folder)
        .Bind(2, Utf16ToUtf8(message.m_class))
        .Bind(3, static_cast<std::int64_t>(message.m_flags))
        .Bind(4, Utf16ToUtf8(message.m_subject))
        .Bind(5, Utf16ToUtf8(message.m_body))
        .Bind(6, Utf16ToUtf8(message.m_senderName))
        .Bind(7, Utf16ToUtf8(message.m_senderAddress))
        .Bind(8, static_cast<std::int64_t>(message.m_deliveryTime));
    if (!created)
        write.Bind(9, message.m_id);
    SqlResult result = write.Run();
    const std::int64_t row = created ? db.LastInsertRowId() : message.m_id;
    if (result.Ok() && row > kLargestEntryRow)
        result = {1, "no entry ids left"};
    if (result.Ok() && !created) {
        m_db->deleteRecipients.Reset();
        result = m_db->deleteRecipients.Bind(1, row).Run();
    }
    for (std::size_t i = 0; result.Ok() && i < message.m_recipients.size(); ++i) {
        const MsgRecipient& recipient = message.m_recipients[i];
        CSqliteStatement& insert = m_db->insertRecipient;
        insert.Reset();
        result = insert.Bind(1, row)
                     .Bind(2, static_cast<std::int64_t>(i))
                     .Bind(3, Utf16ToUtf8(recipient.displayName))
                     .Bind(4, Utf16ToUtf8(recipient.address))
                     .Bind(5, Utf16ToUtf8(recipient.addressType))
                     .Bind(6, static_cast<std::int64_t>(recipient.type))
                     .Run();
    }
    if (result.Ok())
        result = m_inBatch ? Run(m_db->release) : db.Commit();
    if (!result.Ok()) {
        if (m_inBatch) {
            Run(m_db->rollbackToSavepoint);
            Run(m_db->release);
        } else {
            db.Rollback();
        }
        return Fail("save message: " + result.message);
    }
    message.m_id = row;
    message.m_entry = EncodeEntry(EntryKind::Message, row);
    return true;
}
