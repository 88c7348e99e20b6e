#include "admin/AdminRequest.h"

#include <charconv>

AdminResult AdminResult::Refused(std::string reason, int status)
{
    AdminResult result;
    result.status = status;
    result.error = std::move(reason);
    return result;
}

std::optional<std::string> AdminRequest::Get(std::string_view name) const
{
    for (const auto& [key, value] : fields) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

std::string AdminRequest::GetOr(std::string_view name, std::string_view fallback) const
{
    const std::optional<std::string> value = Get(name);
    return value ? *value : std::string(fallback);
}

std::vector<std::string> AdminRequest::GetAll(std::string_view name) const
{
    std::vector<std::string> values;
    for (const auto& [key, value] : fields) {
        if (key == name)
            values.push_back(value);
    }
    return values;
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

std::optional<KeyDelivery> ParseKeyDelivery(std::string_view word)
{
    if (word == "header")
        return KeyDelivery::Header;
    if (word == "push")
        return KeyDelivery::Push;
    return std::nullopt;
}
