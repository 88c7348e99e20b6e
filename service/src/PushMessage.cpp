#include "service/PushMessage.h"

#include "Digest.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <algorithm>
#include <array>

namespace {

constexpr char16_t kBlank = u' ';

// Command words by code.
constexpr std::array<std::u16string_view, CIR_NONE> kCommandWords = {
    u"Sync", u"Backup",           u"Restore",        u"Download",     u"Wipeout",
    u"Key",  u"RetrieveSettings", u"IdentifyDevice", u"ChangeMsisdn",
};

struct KindName {
    std::u16string_view name;
    std::uint32_t bit;
};

constexpr KindName kKindNames[] = {
    {u"Contacts", CIR_KIND_CONTACTS}, {u"Calendar", CIR_KIND_CALENDAR}, {u"Files", CIR_KIND_FILES},
    {u"Messages", CIR_KIND_MESSAGES}, {u"Settings", CIR_KIND_SETTINGS},
};

std::uint32_t CommandCode(std::u16string_view word)
{
    for (std::size_t code = 0; code < kCommandWords.size(); ++code) {
        if (EqualsFolded(word, kCommandWords[code]))
            return static_cast<std::uint32_t>(code);
    }
    return CIR_NONE;
}

void SkipBlanks(std::u16string_view& text)
{
    const std::size_t start = text.find_first_not_of(kBlank);
    text.remove_prefix(start == std::u16string_view::npos ? text.size() : start);
}

// The word at the start of `text` (after any blanks); `text` then starts after it.
std::u16string_view NextWord(std::u16string_view& text)
{
    SkipBlanks(text);
    const std::size_t end = std::min(text.find(kBlank), text.size());
    const std::u16string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

// The text after `marker` at `at`, up to the next ";" or the end.
std::u16string MarkedValue(std::u16string_view text, std::size_t at, std::u16string_view marker)
{
    const std::u16string_view value = text.substr(at + marker.size());
    return std::u16string(value.substr(0, std::min(value.find(u';'), value.size())));
}

// The identity an "IdentifyDevice" text delivers; nothing when a marker is missing or a key is empty
// (an empty key would wipe the one the handset may already hold).
std::optional<PushIdentity> FindIdentity(std::u16string_view text)
{
    const std::size_t userKey = text.find(u"UK:");
    std::size_t deviceKey = text.find(u"K:");
    // The first "K:" may be the one inside "UK:"; the device key's is the next.
    if (userKey != std::u16string_view::npos && deviceKey == userKey + 1)
        deviceKey = text.find(u"K:", deviceKey + 2);
    const std::size_t deviceId = text.find(u"DID:");
    const std::size_t userId = text.find(u"UID:");
    for (const std::size_t at : {userKey, deviceKey, deviceId, userId}) {
        if (at == std::u16string_view::npos)
            return std::nullopt;
    }
    PushIdentity identity{MarkedValue(text, userKey, u"UK:"), MarkedValue(text, deviceKey, u"K:"),
                          MarkedValue(text, userId, u"UID:")};
    if (identity.userKey.empty() || identity.deviceKey.empty())
        return std::nullopt;
    return identity;
}

} // namespace

std::optional<PushMessage> ParsePushMessage(std::u16string_view text)
{
    const std::size_t blank = text.find(kBlank);
    if (blank == std::u16string_view::npos)
        return std::nullopt;
    PushMessage message;
    message.commandWord = text.substr(0, blank);
    message.command = CommandCode(message.commandWord);
    std::u16string_view rest = text.substr(blank);
    SkipBlanks(rest);

    switch (message.command) {
    case CIR_NONE:
        break;
    case CIR_CHANGE_MSISDN: {
        const std::size_t end = rest.find(kBlank);
        if (end == std::u16string_view::npos)
            return std::nullopt;
        message.parameter = rest.substr(0, end);
        rest.remove_prefix(end);
        message.lastWord = NextWord(rest);
        break;
    }
    case CIR_IDENTIFY_DEVICE:
        message.identity = FindIdentity(rest);
        break;
    default:
        message.parameter = NextWord(rest);
        message.kindsWord = NextWord(rest);
        message.lastWord = NextWord(rest);
        break;
    }
    return message;
}

std::uint32_t PushKinds(std::u16string_view word)
{
    std::uint32_t kinds = 0;
    for (const KindName& kind : kKindNames) {
        if (word.find(kind.name) != std::u16string_view::npos)
            kinds |= kind.bit;
    }
    return kinds;
}

std::u16string PushSignature(std::u16string_view commandWord, std::u16string_view deviceKey)
{
    return Md5Base64(Utf16ToUtf8(commandWord) + DigestedText(deviceKey));
}
