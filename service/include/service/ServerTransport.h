#pragma once
// The one connection to the account server: the request header block being built, the session id and
// cookie of the current server session, and the latest response.
//
// One per process, created by the first ConnectServer and destroyed by ReleaseService. Used by one
// flow at a time (the worker thread); not locked.

#include "platform/HttpClient.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// The status of an answer the server gave to a request it took.
inline constexpr long kHttpOk = 200;

class ServerTransport {
public:
    ServerTransport();
    ~ServerTransport();

    // Opens a connection to `url` (certificates verified; the device configuration's "ca-file" adds
    // trusted CAs); `agent` is the User-Agent of requests whose header block has none. False when one is
    // already open, or when the address cannot be split (the transport then stays open, unusable, until
    // Close) or connected to.
    bool Open(std::u16string_view agent, std::u16string_view url);
    void Close();
    bool IsOpen() const;

    void ResetHeaders(); // "Content-Type: application/octet-stream"
    void ClearSession(); // forgets cookie and session id
    // Header names are given with their ": " (or ":" for the two lower-case agent headers).
    void AddHeader(std::u16string_view name, const std::u16string* value);
    void AddHeader(std::u16string_view name, std::u16string_view value);
    void AddNumberHeader(std::u16string_view name, std::int32_t value);
    // Both encode at most 1024 bytes of the text's UTF-8 (cut before a character that would not fit).
    // The Base64 value stays on one line: a line break would end the header on the wire.
    void AddBase64Header(std::u16string_view name, std::u16string_view text);
    void AddQuotedPrintableHeader(std::u16string_view name, std::u16string_view text);
    void SaveHeaders();
    void RestoreHeaders();
    const std::u16string& HeaderBlock() const { return m_headers; }

    // Sends one request with the header block to the object path, followed by "/<tick>;<session id>"
    // while there is a session id; without one, a cookie goes along as "Cookie: " (for this request
    // only; the block is not changed). Keeps the answer's Set-Cookie (cut at ";") and QX-SessionID.
    // Returns the HTTP status; 0 when nothing was answered (the reason is logged).
    long SendRequest(std::u16string_view verb, std::span<const std::uint8_t> body);
    // The same with a text body (its bytes as they are; UTF-8 for documents).
    long SendRequest(std::u16string_view verb, std::string_view body);
    // The same streaming: the body from the transfer's source, the answer's body to its sink (then
    // ReadBody finds none), with its progress and stop request.
    long SendRequest(std::u16string_view verb, HttpTransfer& transfer);
    // The whole body of the latest response as text (UTF-8 decoded); false (text empty, reason logged)
    // without Content-Length, or when the body was shorter than announced or refused for its size.
    bool ReadBody(std::u16string& text);
    // The same as raw bytes (file chunks).
    bool ReadBodyBytes(std::string& bytes);
    // The same without a copy, for large answers; the bytes stay valid until the next request.
    bool ReadBodyView(std::string_view& bytes) const;
    // First occurrence of a response header of the latest response, name compared without regard to
    // case; `name` may carry its ": ". A value of more than 1024 bytes counts as absent (and is logged).
    bool QueryHeader(std::u16string_view name, std::u16string& value) const;

    const std::u16string& SessionId() const { return m_sessionId; }
    const std::u16string& Cookie() const { return m_cookie; }
    const std::u16string& ObjectPath() const { return m_objectPath; }

private:
    std::unique_ptr<CHttpClient> m_connection;
    HttpResponse m_response;
    std::u16string m_cookie;
    std::u16string m_objectPath;
    std::u16string m_headers;
    std::u16string m_savedHeaders;
    std::u16string m_sessionId;
};
