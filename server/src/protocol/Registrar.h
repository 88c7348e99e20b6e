#pragma once
// Creates accounts and gives devices their keys: for a registration SMS, for the operator, and for a
// handset that identifies itself with an account's user id and password.
//
// Registration steps are serialised, so two messages for one device never make two accounts.

#include "store/AccountStore.h"

#include <mutex>
#include <optional>
#include <string>

struct Registration {
    AccountRecord account;
    DeviceRecord device;
};

class CRegistrar {
public:
    CRegistrar(CAccountStore& store, KeyDelivery defaultDelivery);

    // The device as the store knows it, or a new unregistered record for it.
    DeviceRecord DeviceOrNew(const std::string& deviceId);

    // Registers `seen` (a device record carrying what its latest contact told) to its account, creating
    // an account with the default settings when the device has none. A device that is registered
    // already keeps its account and keys. Nothing when the store failed.
    std::optional<Registration> RegisterDevice(const DeviceRecord& seen);

    // Creates `account` (an empty user id gets a number, an empty user key a random one) with the
    // default settings, and registers `device` (a record from DeviceOrNew; an empty key gets a random
    // one) to it when given. Nothing, with the reason in `error`,
    // when the user id is taken, the device belongs to another account, or the store failed.
    std::optional<Registration> CreateAccount(AccountRecord account,
                                              const std::optional<DeviceRecord>& device, std::string& error);

    // Registers `device` to an existing account with a new device key. Nothing when the store failed.
    std::optional<DeviceRecord> AttachDevice(DeviceRecord device, const AccountRecord& account);

private:
    CAccountStore& m_store;
    const KeyDelivery m_defaultDelivery;
    std::mutex m_mutex;
};

// A new random key or challenge: 32 hexadecimal characters.
std::string NewSecret();
