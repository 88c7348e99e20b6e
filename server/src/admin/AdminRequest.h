#pragma once
// One operator command as its handler sees it: the checked fields of the request, and what the handler
// answers (records, or a refusal with its reason).

#include "protocol/ServerState.h"
#include "refserver/AdminCommands.h"
#include "refserver/AdminRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct AdminResult {
    int status = 200;
    std::string error;
    std::vector<AdminRecord> records;

    static AdminResult Refused(std::string reason, int status = 400);
};

// The request's fields in the order they came, read as any admin record is read.
struct AdminRequest : AdminRecord {
    const AdminCommand& command;

    // A "true"/"false" field; `problem` gets the reason when it is neither.
    std::optional<bool> Flag(std::string_view name, std::string& problem) const;
    // A decimal field within [low, high]; `problem` gets the reason when it is not.
    std::optional<std::int64_t> Number(std::string_view name, std::int64_t low, std::int64_t high,
                                       std::string& problem) const;
    // A "header"/"push" field; `problem` gets the reason when it is neither.
    std::optional<KeyDelivery> Delivery(std::string_view name, std::string& problem) const;
};

// The refusal (404) when the request's "user-id" names no account.
std::optional<AdminResult> MissingAccount(const AdminRequest& request, ServerState& server);

// The refusal of a list command when its account is missing or its "deleted" flag is neither true nor
// false; `withDeleted` gets the flag.
std::optional<AdminResult> ListRefusal(const AdminRequest& request, ServerState& server, bool& withDeleted);

// Marks the account's record "id" deleted through `mark` (false: no such live record; nothing: the store
// failed) and answers as the delete commands do; `noun` names the record in refusals.
using MarkDeleted = std::function<std::optional<bool>(const std::string& userId, std::int64_t id)>;
AdminResult DeleteById(const AdminRequest& request, std::string_view noun, const MarkDeleted& mark);

using AdminHandler = AdminResult (*)(const AdminRequest& request, ServerState& server);

// The handlers, by family (AdminAccountCommands.cpp, AdminDeviceCommands.cpp, AdminRuleCommands.cpp,
// AdminItemCommands.cpp, AdminMessageCommands.cpp, AdminFileCommands.cpp).
AdminResult AddAccount(const AdminRequest& request, ServerState& server);
AdminResult ListAccounts(const AdminRequest& request, ServerState& server);
AdminResult ShowAccount(const AdminRequest& request, ServerState& server);
AdminResult DeleteAccount(const AdminRequest& request, ServerState& server);
AdminResult SetSettings(const AdminRequest& request, ServerState& server);
AdminResult ListDevices(const AdminRequest& request, ServerState& server);
AdminResult SetDevice(const AdminRequest& request, ServerState& server);
AdminResult Push(const AdminRequest& request, ServerState& server);
AdminResult QueueDialog(const AdminRequest& request, ServerState& server);
AdminResult Inject(const AdminRequest& request, ServerState& server);
AdminResult ListRules(const AdminRequest& request, ServerState& server);
AdminResult ClearRules(const AdminRequest& request, ServerState& server);
AdminResult ShowLog(const AdminRequest& request, ServerState& server);
AdminResult ListItems(const AdminRequest& request, ServerState& server);
AdminResult ShowItem(const AdminRequest& request, ServerState& server);
AdminResult AddItems(const AdminRequest& request, ServerState& server);
AdminResult ChangeItem(const AdminRequest& request, ServerState& server);
AdminResult DeleteItem(const AdminRequest& request, ServerState& server);
AdminResult ListMessages(const AdminRequest& request, ServerState& server);
AdminResult AddMessage(const AdminRequest& request, ServerState& server);
AdminResult DeleteMessage(const AdminRequest& request, ServerState& server);
AdminResult ListFiles(const AdminRequest& request, ServerState& server);
AdminResult AddFile(const AdminRequest& request, ServerState& server);
AdminResult DeleteFile(const AdminRequest& request, ServerState& server);

// The record of a device as list-devices shows it (shared by the commands that answer with devices).
AdminRecord DeviceFields(const DeviceRecord& device, ServerState& server);
