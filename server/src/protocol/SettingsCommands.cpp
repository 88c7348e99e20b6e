// The account's configuration going to the handset, and the user's choices coming back.

#include "protocol/ProtocolCommands.h"

#include "ServerLog.h"
#include "protocol/ErrorCodes.h"
#include "protocol/ServerDocuments.h"
#include "protocol/SettingsCatalog.h"

#include <algorithm>

namespace {

ProtocolResponse RetrieveSettings(CommandContext& context)
{
    const AccountRecord& account = *context.account;
    std::vector<SettingValue> settings = context.server.store.Settings(account.userId);
    const bool ownUrl = std::any_of(settings.begin(), settings.end(),
                                    [](const SettingValue& setting) { return setting.name == "URL"; });
    if (!ownUrl)
        settings.insert(settings.begin(), SettingValue{"URL", context.server.settings.publicUrl});
    ProtocolResponse response;
    response.AddHeader("QX-ConfigVersion", std::to_string(account.configVersion));
    response.body = SettingsDocument(settings);
    response.contentType = "text/xml; charset=utf-8";
    return response;
}

ProtocolResponse StoreSettings(CommandContext& context)
{
    if (std::optional<ProtocolResponse> refused = CheckChallengeResponse(context))
        return *refused;
    std::string error;
    const std::optional<std::vector<SettingValue>> values = ReadSettingsDocument(context.request.body, error);
    if (!values)
        return ProtocolResponse::Refusal(400, error);
    for (const SettingValue& value : *values) {
        if (const std::optional<std::string> problem = StoredSettingProblem(value.name, value.value))
            return ProtocolResponse::Refusal(400, *problem);
    }
    const std::string& userId = context.account->userId;
    // The handset already holds these values, so its configuration version stays.
    if (!context.server.store.UpdateSettings(userId, *values, {}, VersionBump::No))
        return ErrorAnswer(ErrorCode::ServerFailure, "The server could not store the settings.");
    ServerLog("account " + userId + ": " + std::to_string(values->size()) + " settings stored by " +
              context.device.deviceId);
    return {};
}

} // namespace

void RegisterSettingsCommands(CCommandDispatcher& dispatcher)
{
    dispatcher.Register("RetrieveSettings", Needs::NegotiatedSession, RetrieveSettings);
    dispatcher.Register("StoreSettings", Needs::NegotiatedSession, StoreSettings);
}
