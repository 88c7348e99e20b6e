#pragma once
// The handset registry: keys with nested paths under a root, typed values stored as raw bytes.
//
// One SQLite file per device ("registry.db" in the device data folder) holds every key and value, so
// that the program, its libraries and the trigger daemon share one store. The store uses WAL, a busy
// timeout and immediate transactions, so two processes may read and write it at once without losing a
// write. Key paths use "\" between levels ("Software\Orvane\Settings"); key paths and value names
// compare case-insensitively (ASCII), as on the handset. All calls are thread-safe.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class RegRoot : std::uint8_t { CurrentUser, LocalMachine };

// Value types, numbered as on the handset so that stored type words keep their meaning.
enum RegType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

enum class RegStatus : std::uint8_t {
    Ok,
    NotFound, // the key or value does not exist (or the key was deleted while open)
    Failed,   // the store could not be opened, read or written
};

struct RegValue {
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

// An open key. Cheap to copy; closing only forgets the key. Operations on a closed key, or on a key
// that was deleted after it was opened, return NotFound and change nothing.
class CRegKey {
public:
    CRegKey() = default;

    bool IsOpen() const { return m_open; }
    void Close();

    RegStatus QueryValue(std::u16string_view name, RegValue& value) const;
    // Writes a value, replacing any earlier value of the same name (and type).
    RegStatus SetValue(std::u16string_view name, std::uint32_t type, std::span<const std::uint8_t> data);
    RegStatus DeleteValue(std::u16string_view name);

    // Conveniences over QueryValue/SetValue. A string value is stored as UTF-16LE with its
    // terminating zero character, as the handset stores REG_SZ.
    RegStatus SetDword(std::u16string_view name, std::uint32_t value);
    RegStatus SetString(std::u16string_view name, std::u16string_view text, std::uint32_t type = REG_SZ);

    // Names in the order they were first written.
    RegStatus EnumValueNames(std::vector<std::u16string>& names) const;
    RegStatus EnumSubKeyNames(std::vector<std::u16string>& names) const;

    RegRoot Root() const { return m_root; }
    const std::u16string& Path() const { return m_path; }

private:
    friend class CRegistry;
    // The names `query` (with the key's id as ?1) lists, in its order; `names` stays empty on failure.
    RegStatus ListNames(std::string_view query, std::vector<std::u16string>& names) const;

    RegRoot m_root = RegRoot::CurrentUser;
    std::u16string m_path;
    bool m_open = false;
    std::int64_t m_id = 0;     // row of the key in the store
    std::uint64_t m_store = 0; // which store it came from (UseStore starts a new one)
};

// The process-wide registry store.
class CRegistry {
public:
    // Opens the key, creating it and every missing parent. Fails only when the store fails.
    // `path` levels are separated by "\"; empty levels are ignored and "" is the root itself. On
    // failure `key` is left closed.
    static RegStatus CreateKey(RegRoot root, std::u16string_view path, CRegKey& key);
    // Opens an existing key; NotFound when it does not exist.
    static RegStatus OpenKey(RegRoot root, std::u16string_view path, CRegKey& key);
    // Deletes the key with every key and value beneath it; NotFound when it does not exist. For the
    // root itself ("") everything beneath it is deleted and the root stays.
    static RegStatus DeleteTree(RegRoot root, std::u16string_view path);

    // The store file in use; by default "registry.db" in the device data folder.
    static std::filesystem::path StorePath();
    // Closes the store; the next call opens the file at `path` (empty: the default place again).
    // Keys opened before answer NotFound afterwards. For tests and tools that pick their device at
    // run time. The store is opened lazily; a store that fails to open is tried again on the next call.
    static void UseStore(const std::filesystem::path& path);
};

// Typed values as the settings, the summary and the scheduled-sync trigger take them.

// The value of a REG_DWORD of exactly four bytes; nothing for any other type or size.
std::optional<std::uint32_t> DwordOf(const RegValue& value);

// The text of a REG_SZ or REG_EXPAND_SZ that has an even byte length, ends with a zero character and
// holds at most `maxChars` characters with that terminator; nothing otherwise. The text ends at its
// first zero character.
std::optional<std::u16string> TextOf(const RegValue& value, std::size_t maxChars);

// The longest text the handset's registry readers take, terminator included.
inline constexpr std::size_t kMaxRegTextChars = 260;
