#include "platform/SimPhonebook.h"

#include "SimPhonebookSchema.h"
#include "platform/DevicePaths.h"
#include "utils/Utf.h"

bool CSimPhonebook::Initialize()
{
    Deinitialize();
    if (!m_db.Open(CDevicePaths::DataFolder() / "sim.db").Ok())
        return false;
    if (!m_db.EnsureSchema(kSimPhonebookSchemaVersion, kSimPhonebookSchema).Ok()) {
        m_db.Close();
        return false;
    }
    return true;
}

void CSimPhonebook::Deinitialize()
{
    m_db.Close();
}

std::uint32_t CSimPhonebook::Capacity(std::uint32_t storage)
{
    CSqliteStatement query = m_db.Prepare("SELECT capacity FROM storages WHERE storage = ?1");
    query.Bind(1, std::int64_t{storage});
    return query.Step() ? static_cast<std::uint32_t>(query.Int(0)) : 0;
}

bool CSimPhonebook::GetStatus(std::uint32_t storage, SimPhonebookStatus& status)
{
    status = {};
    if (!m_db.IsOpen())
        return false;
    CSqliteStatement query = m_db.Prepare(
        "SELECT capacity, (SELECT count(*) FROM entries WHERE entries.storage = storages.storage "
        "AND position <= capacity) FROM storages WHERE storage = ?1");
    query.Bind(1, std::int64_t{storage});
    if (!query.Step())
        return false;
    status.total = static_cast<std::uint32_t>(query.Int(0));
    status.used = static_cast<std::uint32_t>(query.Int(1));
    return true;
}

bool CSimPhonebook::ReadEntry(std::uint32_t storage, std::uint32_t index, SimPhonebookEntry& entry)
{
    entry = {};
    if (!m_db.IsOpen() || index < 1 || index > Capacity(storage))
        return false;
    CSqliteStatement query = m_db.Prepare("SELECT address, text FROM entries WHERE storage = ?1 AND position = ?2");
    query.Bind(1, std::int64_t{storage}).Bind(2, std::int64_t{index});
    if (!query.Step())
        return false;
    entry.address = Utf8ToUtf16(query.Text(0));
    entry.text = Utf8ToUtf16(query.Text(1));
    return true;
}

bool CSimPhonebook::WriteEntry(std::uint32_t storage, std::uint32_t index, const SimPhonebookEntry& entry)
{
    if (!m_db.IsOpen() || index < 1 || index > Capacity(storage))
        return false;
    CSqliteStatement insert =
        m_db.Prepare("INSERT OR REPLACE INTO entries (storage, position, address, text) VALUES (?1, ?2, ?3, ?4)");
    insert.Bind(1, std::int64_t{storage})
        .Bind(2, std::int64_t{index})
        .Bind(3, Utf16ToUtf8(entry.address))
        .Bind(4, Utf16ToUtf8(entry.text));
    return insert.Run().Ok();
}

bool CSimPhonebook::DeleteEntry(std::uint32_t storage, std::uint32_t index)
{
    if (!m_db.IsOpen() || index < 1 || index > Capacity(storage))
        return false;
    CSqliteStatement remove = m_db.Prepare("DELETE FROM entries WHERE storage = ?1 AND position = ?2");
    remove.Bind(1, std::int64_t{storage}).Bind(2, std::int64_t{index});
    return remove.Run().Ok() && m_db.Changes() == 1;
}

bool CSimPhonebook::SetCapacity(std::uint32_t storage, std::uint32_t capacity)
{
    if (!m_db.IsOpen() || Capacity(storage) == 0)
        return false;
    CSqliteStatement update = m_db.Prepare("UPDATE storages SET capacity = ?2 WHERE storage = ?1");
    update.Bind(1, std::int64_t{storage}).Bind(2, std::int64_t{capacity});
    CSqliteStatement drop = m_db.Prepare("DELETE FROM entries WHERE storage = ?1 AND position > ?2");
    drop.Bind(1, std::int64_t{storage}).Bind(2, std::int64_t{capacity});
    return update.Run().Ok() && drop.Run().Ok();
}
