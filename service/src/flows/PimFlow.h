#pragma once
// The one backup and restore engine of contacts, appointments and tasks. A flow is made for one run
// of one kind (its PimKind row) and one mode ("Backup", "Sync" or "Restore"), runs on the operation's
// worker thread inside a negotiated session, and ends with the flow's RETURNED_RES; the service's six
// PIM flows are this engine with their row.
//
// Backup: the checksum list ("Crc"), the luids the server asks for, then upload chunks of about
// 100 K characters with the mode as command. The answer to the last chunk of a "Sync" carries the
// first restore chunk; it is kept in the flow state for the restore that follows.
// Restore: in "Restore" mode the full checksum list first; then each chunk is applied to the store in
// one transaction, further chunks come by "GetChunk", and the "Map" tells the server which handset
// luid now stands for each of its items. The stop flag ends either flow with RES_OK at the next step.
// Each chunk's map entries go into the PIM store in the transaction of its items, and leave it once
// the server has the map; a map that did not reach the server (cut connection, error answer, stop,
// the process killed) is so sent first by the kind's next flow, before its checksum list: otherwise
// the server would take the luids of the items just applied for new items of the handset, and both
// sides would hold them twice.
//
// What a hostile or broken server cannot do: make a flow loop forever (an upload ends once a chunk
// adds nothing at the end of the list, a restore once a chunk brings nothing or after a bound of
// chunks), make it allocate what it announces (sizes are capped, arrays grow with what really
// arrives), or cut an item's text.

#include "PimKind.h"
#include "platform/Window.h"
#include "service/FlowState.h"
#include "service/PimDocuments.h"
#include "service/Results.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TesselService;
class ServerTransport;
class UI_Sync;

// Restore chunks of one flow past which the server is taken to be misbehaving: a real restore needs
// one per 100 K characters (a few hundred for 50,000 contacts). An upload needs no such bound: each of
// its chunks carries an item not sent before, or ends it.
inline constexpr std::uint32_t kMaxChunkRequests = 10000;
// Records reserved at most for what "QX-TotalSize" announces; more grow as items arrive.
inline constexpr std::uint32_t kMaxReservedRecords = 4096;

class CPimFlow {
public:
    CPimFlow(TesselService& service, ServerTransport& transport, COutlookMgr& manager, CReg_Api& settings,
             UI_Sync& bridge, FlowState& state, const PimKind& kind, HWND window, std::u16string_view mode);

    RETURNED_RES Backup();
    RETURNED_RES Restore();

private:
    // --- backup ---
    struct ChecksumList {
        std::u16string body;
        std::uint32_t count = 0;
    };
    // Loads the kind's items and lists them (luid, crc). With `full` false and a whole-list checksum
    // equal to the stored one, the list element is left out and the count is 1. Nothing on failure.
    std::optional<ChecksumList> BuildChecksumList(bool full);
    // The phone has none of the kind's items in a "Sync" after an earlier sync had some: asks whether
    // to restore from the server. RES_USER_CONFIRMED (restore), RES_OK after Cancel (stop flag set),
    // nothing to go on.
    std::optional<RETURNED_RES> AskAboutEmptyPhone();
    // The items the server asked for, from `offset` in the loaded list, while the estimate stays under
    // the bound; `sent` the number taken, `atEnd` whether the walk reached the end of the list.
    std::u16string BuildUploadChunk(CRequestedIds& requested, std::uint32_t offset, std::uint32_t& sent,
                                    bool& atEnd);
    RETURNED_RES Upload(CRequestedIds& requested, std::uint32_t total);

    // --- restore ---
    RETURNED_RES RunRestore();
    RETURNED_RES SendFullList();
    // Reads a size header of the latest answer; absent or not a number: nothing (logged for the latter).
    std::optional<std::uint32_t> SizeHeader(std::u16string_view name) const;
    // Applies one chunk's items in one store transaction; the records of the map grow with them.
    // False when the store did not keep them (nothing of the chunk is kept, nothing counted).
    bool ApplyChunk(std::u16string_view answer);
    void ApplyItem(const RestoreItem& item);
    std::u16string BuildMapDocument(const std::vector<RestoreRecord>& records) const;
    // Sends the map of this flow's items; once the server has it, the store forgets its entries.
    RETURNED_RES SendMap();
    // Sends the map a flow before did not deliver; RES_OK when there was none or the server took it.
    RETURNED_RES SendUnsentMap();
    // Adds the entries of a map file the build before kept for this kind to `entries`; the file's
    // path, to remove once the server has them, or none when there is no such file. A file that is
    // not a map is logged and set aside.
    std::optional<std::filesystem::path> TakeMapFileOfEarlierBuild(std::vector<RestoreRecord>& entries) const;
    // Posts a map; once the server has it, the store forgets the kind's unsent entries.
    RETURNED_RES PostMap(const std::vector<RestoreRecord>& records);
    RETURNED_RES RequestChunk(std::uint32_t offset);
    void WriteRestoreCounters() const;

    // --- shared ---
    bool Stopped() const;
    void Progress(int text, std::int32_t percent);
    // "QX-Command" and "QX-CommandType" of a request of this kind.
    void PrepareRequest(std::u16string_view command);
    RETURNED_RES LoadItems();

    TesselService& m_service;
    ServerTransport& m_transport;
    COutlookMgr& m_manager;
    CReg_Api& m_settings;
    UI_Sync& m_bridge;
    FlowState& m_state;
    const PimKind& m_kind;
    const HWND m_window;
    const std::u16string m_mode;

    std::uint32_t m_chunksFetched = 0; // "GetChunk" requests of this restore
    std::vector<RestoreRecord> m_records;
    struct Counts {
        std::uint32_t added = 0;
        std::uint32_t updated = 0;
        std::uint32_t deleted = 0;
        std::uint32_t failed = 0;
    } m_counts;
};
