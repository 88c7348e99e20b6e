#include "protocol/ProtocolMessage.h"

#include "utils/AsciiFold.h"
#include "utils/Base64.h"

std::optional<std::string> FindHeader(const HeaderList& headers, std::string_view name)
{
    for (const auto& [key, value] : headers) {
        if (EqualsFolded(key, name))
            return value;
    }
    return std::nullopt;
}

std::string ProtocolRequest::HeaderOr(std::string_view name, std::string_view fallback) const
{
    const std::optional<std::string> value = Header(name);
    return value ? *value : std::string(fallback);
}

ProtocolResponse& ProtocolResponse::AddHeader(std::string name, std::string value)
{
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
}

ProtocolResponse ProtocolResponse::Error(std::string code, std::string_view message)
{
    ProtocolResponse response;
    response.AddHeader("QX-ErrorCode", std::move(code));
    response.AddHeader("QX-ErrorMessage", Base64Encode(message));
    return response;
}

ProtocolResponse ProtocolResponse::Refusal(int status, std::string_view reason)
{
    ProtocolResponse response;
    response.status = status;
    response.body = std::string(reason) + "\n";
    response.contentType = "text/plain; charset=utf-8";
    return response;
}
