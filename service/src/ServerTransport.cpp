#include "service/ServerTransport.h"

#include "ServiceLog.h"

#include "platform/Clock.h"
#include "platform/DeviceConfig.h"
#include "utils/AsciiFold.h"
#include "utils/Base64.h"
#include "utils/QuotedPrintable.h"
#include "utils/Utf.h"

#include <optional>
#include <vector>

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";
// Header values are read into a buffer of this size; a longer value counts as absent.
constexpr std::size_t kHeaderValueBytes = 1024;
// The cookie is read into a buffer of its own, of this size.
constexpr std::size_t kCookieBytes = 2048;
// Text encoded into a header value is cut to this many UTF-8 bytes.
constexpr std::size_t kEncodedInputBytes = 1024;

// The header name as the server sent it is compared without its ": " and without regard to case.
std::string_view BareName(std::string_view name)
{
    while (!name.empty() && (name.back() == ' ' || name.back() == ':'))
        name.remove_suffix(1);
    return name;
}

const std::string* FindHeader(const HttpResponse& response, std::string_view name)
{
    const std::string_view bare = BareName(name);
    for (const auto& [headerName, value] : response.headers) {
        if (EqualsFolded(headerName, bare))
            return &value;
    }
    return nullptr;
}

// An answer that asks for a server dialog carries the dialog's description, not what the request's
// sink expects: its body is kept for the executor instead, capped as any answer kept in memory.
class CDialogAwareSink final : public CHttpAnswerSink {
public:
    CDialogAwareSink(CHttpAnswerSink& sink, std::string& kept) : m_sink(sink), m_kept(kept) {}

    bool Begin(const HttpResponse& head, std::string& error) override
    {
        m_keeps = FindHeader(head, "QX-GenericDialog") != nullptr;
        return m_keeps || m_sink.Begin(head, error);
    }

    bool Write(std::uint64_t offset, std::span<const std::uint8_t> bytes, std::string& error) override
    {
        if (!m_keeps)
            return m_sink.Write(offset, bytes, error);
        if (bytes.size() > kMaxKeptBytes - m_kept.size()) {
            error = "a dialog description of more than " + std::to_string(kMaxKeptBytes) + " bytes";
            return false;
        }
        m_kept.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return true;
    }

    bool Keeps() const { return m_keeps; }

private:
    static constexpr std::size_t kMaxKeptBytes = HttpOptions{}.maxBodyBytes;
    CHttpAnswerSink& m_sink;
    std::string& m_kept;
    bool m_keeps = false;
};

// At most `limit` bytes of UTF-8, never ending inside a character.
std::string_view CutUtf8(std::string_view bytes, std::size_t limit)
{
    if (bytes.size() <= limit)
        return bytes;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    return bytes.substr(0, end);
}

// The header block as the lines the HTTP client sends.
std::vector<std::string> HeaderLines(std::u16string_view block)
{
    std::vector<std::string> lines;
    while (!block.empty()) {
        const std::size_t end = block.find(kLineEnd);
        const std::u16string_view line = block.substr(0, end);
        if (!line.empty())
            lines.push_back(Utf16ToUtf8(line));
        if (end == std::u16string_view::npos)
            break;
        block.remove_prefix(end + kLineEnd.size());
    }
    return lines;
}

} // namespace

ServerTransport::ServerTransport() = default;

ServerTransport::~ServerTransport()
{
    Close();
}

bool ServerTransport::Open(std::u16string_view agent, std::u16string_view url)
{
    if (m_connection)
        return false;
    m_connection = CHttpClient::Create();
    HttpUrl parts;
    const std::string address = Utf16ToUtf8(url);
    if (!SplitHttpUrl(address, parts)) {
        // The session stays open, as on the handset: the next ConnectServer needs a DisconnectServer.
        LogLine("server address \"" + address + "\" is not an http or https address");
        return false;
    }
    m_objectPath = Utf8ToUtf16(parts.path);
    HttpOptions options;
    options.caFile = CDeviceConfig::GetOr("ca-file", "");
    options.userAgent = Utf16ToUtf8(agent);
    std::string error;
    if (!m_connection->Open(parts, options, error)) {
        LogLine("server connection to \"" + address + "\" failed: " + error);
        m_connection.reset();
        return false;
    }
    return true;
}

void ServerTransport::Close()
{
    if (m_connection)
        m_connection->Close();
    m_connection.reset();
    m_response = HttpResponse{};
}

bool ServerTransport::IsOpen() const
{
    return m_connection != nullptr;
}

void ServerTransport::ResetHeaders()
{
    m_headers = u"Content-Type: application/octet-stream";
    m_headers += kLineEnd;
}

void ServerTransport::ClearSession()
{
    m_cookie.clear();
    m_sessionId.clear();
}

void ServerTransport::AddHeader(std::u16string_view name, const std::u16string* value)
{
    m_headers += name;
    if (value)
        m_headers += *value;
    m_headers += kLineEnd;
}

void ServerTransport::AddHeader(std::u16string_view name, std::u16string_view value)
{
    m_headers += name;
    m_headers += value;
    m_headers += kLineEnd;
}

