#include "TestHandset.h"

#include "protocol/Credentials.h"
#include "utils/Base64.h"

#include <httplib.h>

namespace {

constexpr int kTimeoutSeconds = 20;
constexpr std::uint32_t kPushWaitMs = 10000;

} // namespace

std::string HandsetAnswer::ErrorMessage() const
{
    return Base64DecodeLenient(Header("QX-ErrorMessage").value_or(""));
}

CTestHandset::CTestHandset(const std::string& baseUrl, std::string objectPath, std::string deviceId)
    : m_client(std::make_unique<httplib::Client>(baseUrl)), m_objectPath(std::move(objectPath)),
      m_deviceId(std::move(deviceId))
{
    m_client->set_keep_alive(true);
    m_client->set_tcp_nodelay(true);
    m_client->set_connection_timeout(kTimeoutSeconds);
    m_client->set_read_timeout(kTimeoutSeconds);
    m_client->set_write_timeout(kTimeoutSeconds);
}

CTestHandset::~CTestHandset() = default;

HandsetAnswer CTestHandset::Raw(std::string_view method, const std::string& path, const HeaderList& headers,
                                std::string_view body)
{
    httplib::Headers sent;
    for (const auto& [name, value] : headers)
        sent.emplace(name, value);
    httplib::Request request;
    request.method = std::string(method);
    request.path = path;
    request.headers = sent;
    request.body = std::string(body);
    if (!body.empty() && !request.has_header("Content-Type"))
        request.set_header("Content-Type", "application/octet-stream");
    HandsetAnswer answer;
    httplib::Result result = m_client->send(request);
    if (!result)
        return answer;
    answer.status = result->status;
    for (const auto& [name, value] : result->headers)
        answer.headers.emplace_back(name, value);
    answer.body = result->body;
    return answer;
}

HandsetAnswer CTestHandset::Send(std::string_view command, const HeaderList& extra, std::string_view body)
{
    HeaderList headers = {
        {"Content-Type", "application/octet-stream"},
        {"user-agent", "TestMaker-Phone/OEM/PocketPC/WindowsCE_5.1.1700"},
        {"qx-useragent", "TestMaker-Phone/OEM/PocketPC/WindowsCE_5.1.1700"},
        {"QX-Agent", "WinCEMobile/1.0.0"},
        {"accept-language", "en-us"},
        {"QX-DeviceID", m_deviceId},
        {"QX-Command", std::string(command)},
    };
    if (!userKey.empty())
        headers.emplace_back("QX-Ukey", userKey);
    if (!userId.empty())
        headers.emplace_back("QX-UserID", userId);
    if (!password.empty())
        headers.emplace_back("QX-Password", password);
    headers.insert(headers.end(), extra.begin(), extra.end());
    std::string path = m_objectPath;
    if (!sessionId.empty())
        path += "/" + std::to_string(m_tick++) + ";" + sessionId;
    return Raw(body.empty() ? "GET" : "POST", path, headers, body);
}

HandsetAnswer CTestHandset::StartNegotiation(std::string_view configVersion)
{
    sessionId.clear();
    HeaderList extra;
    if (!configVersion.empty())
        extra.emplace_back("QX-ConfigVersion", std::string(configVersion));
    HandsetAnswer answer = Send("StartNegotiation", extra);
    sessionId = answer.Header("QX-SessionID").value_or("");
    challenge = answer.Header("QX-Challenge").value_or("");
    return answer;
}

std::string CTestHandset::ChallengeResponse() const
{
    return KeyedDigest(challenge, deviceKey);
}

HandsetAnswer CTestHandset::CompleteNegotiation(std::string_view operation)
{
    return Send("CompleteNegotiation", {{"QX-Challenge", ChallengeResponse()},
                                        {"QX-Initiator", "Manual"},
                                        {"QX-Operation", std::string(operation)}});
}

bool CTestHandset::Negotiate(std::string_view operation)
{
    const HandsetAnswer started = StartNegotiation();
    if (started.status != 200 || started.HasError() || sessionId.empty())
        return false;
    const HandsetAnswer completed = CompleteNegotiation(operation);
    return completed.status == 200 && !completed.HasError();
}

std::string CTestHandset::StoreSettingsBody(int period)
{
    std::string body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><QXSync xmlns:xsi=\"http://www.w3.org/2001/"
                       "XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"QXSync.xsd\" version=\"1.0\" "
                       "timestamp=\"1\"><setting-list>";
    const auto add = [&body](std::string_view name, std::string_view value) {
        body += "<setting name=\"" + std::string(name) + "\" value=\"" + std::string(value) + "\"/>";
    };
    add("Sync-Period", std::to_string(period));
    for (const char* name :
         {"Sync-Contacts", "Sync-Contacts-Auto", "Sync-Events", "Sync-Sms", "Sync-Images", "Sync-Video",
          "Sync-Audio", "Sync-Other", "Sync-Direction-Contacts", "Sync-Direction-Events"})
        add(name, "false");
    add("Image-Download-Dir", "/home/user/Pictures/");
    add("Video-Download-Dir", "/home/user/Videos/");
    add("Audio-Download-Dir", "/home/user/Music/");
    add("Other-Download-Dir", "/home/user/Documents/");
    for (const char* name : {"Sync-Direction-Images", "Sync-Direction-Video", "Sync-Direction-Audio",
                             "Sync-Direction-Other", "Sync-Memory", "Sync-Card"})
        add(name, "true");
    return body + "</setting-list></QXSync>";
}

CPushListener::CPushListener()
{
    m_socket.Bind("127.0.0.1", 0);
}

std::optional<std::string> CPushListener::Next()
{
    std::optional<Datagram> datagram = m_socket.Receive(kPushWaitMs);
    if (!datagram)
        return std::nullopt;
    return datagram->bytes;
}

bool CPushListener::Quiet(int milliseconds)
{
    return !m_socket.Receive(static_cast<std::uint32_t>(milliseconds));
}
