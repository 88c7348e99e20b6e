#include "platform/HttpClient.h"

#include "HttpClientCurl.h"

#include "utils/AsciiFold.h"

#include <algorithm>
#include <charconv>
#include <mutex>

namespace {

std::mutex s_factoryMutex;
CHttpClient::Factory s_factory;

bool HasBlankOrControl(std::string_view text)
{
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

bool ParsePort(std::string_view digits, int& port)
{
    if (digits.empty() || digits.size() > 5)
        return false;
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return false;
    if (value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

} // namespace

bool SplitHttpUrl(std::string_view url, HttpUrl& parts)
{
    parts = HttpUrl{};
    if (HasBlankOrControl(url) || url.find('#') != std::string_view::npos)
        return false;

    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return false;
    const std::string scheme = FoldAscii(url.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https")
        return false;

    std::string_view rest = url.substr(schemeEnd + 3);
    const std::size_t authorityEnd = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view path = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    if (authority.empty() || authority.find('@') != std::string_view::npos)
        return false;

    std::string_view host;
    std::string_view portText;
    if (authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || close == 1)
            return false;
        host = authority.substr(0, close + 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return false;
            portText = after.substr(1);
            if (portText.empty())
                return false;
        }
    } else {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string_view::npos) {
            portText = authority.substr(colon + 1);
            if (portText.empty())
                return false;
        }
        if (host.empty() || host.find_first_of("[]") != std::string_view::npos)
            return false;
    }

    int port = scheme == "https" ? 443 : 80;
    if (!portText.empty() && !ParsePort(portText, port))
        return false;

    parts.scheme = scheme;
    parts.host = std::string(host);
    parts.port = port;
    if (path.empty())
        parts.path = "/";
    else if (path.front() == '?')
        parts.path = "/" + std::string(path);
    else
        parts.path = std::string(path);
    return true;
}

std::optional<std::size_t> CStringBodySource::Read(std::uint64_t offset, std::span<std::uint8_t> buffer)
{
    if (offset >= m_body.size())
        return 0;
    const std::size_t count = std::min<std::uint64_t>(buffer.size(), m_body.size() - offset);
    std::copy_n(m_body.data() + offset, count, buffer.data());
    return count;
}

HttpResponse CHttpClient::Execute(std::string_view method, std::string_view path,
                                  const std::vector<std::string>& headerLines, std::string_view body)
{
    CStringBodySource source(body);
    HttpTransfer transfer;
    if (!body.empty())
        transfer.body = &source;
    return Transfer(method, path, headerLines, transfer);
}

std::unique_ptr<CHttpClient> CHttpClient::Create()
{
    Factory factory;
    {
        std::lock_guard lock(s_factoryMutex);
        factory = s_factory;
    }
    if (factory)
        return factory();
    return CreateCurlHttpClient();
}

void CHttpClient::InstallFactory(Factory factory)
{
    std::lock_guard lock(s_factoryMutex);
    s_factory = std::move(factory);
}
