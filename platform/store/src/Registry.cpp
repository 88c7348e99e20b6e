#include "platform/Registry.h"

#include "RegistrySchema.h"
#include "platform/DevicePaths.h"
#include "platform/Sqlite.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The one connection of this process. Every call holds `mutex` for its whole duration, so the
// connection is used by one thread at a time and a transaction never interleaves with another call.
struct Store {
    std::mutex mutex;
    CSqliteDb db;
    fs::path chosen;              // set by UseStore; empty means the default place
    std::uint64_t generation = 1; // changes with every UseStore, retiring open handles
};

Store& TheStore()
{
    static Store store;
    return store;
}

fs::path StorePathLocked(const Store& store)
{
    if (!store.chosen.empty())
        return store.chosen;
    return CDevicePaths::DataFolder() / "registry.db";
}

bool EnsureOpen(Store& store)
{
    if (store.db.IsOpen())
        return true;
    const fs::path path = StorePathLocked(store);
    std::error_code error;
    if (path.has_parent_path() && !fs::exists(path.parent_path(), error)) {
        fs::create_directories(path.parent_path().parent_path(), error);
        ::mkdir(path.parent_path().c_str(), 0700);
    }
    if (!store.db.Open(path).Ok())
        return false;
    if (!store.db.EnsureSchema(kRegistrySchemaVersion, kRegistrySchema).Ok()) {
        store.db.Close();
        return false;
    }
    return true;
}

// The store locked and open, or nothing when it cannot be opened.
class OpenStore {
public:
    OpenStore()
        : m_store(TheStore())
        , m_lock(m_store.mutex)
        , m_ok(EnsureOpen(m_store))
    {
    }
    explicit operator bool() const { return m_ok; }
    CSqliteDb& Db() { return m_store.db; }
    std::uint64_t Generation() const { return m_store.generation; }

    // Whether a handle from store `generation` may be used now.
    RegStatus Check(std::uint64_t generation) const
    {
        if (!m_ok)
            return RegStatus::Failed;
        return generation == m_store.generation ? RegStatus::Ok : RegStatus::NotFound;
    }

private:
    Store& m_store;
    std::unique_lock<std::mutex> m_lock;
    bool m_ok;
};

RegStatus StatusOf(const SqlResult& result)
{
    return result.Ok() ? RegStatus::Ok : RegStatus::Failed;
}

// Runs `body` inside BEGIN IMMEDIATE; commits when it returns Ok, rolls back otherwise.
template<typename Body>
RegStatus WriteTransaction(CSqliteDb& db, Body&& body)
{
    if (!db.Begin().Ok())
        return RegStatus::Failed;
    const RegStatus status = body();
    if (status != RegStatus::Ok) {
        db.Rollback();
        return status;
    }
    if (!db.Commit().Ok()) {
        db.Rollback();
        return RegStatus::Failed;
    }
    return RegStatus::Ok;
}

struct KeyPath {
    std::vector<std::u16string> levels;
    std::u16string Joined(std::size_t count) const
    {
        std::u16string path;
        for (std::size_t i = 0; i < count; ++i) {
            if (i)
                path += u'\\';
            path += levels[i];
        }
        return path;
    }
};

KeyPath SplitKeyPath(std::u16string_view path)
{
    KeyPath result;
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find(u'\\', begin);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > begin)
            result.levels.emplace_back(path.substr(begin, end - begin));
        begin = end + 1;
    }
    return result;
}

std::string Folded(std::u16string_view text)
{
    return Utf16ToUtf8(FoldAscii(text));
}

std::int64_t RootIndex(RegRoot root)
{
    return static_cast<std::int64_t>(root);
}

// Id of the key, or nothing; `failed` tells a store failure from a missing key.
std::optional<std::int64_t> FindKey(CSqliteDb& db, RegRoot root, std::u16string_view path, bool& failed)
{
    CSqliteStatement find = db.Prepare("SELECT id FROM keys WHERE root = ?1 AND folded = ?2");
    find.Bind(1, RootIndex(root)).Bind(2, Folded(path));
    if (find.Step())
        return find.Int(0);
    failed = !find.Result().Ok();
    return std::nullopt;
}

RegStatus KeyAlive(CSqliteDb& db, std::int64_t id)
{
    CSqliteStatement find = db.Prepare("SELECT 1 FROM keys WHERE id = ?1");
    find.Bind(1, id);
    if (find.Step())
        return RegStatus::Ok;
    return find.Result().Ok() ? RegStatus::NotFound : RegStatus::Failed;
}

