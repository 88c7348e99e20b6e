// The push handler: reads one push message from the push port and acts on it. It runs on the
// user-interface thread, possibly while a flow waits on the worker thread for the keys it brings; it
// stores them and saves the settings before it wakes that flow, and a registration it wakes hands back
// before the handler returns.

#include "service/TesselService.h"

#include "PushEvents.h"
#include "ServiceLog.h"
#include "platform/PushPort.h"
#include "service/CReg_Api.h"
#include "service/PushMessage.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kMessageWaitMs = 60000;
// The handset reads a message into a fixed buffer as a zero-ended text.
constexpr std::size_t kMaxMessageBytes = 1039;
// How long the handler waits for a woken registration to take the keys: one round of its wait, in
// which a flow that is waiting takes them at once.
constexpr std::uint32_t kHandOverMs = kPushWaitRoundMs;

std::optional<std::u16string> ReadPushText()
{
    std::string error;
    const std::unique_ptr<CPushPort> port = CPushPort::Open(&error);
    if (!port) {
        LogLine("push: the push port cannot be opened: " + error);
        return std::nullopt;
    }
    if (!port->WaitForMessage(kMessageWaitMs) || port->NextMessageSize() == 0)
        return std::nullopt;
    std::optional<std::string> bytes = port->Read();
    if (!bytes)
        return std::nullopt;
    bytes->resize(std::min({bytes->size(), kMaxMessageBytes, bytes->find('\0')}));
    return Utf8ToUtf16(*bytes);
}

// Sets the named event when a flow holds it; whether one did.
bool WakeWaitingFlow(std::u16string_view name)
{
    bool existed = false;
    const std::shared_ptr<CEvent> event = CEvent::CreateNamed(name, EventReset::Manual, false, &existed);
    if (existed)
        event->Set();
    return existed;
}

bool IsSignedWithDeviceKey(const PushMessage& message, const CReg_Api& settings)
{
    if (message.lastWord == PushSignature(message.commandWord, settings.Get(&_SETTINGS_DEF::QX_key)))
        return true;
    LogLine(u"push: \"" + message.commandWord + u"\" dropped: its signature does not match the device key");
    return false;
}

// Commands for the application. While the handset has no keys nothing can be verified, so the
// command is taken as it is, except "Wipeout": erasing the handset on an unverifiable word from
// anyone who can send a datagram is never right.
int AcceptCommand(const PushMessage& message, CReg_Api& settings, CIR_INFO& info)
{
    info.parameter = message.parameter;
    info.kinds = PushKinds(message.kindsWord);
    if (settings.HasKeys())
        return IsSignedWithDeviceKey(message, settings) ? 1 : 0;
    if (message.command != CIR_WIPEOUT)
        return 1;
    LogLine(u"push: \"" + message.commandWord +
            u"\" dropped: without a device key its signature cannot be checked");
    return 0;
}

// The device key for an identification that waits for it; the application learns of it by code 5.
void AcceptDeviceKey(const PushMessage& message, CReg_Api& settings, CIR_INFO& info)
{
    if (settings.HasKeys()) {
        info.command = CIR_NONE;
        return;
    }
    if (message.lastWord.empty()) {
        LogLine("push: \"Key\" without a key dropped");
        info.command = CIR_NONE;
        return;
    }
    settings.Set(&_SETTINGS_DEF::QX_key, message.lastWord);
    settings.SaveSettings();
    WakeWaitingFlow(kIdentifyEvent);
}

int AcceptNewUserId(const PushMessage& message, CReg_Api& settings)
{
    if (!IsSignedWithDeviceKey(message, settings))
        return 0;
    settings.Set(&_SETTINGS_DEF::UserId, message.parameter);
    settings.Set(&_SETTINGS_DEF::ExpectCIR, u"");
    settings.SaveSettings();
    WakeWaitingFlow(kChangeMsisdnEvent);
    return 1;
}

// Both keys and the user id for a registration that waits for them; reported as a settings refresh
// once that registration has taken them (`keysTaken`), so the application acts on the push after it.
int AcceptIdentity(const PushMessage& message, CReg_Api& settings, CEvent& keysTaken, CIR_INFO& info)
{
    if (settings.HasKeys()) {
        info.command = CIR_NONE;
        return 0;
    }
    if (!message.identity) {
        LogLine("push: \"IdentifyDevice\" dropped: it lacks one of UK:, K:, DID:, UID: or a key");
        return 0;
    }
    keysTaken.Reset();
    {
        // All three at once: a flow that sees the keys sees the user id with them.
        const CReg_Api::LockedSettings record = settings.GetSettingsInstance();
        record->Ukey = message.identity->userKey;
        record->QX_key = message.identity->deviceKey;
        record->UserId = message.identity->userId;
    }
    settings.SaveSettings();
    if (WakeWaitingFlow(kAccountEvent))
        keysTaken.Wait(kHandOverMs);
    info.command = CIR_RETRIEVE_SETTINGS;
    return 1;
}

} // namespace

int TesselService::ProcessMessageCIR(CIR_INFO& info)
{
    info = CIR_INFO();
    const std::optional<std::u16string> text = ReadPushText();
    return text ? ProcessPushText(*text, info) : 0;
}

int TesselService::ProcessPushText(std::u16string_view text, CIR_INFO& info)
{
    info = CIR_INFO();
    const std::optional<PushMessage> message = ParsePushMessage(text);
    if (!message) {
        LogLine("push: a message without a command layout dropped");
        return 0;
    }
    info.command = message->command;
    CReg_Api& settings = *m_settingsStore;
    switch (message->command) {
    case CIR_NONE:
        LogLine("push: a message with an unknown command ignored");
        return 0;
    case CIR_CHANGE_MSISDN:
        return AcceptNewUserId(*message, settings);
    case CIR_KEY:
        AcceptDeviceKey(*message, settings, info);
        return 0;
    case CIR_IDENTIFY_DEVICE:
        return AcceptIdentity(*message, settings, *m_keysTaken, info);
    default:
        return AcceptCommand(*message, settings, info);
    }
}
