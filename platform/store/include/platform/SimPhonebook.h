#pragma once
// The SIM card's phonebooks: five storages, each a numbered row of entries (positions 1 to its
// capacity, any of them empty), selected by the bit values the cellular library uses.
//
// The stand-in keeps them in the SQLite file "sim.db" in the device data folder, with the usual
// capacities of a SIM (tests and tools may change them). One object is one handle on the card, made by
// Initialize and released by Deinitialize or destruction; one thread at a time per object, while
// several objects and processes may use the file at once.

#include "platform/Sqlite.h"

#include <cstdint>
#include <string>

enum SimPhonebookStorage : std::uint32_t {
    SIM_PBSTORAGE_EMERGENCY = 1,   // emergency numbers
    SIM_PBSTORAGE_FIXEDDIALING = 2, // fixed dialling
    SIM_PBSTORAGE_LASTDIALING = 4,  // last dialled
    SIM_PBSTORAGE_OWNNUMBERS = 8,   // own numbers
    SIM_PBSTORAGE_SIM = 16,         // the SIM phonebook
};
inline constexpr SimPhonebookStorage kSimPhonebookStorages[] = {
    SIM_PBSTORAGE_EMERGENCY, SIM_PBSTORAGE_FIXEDDIALING, SIM_PBSTORAGE_LASTDIALING, SIM_PBSTORAGE_OWNNUMBERS,
    SIM_PBSTORAGE_SIM};

struct SimPhonebookEntry {
    std::u16string address; // the number
    std::u16string text;    // the name
};

struct SimPhonebookStatus {
    std::uint32_t used = 0;  // occupied positions
    std::uint32_t total = 0; // the capacity: positions 1 to total
};

class CSimPhonebook {
public:
    CSimPhonebook() = default;
    ~CSimPhonebook() { Deinitialize(); }
    CSimPhonebook(const CSimPhonebook&) = delete;
    CSimPhonebook& operator=(const CSimPhonebook&) = delete;

    // False (logged by the caller) when the card's file cannot be opened or has another layout.
    bool Initialize();
    void Deinitialize();

    // False for an unknown storage or a failing store (then `status` is zero).
    bool GetStatus(std::uint32_t storage, SimPhonebookStatus& status);
    // False for an empty position, one outside 1 .. capacity, or an unknown storage.
    bool ReadEntry(std::uint32_t storage, std::uint32_t index, SimPhonebookEntry& entry);
    // Stores the entry at that position, replacing one there; false outside 1 .. capacity.
    bool WriteEntry(std::uint32_t storage, std::uint32_t index, const SimPhonebookEntry& entry);
    // False for an empty position, one outside 1 .. capacity, or an unknown storage.
    bool DeleteEntry(std::uint32_t storage, std::uint32_t index);
    // Changes a storage's capacity; entries beyond it are dropped.
    bool SetCapacity(std::uint32_t storage, std::uint32_t capacity);

private:
    std::uint32_t Capacity(std::uint32_t storage);

    CSqliteDb m_db;
};