RegStatus CreateLevels(CSqliteDb& db, RegRoot root, const KeyPath& path, std::int64_t& id)
{
    bool failed = false;
    std::optional<std::int64_t> parent = FindKey(db, root, u"", failed);
    if (!parent)
        return RegStatus::Failed; // the root rows come with the schema
    for (std::size_t depth = 1; depth <= path.levels.size(); ++depth) {
        const std::u16string joined = path.Joined(depth);
        std::optional<std::int64_t> level = FindKey(db, root, joined, failed);
        if (failed)
            return RegStatus::Failed;
        if (!level) {
            CSqliteStatement insert =
                db.Prepare("INSERT INTO keys (root, parent, name, path, folded) VALUES (?1, ?2, ?3, ?4, ?5)");
            insert.Bind(1, RootIndex(root))
                .Bind(2, *parent)
                .Bind(3, Utf16ToUtf8(path.levels[depth - 1]))
                .Bind(4, Utf16ToUtf8(joined))
                .Bind(5, Folded(joined));
            if (!insert.Run().Ok())
                return RegStatus::Failed;
            level = db.LastInsertRowId();
        }
        parent = level;
    }
    id = *parent;
    return RegStatus::Ok;
}

// REG_SZ bytes: UTF-16LE with the terminating zero character.
std::vector<std::uint8_t> StringValueBytes(std::u16string_view text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

} // namespace

void CRegKey::Close()
{
    *this = CRegKey();
}

RegStatus CRegistry::CreateKey(RegRoot root, std::u16string_view path, CRegKey& key)
{
    key.Close();
    OpenStore store;
    if (!store)
        return RegStatus::Failed;
    const KeyPath levels = SplitKeyPath(path);
    std::int64_t id = 0;
    const RegStatus status =
        WriteTransaction(store.Db(), [&] { return CreateLevels(store.Db(), root, levels, id); });
    if (status != RegStatus::Ok)
        return status;
    key.m_root = root;
    key.m_path = levels.Joined(levels.levels.size());
    key.m_id = id;
    key.m_store = store.Generation();
    key.m_open = true;
    return RegStatus::Ok;
}

RegStatus CRegistry::OpenKey(RegRoot root, std::u16string_view path, CRegKey& key)
{
    key.Close();
    OpenStore store;
    if (!store)
        return RegStatus::Failed;
    const KeyPath levels = SplitKeyPath(path);
    const std::u16string joined = levels.Joined(levels.levels.size());
    bool failed = false;
    const std::optional<std::int64_t> id = FindKey(store.Db(), root, joined, failed);
    if (!id)
        return failed ? RegStatus::Failed : RegStatus::NotFound;
    key.m_root = root;
    key.m_path = joined;
    key.m_id = *id;
    key.m_store = store.Generation();
    key.m_open = true;
    return RegStatus::Ok;
}

RegStatus CRegistry::DeleteTree(RegRoot root, std::u16string_view path)
{
    OpenStore store;
    if (!store)
        return RegStatus::Failed;
    CSqliteDb& db = store.Db();
    const KeyPath levels = SplitKeyPath(path);
    const std::u16string joined = levels.Joined(levels.levels.size());
    const std::string folded = Folded(joined);
    return WriteTransaction(db, [&] {
        bool failed = false;
        const std::optional<std::int64_t> id = FindKey(db, root, joined, failed);
        if (!id)
            return failed ? RegStatus::Failed : RegStatus::NotFound;
        if (folded.empty()) {
            CSqliteStatement values = db.Prepare("DELETE FROM key_values WHERE key = ?1");
            values.Bind(1, *id);
            CSqliteStatement keys = db.Prepare("DELETE FROM keys WHERE root = ?1 AND folded <> ''");
            keys.Bind(1, RootIndex(root));
            if (!values.Run().Ok() || !keys.Run().Ok())
                return RegStatus::Failed;
            return RegStatus::Ok;
        }
        // Everything whose folded path is the key's or starts with it and "\" ("]" follows "\" in
        // byte order). Values go with their keys through the foreign key.
        CSqliteStatement keys = db.Prepare(
            "DELETE FROM keys WHERE root = ?1 AND (folded = ?2 OR (folded >= ?2 || '\\' AND folded < ?2 || ']'))");
        keys.Bind(1, RootIndex(root)).Bind(2, folded);
        return StatusOf(keys.Run());
    });
}

