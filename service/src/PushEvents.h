#pragma once
// The named events through which the push handler wakes a flow that waits for a push, and the rhythm
// of those waits. All are manual-reset. A waiting flow holds its event for the whole wait; the handler
// sets one only when it already exists, so only a flow that waits at that moment is woken.

#include "platform/Event.h"

#include <cstdint>
#include <memory>
#include <string_view>

inline constexpr std::u16string_view kChangeMsisdnEvent = u"change_msisdn_event"; // negotiation
inline constexpr std::u16string_view kIdentifyEvent = u"tidal_identify_event";    // identification
inline constexpr std::u16string_view kAccountEvent = u"retrieve_server_account";  // registration

// A flow waits for a push in rounds of this length, reporting progress and looking at the keys and
// the stop flag after each.
inline constexpr std::uint32_t kPushWaitRoundMs = 500;

inline std::shared_ptr<CEvent> OpenPushEvent(std::u16string_view name)
{
    return CEvent::CreateNamed(name, EventReset::Manual, false, nullptr);
}