void ServerTransport::AddNumberHeader(std::u16string_view name, std::int32_t value)
{
    AddHeader(name, Utf8ToUtf16(std::to_string(value)));
}

void ServerTransport::AddBase64Header(std::u16string_view name, std::u16string_view text)
{
    const std::string utf8 = Utf16ToUtf8(text);
    // One line: a line break inside the value would end the header on the wire, and servers drop
    // what follows it. Our peers decode the value skipping anything outside the alphabet, so the
    // unbroken form reads the same to them.
    AddHeader(name, Latin1ToUtf16(Base64Encode(CutUtf8(utf8, kEncodedInputBytes))));
}

void ServerTransport::AddQuotedPrintableHeader(std::u16string_view name, std::u16string_view text)
{
    const std::string utf8 = Utf16ToUtf8(text);
    AddHeader(name, Latin1ToUtf16(QuotedPrintableHeader(CutUtf8(utf8, kEncodedInputBytes))));
}

void ServerTransport::SaveHeaders()
{
    m_savedHeaders = m_headers;
}

void ServerTransport::RestoreHeaders()
{
    m_headers = m_savedHeaders;
}

long ServerTransport::SendRequest(std::u16string_view verb, std::span<const std::uint8_t> body)
{
    return SendRequest(verb, std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
}

long ServerTransport::SendRequest(std::u16string_view verb, std::string_view body)
{
    CStringBodySource source(body);
    HttpTransfer transfer;
    if (!body.empty())
        transfer.body = &source;
    return SendRequest(verb, transfer);
}

long ServerTransport::SendRequest(std::u16string_view verb, HttpTransfer& transfer)
{
    m_response = HttpResponse{};
    if (!m_connection) {
        LogLine("server request: no connection is open");
        return 0;
    }
    std::vector<std::string> lines = HeaderLines(m_headers);
    std::u16string path = m_objectPath;
    if (!m_sessionId.empty()) {
        // The tick makes every address of a session unique, so no cache between us and the server
        // answers a request with an earlier reply. It is written as a signed number ("%d").
        const auto tick = static_cast<std::int32_t>(CClock::Get().TickCount());
        path += u"/" + Utf8ToUtf16(std::to_string(tick)) + u";" + m_sessionId;
    } else if (!m_cookie.empty()) {
        // Sent with this request only, so that a request sent twice does not carry it twice.
        lines.push_back("Cookie: " + Utf16ToUtf8(m_cookie));
    }

    const std::string method = Utf16ToUtf8(verb);
    CHttpAnswerSink* const sink = transfer.answer;
    std::string kept;
    std::optional<CDialogAwareSink> dialogAware;
    if (sink) {
        dialogAware.emplace(*sink, kept);
        transfer.answer = &*dialogAware;
    }
    m_response = m_connection->Transfer(method, Utf16ToUtf8(path), lines, transfer);
    transfer.answer = sink;
    if (dialogAware && dialogAware->Keeps())
        m_response.body = std::move(kept);
    if (m_response.status == 0) {
        LogLine("server request " + method + " failed: " + m_response.error);
        return 0;
    }
    if (!m_response.error.empty())
        LogLine("server answer " + std::to_string(m_response.status) + ": " + m_response.error);

    if (const std::string* cookie = FindHeader(m_response, "Set-Cookie"); cookie && cookie->size() <= kCookieBytes)
        m_cookie = Utf8ToUtf16(cookie->substr(0, cookie->find(';')));
    std::u16string sessionId;
    if (QueryHeader(u"QX-SessionID", sessionId))
        m_sessionId = sessionId;
    return m_response.status;
}

bool ServerTransport::ReadBody(std::u16string& text)
{
    std::string_view bytes;
    const bool whole = ReadBodyView(bytes);
    text = Utf8ToUtf16(bytes);
    return whole;
}

bool ServerTransport::ReadBodyBytes(std::string& bytes)
{
    std::string_view body;
    const bool whole = ReadBodyView(body);
    bytes = body;
    return whole;
}

bool ServerTransport::ReadBodyView(std::string_view& bytes) const
{
    bytes = {};
    if (m_response.status == 0)
        return false;
    if (!m_response.bodyComplete) {
        LogLine("server answer: body not read whole (" + m_response.error + ")");
        return false;
    }
    if (!m_response.contentLength) {
        LogLine("server answer: no Content-Length");
        return false;
    }
    if (m_response.body.size() != *m_response.contentLength) {
        LogLine("server answer: body of " + std::to_string(m_response.body.size()) + " bytes, announced " +
                std::to_string(*m_response.contentLength));
        return false;
    }
    bytes = m_response.body;
    return true;
}

bool ServerTransport::QueryHeader(std::u16string_view name, std::u16string& value) const
{
    value.clear();
    const std::string* found = FindHeader(m_response, Utf16ToUtf8(name));
    if (!found)
        return false;
    if (found->size() > kHeaderValueBytes) {
        LogLine("server answer: value of \"" + std::string(BareName(Utf16ToUtf8(name))) + "\" has " +
                std::to_string(found->size()) + " bytes, more than " + std::to_string(kHeaderValueBytes) +
                "; taken as absent");
        return false;
    }
    value = Utf8ToUtf16(*found);
    return true;
}