fs::path CRegistry::StorePath()
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    return StorePathLocked(store);
}

void CRegistry::UseStore(const fs::path& path)
{
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.db.Close();
    store.chosen = path;
    ++store.generation;
}

RegStatus CRegKey::QueryValue(std::u16string_view name, RegValue& value) const
{
    value = RegValue();
    if (!m_open)
        return RegStatus::NotFound;
    OpenStore store;
    if (const RegStatus status = store.Check(m_store); status != RegStatus::Ok)
        return status;
    // A deleted key has no values left, so a missing row covers both cases.
    CSqliteStatement query = store.Db().Prepare("SELECT type, data FROM key_values WHERE key = ?1 AND folded = ?2");
    query.Bind(1, m_id).Bind(2, Folded(name));
    if (!query.Step())
        return query.Result().Ok() ? RegStatus::NotFound : RegStatus::Failed;
    value.type = static_cast<std::uint32_t>(query.Int(0));
    value.data = query.Blob(1);
    return RegStatus::Ok;
}

RegStatus CRegKey::SetValue(std::u16string_view name, std::uint32_t type, std::span<const std::uint8_t> data)
{
    if (!m_open)
        return RegStatus::NotFound;
    OpenStore store;
    if (const RegStatus status = store.Check(m_store); status != RegStatus::Ok)
        return status;
    CSqliteDb& db = store.Db();
    return WriteTransaction(db, [&] {
        if (const RegStatus alive = KeyAlive(db, m_id); alive != RegStatus::Ok)
            return alive;
        // A rewrite keeps the value's first spelling and its place in the enumeration.
        CSqliteStatement upsert = db.Prepare(
            "INSERT INTO key_values (key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
            "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.Bind(1, m_id)
            .Bind(2, Utf16ToUtf8(name))
            .Bind(3, Folded(name))
            .Bind(4, static_cast<std::int64_t>(type))
            .BindBlob(5, data);
        return StatusOf(upsert.Run());
    });
}

RegStatus CRegKey::DeleteValue(std::u16string_view name)
{
    if (!m_open)
        return RegStatus::NotFound;
    OpenStore store;
    if (const RegStatus status = store.Check(m_store); status != RegStatus::Ok)
        return status;
    CSqliteDb& db = store.Db();
    return WriteTransaction(db, [&] {
        CSqliteStatement remove = db.Prepare("DELETE FROM key_values WHERE key = ?1 AND folded = ?2");
        remove.Bind(1, m_id).Bind(2, Folded(name));
        if (!remove.Run().Ok())
            return RegStatus::Failed;
        return db.Changes() > 0 ? RegStatus::Ok : RegStatus::NotFound;
    });
}

RegStatus CRegKey::SetDword(std::u16string_view name, std::uint32_t value)
{
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value),
        static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 24),
    };
    return SetValue(name, REG_DWORD, bytes);
}

RegStatus CRegKey::SetString(std::u16string_view name, std::u16string_view text, std::uint32_t type)
{
    return SetValue(name, type, StringValueBytes(text));
}

RegStatus CRegKey::EnumValueNames(std::vector<std::u16string>& names) const
{
    return ListNames("SELECT name FROM key_values WHERE key = ?1 ORDER BY seq", names);
}

RegStatus CRegKey::EnumSubKeyNames(std::vector<std::u16string>& names) const
{
    return ListNames("SELECT name FROM keys WHERE parent = ?1 ORDER BY id", names);
}

RegStatus CRegKey::ListNames(std::string_view query, std::vector<std::u16string>& names) const
{
    names.clear();
    if (!m_open)
        return RegStatus::NotFound;
    OpenStore store;
    if (const RegStatus status = store.Check(m_store); status != RegStatus::Ok)
        return status;
    if (const RegStatus alive = KeyAlive(store.Db(), m_id); alive != RegStatus::Ok)
        return alive;
    CSqliteStatement list = store.Db().Prepare(query);
    list.Bind(1, m_id);
    while (list.Step())
        names.push_back(Utf8ToUtf16(list.Text(0)));
    if (!list.Result().Ok()) {
        names.clear();
        return RegStatus::Failed;
    }
    return RegStatus::Ok;
}
