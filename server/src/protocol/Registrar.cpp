#include "protocol/Registrar.h"

#include "ServerLog.h"
#include "ServerTime.h"
#include "protocol/Credentials.h"
#include "protocol/SettingsCatalog.h"

std::string NewSecret()
{
    return RandomHex(16);
}

CRegistrar::CRegistrar(CAccountStore& store, KeyDelivery defaultDelivery)
    : m_store(store), m_defaultDelivery(defaultDelivery)
{}

DeviceRecord CRegistrar::DeviceOrNew(const std::string& deviceId)
{
    if (std::optional<DeviceRecord> known = m_store.FindDevice(deviceId))
        return *known;
    DeviceRecord device;
    device.deviceId = deviceId;
    device.keyDelivery = m_defaultDelivery;
    device.createdMs = NowMs();
    return device;
}

std::optional<Registration> CRegistrar::RegisterDevice(const DeviceRecord& seen)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    DeviceRecord device = seen;
    if (const std::optional<DeviceRecord> known = m_store.FindDevice(seen.deviceId)) {
        device.userId = known->userId;
        device.deviceKey = known->deviceKey;
    }
    if (device.IsRegistered()) {
        const std::optional<AccountRecord> account = m_store.FindAccount(device.userId);
        if (account && m_store.SaveDevice(device))
            return Registration{*account, device};
        return std::nullopt;
    }
    device.deviceKey = NewSecret();
    AccountRecord account;
    account.userKey = NewSecret();
    account.createdMs = NowMs();
    const std::optional<AccountRecord> created =
        m_store.CreateAccount(account, DefaultAccountSettings(), &device);
    if (!created)
        return std::nullopt;
    device.userId = created->userId;
    ServerLog("registration: device " + device.deviceId + " now belongs to new account " + created->userId);
    return Registration{*created, device};
}

std::optional<Registration> CRegistrar::CreateAccount(AccountRecord account,
                                                      const std::optional<DeviceRecord>& device,
                                                      std::string& error)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (account.userKey.empty())
        account.userKey = NewSecret();
    account.createdMs = NowMs();
    std::optional<DeviceRecord> attached = device;
    if (attached) {
        const std::optional<DeviceRecord> known = m_store.FindDevice(attached->deviceId);
        if (known && known->IsRegistered()) {
            error = "device " + attached->deviceId + " already belongs to account " + known->userId;
            return std::nullopt;
        }
        if (attached->deviceKey.empty())
            attached->deviceKey = NewSecret();
    }
    const std::optional<AccountRecord> created =
        m_store.CreateAccount(account, DefaultAccountSettings(), attached ? &*attached : nullptr);
    if (!created) {
        error = account.userId.empty() || !m_store.FindAccount(account.userId)
                    ? "the store failed to create the account"
                    : "user id " + account.userId + " is taken";
        return std::nullopt;
    }
    Registration registration{*created, attached.value_or(DeviceRecord())};
    registration.device.userId = attached ? created->userId : std::string();
    return registration;
}

std::optional<DeviceRecord> CRegistrar::AttachDevice(DeviceRecord device, const AccountRecord& account)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    device.userId = account.userId;
    device.deviceKey = NewSecret();
    if (!m_store.SaveDevice(device))
        return std::nullopt;
    ServerLog("identification: device " + device.deviceId + " now belongs to account " + account.userId);
    return device;
}
