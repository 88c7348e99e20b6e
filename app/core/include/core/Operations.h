#pragma once
// The six operations of the main list, and the request codes of the operation request message.

#include "platform/Clock.h"
#include "service/CReg_Api.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TesselService;

enum OperationCode : int {
    OP_SYNC = 0,
    OP_CALENDAR_SYNC = 1,
    OP_UPLOAD = 2,
    OP_DOWNLOAD = 3,
    OP_BACKUP = 4,
    OP_RESTORE = 5,
};
inline constexpr int kOperationCount = 6;

// wParam of WM_OPERATION_REQUEST.
enum RequestCode : int {
    REQ_ROW_TAPPED = 12782,    // a tap beside the selected row of the list
    REQ_ROW_ACTIVATED = 12783, // a tap on the selected row, or Enter
    REQ_STORE_SETTINGS = 12786,
    REQ_REFRESH = 12787,
    REQ_PUSH_COMMAND = 12788,
    REQ_IDENTIFY = 12790,
    REQ_SCHEDULED_SYNC = 12798,
    REQ_REGISTER = 12804,
};

// The "transaction" summary value of a Wipeout (the operations write 10 to 15).
inline constexpr std::uint32_t kWipeoutTransaction = 16;

struct OperationInfo {
    OperationCode code;
    const char16_t* enabledBy; // registry name of the enabling setting
    std::int32_t _SETTINGS_DEF::*enabled;
    int titleText;
};

const std::array<OperationInfo, kOperationCount>& OperationTable();

// One row of the main list.
struct OperationRow {
    OperationCode operation;
    int icon; // bitmap resource 170 + operation code
    std::u16string title;
    std::u16string subtitle;
};

// The rows of the operations the settings enable, in code order. The sync rows show the time of the
// last sync (or text 93), the others a fixed text.
std::vector<OperationRow> BuildOperationRows(const _SETTINGS_DEF& settings, TesselService& service);

// A file time (UTC, 100 ns since 1601) as local time in the list's and the summary's format,
// "%d-%m-%Y %H:%M:%S" with two-digit day, month and time fields.
std::u16string FormatLocalTime(std::uint64_t fileTime);

// The summary values of an operation's start: "transaction", the start time ("transact_time_low"
// and "_high", returned) and "transaction_success" 0; and the success mark at its end.
FileTime WriteTransactionStart(TesselService& service, std::uint32_t transaction);
void WriteTransactionSuccess(TesselService& service);
// A time as the summary keeps it: its low and high halves under these names.
void WriteSummaryTime(TesselService& service, std::u16string_view lowName, std::u16string_view highName,
                      FileTime time);
