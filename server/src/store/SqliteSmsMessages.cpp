// The text messages of CSqliteAccountStore.

#include "store/SqliteAccountStore.h"

std::vector<SmsRecord> CSqliteAccountStore::SmsMessages(std::string_view userId)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<SmsRecord> messages;
    CSqliteStatement query = m_db.Prepare(
        "SELECT id, folder, sender, recipient, time_s, text, deleted, created_ms FROM sms_messages "
        "WHERE user_id = ? ORDER BY id");
    query.Bind(1, userId);
    while (query.Step()) {
        SmsRecord message;
        message.id = query.Int(0);
        message.folder = query.Text(1);
        message.sender = query.Text(2);
        message.recipient = query.Text(3);
        message.timeS = query.Int(4);
        message.text = query.Text(5);
        message.deleted = query.Int(6) != 0;
        message.createdMs = query.Int(7);
        messages.push_back(std::move(message));
    }
    Failed(query.Result(), "message list");
    return messages;
}

bool CSqliteAccountStore::AddSmsMessages(std::string_view userId, std::span<const SmsRecord> messages)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (Failed(m_db.Begin(), "message backup"))
        return false;
    SqlResult result;
    CSqliteStatement insert =
        m_db.Prepare("INSERT INTO sms_messages (user_id, folder, sender, recipient, time_s, text, deleted, "
                     "created_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (std::size_t i = 0; result.Ok() && i < messages.size(); ++i) {
        const SmsRecord& message = messages[i];
        insert.Reset();
        insert.Bind(1, userId)
            .Bind(2, message.folder)
            .Bind(3, message.sender)
            .Bind(4, message.recipient)
            .Bind(5, message.timeS)
            .Bind(6, message.text)
            .Bind(7, message.deleted ? 1 : 0)
            .Bind(8, message.createdMs);
        result = insert.Run();
    }
    if (result.Ok())
        result = m_db.Commit();
    if (Failed(result, "message backup")) {
        m_db.Rollback();
        return false;
    }
    return true;
}

std::optional<bool> CSqliteAccountStore::MarkSmsDeleted(std::string_view userId, std::int64_t id)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CSqliteStatement mark =
        m_db.Prepare("UPDATE sms_messages SET deleted = 1 WHERE user_id = ? AND id = ? AND deleted = 0");
    mark.Bind(1, userId).Bind(2, id);
    if (Failed(mark.Run(), "message deletion"))
        return std::nullopt;
    return m_db.Changes() == 1;
}
