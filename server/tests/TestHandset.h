#pragma once
// Stand-ins for a handset in the server's tests: protocol requests as the handset sends them (its
// header names and values, the session in the path), and a UDP port that receives its pushes.

#include "platform/UdpSocket.h"
#include "protocol/ProtocolMessage.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace httplib {
class Client;
}

struct HandsetAnswer {
    int status = 0; // 0: no answer at all
    HeaderList headers;
    std::string body;

    std::optional<std::string> Header(std::string_view name) const { return FindHeader(headers, name); }
    bool HasError() const { return Header("QX-ErrorCode").has_value(); }
    std::string ErrorCode() const { return Header("QX-ErrorCode").value_or(""); }
    // The decoded QX-ErrorMessage.
    std::string ErrorMessage() const;
};

class CTestHandset {
public:
    // `baseUrl`: "http://127.0.0.1:<port>". One kept-alive connection, as the handset keeps one.
    CTestHandset(const std::string& baseUrl, std::string objectPath, std::string deviceId);
    ~CTestHandset();

    // Credentials sent with every request (empty: header left out).
    std::string deviceKey;
    std::string userKey;
    std::string userId;
    std::string password;
    std::string sessionId;
    std::string challenge;

    // One request with the standard header block; POST when there is a body.
    HandsetAnswer Send(std::string_view command, const HeaderList& extra = {}, std::string_view body = {});
    // Any method, path and headers, for requests no handset would send.
    HandsetAnswer Raw(std::string_view method, const std::string& path, const HeaderList& headers,
                      std::string_view body = {});

    // StartNegotiation (with QX-ConfigVersion when not empty); keeps the session id and challenge.
    HandsetAnswer StartNegotiation(std::string_view configVersion = {});
    // CompleteNegotiation with the right challenge response for deviceKey.
    HandsetAnswer CompleteNegotiation(std::string_view operation = "Sync");
    // Both, expecting success.
    bool Negotiate(std::string_view operation = "Sync");
    std::string ChallengeResponse() const;

    // The settings document a handset stores: the 21 values, with `period` as Sync-Period.
    static std::string StoreSettingsBody(int period);

private:
    std::unique_ptr<httplib::Client> m_client;
    std::string m_objectPath;
    std::string m_deviceId;
    int m_tick = 1000;
};

class CPushListener {
public:
    CPushListener();
    int Port() const { return m_socket.LocalPort(); }
    // The next datagram's text within 10 s.
    std::optional<std::string> Next();
    // True when nothing arrives within `milliseconds`.
    bool Quiet(int milliseconds);

private:
    CUdpSocket m_socket;
};
