#include "admin/AdminRequest.h"

#include <charconv>
#include <limits>

AdminResult AdminResult::Refused(std::string reason, int status)
{
    AdminResult result;
    result.status = status;
    result.error = std::move(reason);
    return result;
}

std::optional<bool> AdminRequest::Flag(std::string_view name, std::string& problem) const
{
    const std::optional<std::string> value = Get(name);
    if (!value)
        return std::nullopt;
    if (*value == "true")
        return true;
    if (*value == "false")
        return false;
    problem = std::string(name) + " is \"" + value->substr(0, 32) + "\", not true or false";
    return std::nullopt;
}

std::optional<std::int64_t> AdminRequest::Number(std::string_view name, std::int64_t low, std::int64_t high,
                                                 std::string& problem) const
{
    const std::optional<std::string> value = Get(name);
    if (!value)
        return std::nullopt;
    std::int64_t number = 0;
    const auto parsed = std::from_chars(value->data(), value->data() + value->size(), number);
    if (value->empty() || parsed.ec != std::errc() || parsed.ptr != value->data() + value->size() ||
        number < low || number > high) {
        problem = std::string(name) + " is \"" + value->substr(0, 32) + "\", not a number from " +
                  std::to_string(low) + " to " + std::to_string(high);
        return std::nullopt;
    }
    return number;
}

std::optional<KeyDelivery> AdminRequest::Delivery(std::string_view name, std::string& problem) const
{
    const std::optional<std::string> value = Get(name);
    if (!value)
        return std::nullopt;
    const std::optional<KeyDelivery> delivery = ParseKeyDelivery(*value);
    if (!delivery)
        problem = std::string(name) + " is \"" + value->substr(0, 32) + "\", not header or push";
    return delivery;
}

std::optional<AdminResult> MissingAccount(const AdminRequest& request, ServerState& server)
{
    const std::string userId = request.GetOr("user-id");
    if (server.store.FindAccount(userId))
        return std::nullopt;
    return AdminResult::Refused("there is no account \"" + userId.substr(0, 64) + "\"", 404);
}

std::optional<AdminResult> ListRefusal(const AdminRequest& request, ServerState& server, bool& withDeleted)
{
    if (std::optional<AdminResult> refused = MissingAccount(request, server))
        return refused;
    std::string problem;
    withDeleted = request.Flag("deleted", problem).value_or(false);
    if (!problem.empty())
        return AdminResult::Refused(problem);
    return std::nullopt;
}

AdminResult DeleteById(const AdminRequest& request, std::string_view noun, const MarkDeleted& mark)
{
    std::string problem;
    const std::optional<std::int64_t> id =
        request.Number("id", 1, std::numeric_limits<std::int64_t>::max(), problem);
    if (!id)
        return AdminResult::Refused(problem);
    const std::string userId = request.GetOr("user-id");
    const std::optional<bool> marked = mark(userId, *id);
    if (!marked)
        return AdminResult::Refused("the store failed to mark the " + std::string(noun) + " deleted", 500);
    if (!*marked)
        return AdminResult::Refused("account \"" + userId.substr(0, 64) + "\" has no " + std::string(noun) +
                                        " " + std::to_string(*id),
                                    404);
    AdminResult result;
    result.records.push_back(AdminRecord().Add("id", std::to_string(*id)).Add("deleted", "true"));
    return result;
}
