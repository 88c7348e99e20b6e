#pragma once
// Whether a handset surely lists an appointment or task when it reports the items of its date window.
//
// A handset reports only the items within "Calendar-Timeframe-Back" days before and
// "Calendar-Timeframe-Fwd" days after today, so an item missing from its list may be one that left the
// window rather than one the user deleted. The server takes a missing item for deleted only when the
// text it holds puts the item inside the window with a margin for the handset's time zone; near the
// edges, or when dates cannot be read, it keeps the item.

#include <cstdint>
#include <string_view>

struct CalendarWindow {
    std::int64_t backDays = 0;
    std::int64_t forwardDays = 0;
};

// `text`: one vCalendar item (VEVENT or VTODO); `todayDays`: days since 1970-01-01 (UTC).
bool SurelyInWindow(std::string_view text, const CalendarWindow& window, std::int64_t todayDays);
