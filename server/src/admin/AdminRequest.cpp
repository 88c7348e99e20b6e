#include "admin/AdminRequest.h"

#include <charconv>

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
