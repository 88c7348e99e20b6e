#include "HttpClientCurl.h"

#include "platform/HttpResponseHead.h"
#include "utils/AsciiFold.h"

#include <curl/curl.h>

#include <array>
#include <mutex>

namespace {

// Response headers beyond this many bytes end the request: a peer cannot make us collect without end.
constexpr std::size_t kMaxHeaderBytes = 1024 * 1024;

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsSafePath(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return false;
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F || c == '#')
            return false;
    }
    return true;
}

// libcurl takes "Name:" as "leave this header out" and "Name;" as "send it empty"; a line whose value
// is empty must therefore be handed over in the second form to go out at all.
std::string CurlHeaderLine(const std::string& line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || !TrimHttpBlanks(std::string_view(line).substr(colon + 1)).empty())
        return line;
    return line.substr(0, colon) + ";";
}

class CurlHeaderList {
public:
    ~CurlHeaderList() { curl_slist_free_all(m_list); }
    bool Append(const std::string& line)
    {
        curl_slist* grown = curl_slist_append(m_list, line.c_str());
        if (!grown)
            return false;
        m_list = grown;
        return true;
    }
    curl_slist* Get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

class CHttpClientCurl final : public CHttpClient {
public:
    ~CHttpClientCurl() override { Close(); }

    bool Open(const HttpUrl& server, const HttpOptions& options, std::string& error) override
    {
        error.clear();
        if (m_handle) {
            error = "a connection is already open";
            return false;
        }
        InitCurlOnce();
        m_handle = curl_easy_init();
        if (!m_handle) {
            error = "libcurl could not create a handle";
            return false;
        }
        m_options = options;
        m_base = server.scheme + "://" + server.host + ":" + std::to_string(server.port);
        SetConnectionOptions();
        return true;
    }

    HttpResponse Transfer(std::string_view method, std::string_view path, const std::vector<std::string>& headerLines,
                          HttpTransfer& transfer) override
    {
        HttpResponse response;
        if (!m_handle) {
            response.error = "no connection is open";
            return response;
        }
        if (!IsSafePath(path)) {
            response.error = "request path \"" + std::string(path) + "\" holds blanks, controls or '#'";
            return response;
        }
        CurlHeaderList headers;
        if (!BuildHeaderList(headerLines, headers, response.error))
            return response;

        const std::string url = m_base + std::string(path);
        const std::string verb(method);
        curl_easy_setopt(m_handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(m_handle, CURLOPT_HTTPHEADER, headers.Get());
        curl_easy_setopt(m_handle, CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
        if (verb == "GET" && !transfer.body) {
            curl_easy_setopt(m_handle, CURLOPT_HTTPGET, 1L);
        } else {
            curl_easy_setopt(m_handle, CURLOPT_POST, 1L);
            // Without a source the empty body goes as fields: a POST that reads nothing still must
            // not fall back to libcurl's default reader (standard input).
            curl_easy_setopt(m_handle, CURLOPT_POSTFIELDS, transfer.body ? nullptr : "");
            const std::uint64_t size = transfer.body ? transfer.body->Size() : 0;
            curl_easy_setopt(m_handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
            if (verb != "POST")
                curl_easy_setopt(m_handle, CURLOPT_CUSTOMREQUEST, verb.c_str());
        }
        // The cap guards memory; a sink keeps what it is given elsewhere and sets its own bounds.
        const curl_off_t cap = transfer.answer ? 0 : static_cast<curl_off_t>(m_options.maxBodyBytes);
        curl_easy_setopt(m_handle, CURLOPT_MAXFILESIZE_LARGE, cap);

        m_current = &response;
        m_transfer = &transfer;
        m_head = CHttpResponseHead();
        m_headerBytes = 0;
        m_bodyBytes = 0;
        m_sendOffset = 0;
        m_refusal.clear();
        m_stopped = false;
        m_errorBuffer[0] = '\0';
        const CURLcode code = curl_easy_perform(m_handle);
        m_current = nullptr;
        m_transfer = nullptr;
        curl_easy_setopt(m_handle, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
        curl_easy_setopt(m_handle, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));
        Finish(code, response);
        return response;
    }

    void Close() override
    {
        if (m_handle)
            curl_easy_cleanup(m_handle);
        m_handle = nullptr;
    }

private:
    void SetConnectionOptions()
    {
        curl_easy_setopt(m_handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(m_handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(m_handle, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(m_handle, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!m_options.caFile.empty())
            curl_easy_setopt(m_handle, CURLOPT_CAINFO, m_options.caFile.c_str());
        if (!m_options.userAgent.empty())
            curl_easy_setopt(m_handle, CURLOPT_USERAGENT, m_options.userAgent.c_str());
        curl_easy_setopt(m_handle, CURLOPT_CONNECTTIMEOUT_MS, m_options.connectTimeoutMs);
        curl_easy_setopt(m_handle, CURLOPT_TIMEOUT_MS, m_options.transferTimeoutMs);
        curl_easy_setopt(m_handle, CURLOPT_ERRORBUFFER, m_errorBuffer.data());
        curl_easy_setopt(m_handle, CURLOPT_HEADERFUNCTION, &CHttpClientCurl::OnHeader);
        curl_easy_setopt(m_handle, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(m_handle, CURLOPT_WRITEFUNCTION, &CHttpClientCurl::OnBody);
        curl_easy_setopt(m_handle, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_handle, CURLOPT_READFUNCTION, &CHttpClientCurl::OnRead);
        curl_easy_setopt(m_handle, CURLOPT_READDATA, this);
        curl_easy_setopt(m_handle, CURLOPT_SEEKFUNCTION, &CHttpClientCurl::OnSeek);
        curl_easy_setopt(m_handle, CURLOPT_SEEKDATA, this);
        curl_easy_setopt(m_handle, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(m_handle, CURLOPT_XFERINFOFUNCTION, &CHttpClientCurl::OnProgress);
        curl_easy_setopt(m_handle, CURLOPT_XFERINFODATA, this);
    }

    // Our lines exactly as given, after entries that keep libcurl from adding its own "Accept:",
    // "Expect:" and (for a body without one) "Content-Type:".
    static bool BuildHeaderList(const std::vector<std::string>& lines, CurlHeaderList& list, std::string& error)
    {
        bool hasContentType = false;
        for (const std::string& line : lines) {
            if (line.find_first_of("\r\n") != std::string::npos) {
                error = "header line \"" + line.substr(0, line.find_first_of("\r\n")) + "\" holds a line break";
                return false;
            }
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos && EqualsFolded(TrimHttpBlanks(line.substr(0, colon)), "Content-Type"))
                hasContentType = true;
        }
        bool ok = list.Append("Accept:") && list.Append("Expect:");
        if (!hasContentType)
            ok = ok && list.Append("Content-Type:");
        for (const std::string& line : lines)
            ok = ok && list.Append(CurlHeaderLine(line));
        if (!ok)
            error = "out of memory for the request headers";
        return ok;
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* self = static_cast<CHttpClientCurl*>(user);
        const std::size_t length = size * count;
        self->m_headerBytes += length;
        if (self->m_headerBytes > kMaxHeaderBytes) {
            self->m_refusal = "response headers exceed " + std::to_string(kMaxHeaderBytes) + " bytes";
            return 0;
        }
        if (self->m_head.Take(std::string_view(data, length)))
            return self->EndOfHeaders() ? length : 0;
        return length;
    }

    // The blank line after a head: the sink learns of the final answer before its body.
    bool EndOfHeaders()
    {
        if (!m_head.Ended() || !m_transfer->answer)
            return true;
        HttpResponse head;
        head.status = m_head.Status();
        head.headers = m_head.Fields();
        curl_off_t announced = -1;
        curl_easy_getinfo(m_handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced >= 0)
            head.contentLength = static_cast<std::uint64_t>(announced);
        std::string why;
        if (m_transfer->answer->Begin(head, why))
            return true;
        m_refusal = "answer refused: " + why;
        return false;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* self = static_cast<CHttpClientCurl*>(user);
        const std::size_t length = size * count;
        const std::uint64_t offset = self->m_bodyBytes;
        self->m_bodyBytes += length;
        if (CHttpAnswerSink* sink = self->m_transfer->answer) {
            std::string why;
            if (sink->Write(offset, {reinterpret_cast<const std::uint8_t*>(data), length}, why))
                return length;
            self->m_refusal = "answer body not taken: " + why;
            return 0;
        }
        std::string& body = self->m_current->body;
        const std::uint64_t cap = self->m_options.maxBodyBytes;
        if (length > cap || body.size() > cap - length) {
            self->m_refusal = "response body exceeds the cap of " + std::to_string(cap) + " bytes";
            return 0;
        }
        if (body.empty()) {
            curl_off_t announced = -1;
            curl_easy_getinfo(self->m_handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
            if (announced > 0 && static_cast<std::uint64_t>(announced) <= cap)
                body.reserve(static_cast<std::size_t>(announced));
        }
        body.append(data, length);
        return length;
    }

    static std::size_t OnRead(char* buffer, std::size_t size, std::size_t count, void* user)
    {
        auto* self = static_cast<CHttpClientCurl*>(user);
        CHttpBodySource* source = self->m_transfer->body;
        if (!source)
            return 0;
        const std::optional<std::size_t> read =
            source->Read(self->m_sendOffset, {reinterpret_cast<std::uint8_t*>(buffer), size * count});
        if (!read) {
            self->m_refusal = "request body could not be read at byte " + std::to_string(self->m_sendOffset);
            return CURL_READFUNC_ABORT;
        }
        self->m_sendOffset += *read;
        return *read;
    }

    // libcurl rewinds when it has to send the body again (a connection that was closed meanwhile).
    static int OnSeek(void* user, curl_off_t offset, int origin)
    {
        auto* self = static_cast<CHttpClientCurl*>(user);
        if (origin != SEEK_SET || offset < 0)
            return CURL_SEEKFUNC_CANTSEEK;
        self->m_sendOffset = static_cast<std::uint64_t>(offset);
        return CURL_SEEKFUNC_OK;
    }

    static int OnProgress(void* user, curl_off_t toReceive, curl_off_t received, curl_off_t toSend, curl_off_t sent)
    {
        auto* self = static_cast<CHttpClientCurl*>(user);
        const HttpTransfer& transfer = *self->m_transfer;
        if (transfer.progress)
            transfer.progress(HttpProgress{static_cast<std::uint64_t>(sent), static_cast<std::uint64_t>(toSend),
                                           static_cast<std::uint64_t>(received),
                                           static_cast<std::uint64_t>(toReceive)});
        if (!transfer.stopRequested || !transfer.stopRequested())
            return 0;
        self->m_stopped = true;
        return 1;
    }

    void Finish(CURLcode code, HttpResponse& response)
    {
        long status = 0;
        curl_easy_getinfo(m_handle, CURLINFO_RESPONSE_CODE, &status);
        if (status == 0)
            status = m_head.Status();
        response.headers = m_head.Fields();
        curl_off_t announced = -1;
        curl_easy_getinfo(m_handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced >= 0)
            response.contentLength = static_cast<std::uint64_t>(announced);

        // libcurl takes a connection closed inside the head as the end of an answer without a body.
        if (code == CURLE_OK && m_head.Ended()) {
            response.status = status;
            response.bodyComplete = true;
            return;
        }
        response.stopped = m_stopped;
        if (m_stopped)
            response.error = "stopped";
        else if (code == CURLE_OK)
            response.error = "the connection closed inside the answer's head";
        else if (!m_refusal.empty())
            response.error = m_refusal;
        else if (code == CURLE_FILESIZE_EXCEEDED)
            response.error = "announced response body exceeds the cap of " + std::to_string(m_options.maxBodyBytes) +
                             " bytes";
        else if (m_errorBuffer[0] != '\0')
            response.error = m_errorBuffer.data();
        else
            response.error = curl_easy_strerror(code);
        response.error = m_base + ": " + response.error;
        // Once the head has ended the response stays what it was; only its body is not whole. A head cut
        // off, or refused for the length it announces before it ended, is no answer: the headers missing
        // from it (an error report, the session id, a key) would otherwise go unnoticed.
        response.status = m_head.Ended() ? status : 0;
        response.bodyComplete = false;
        if (response.status == 0)
            response.headers.clear();
    }

    CURL* m_handle = nullptr;
    HttpOptions m_options;
    std::string m_base;
    std::array<char, CURL_ERROR_SIZE> m_errorBuffer{};
    HttpResponse* m_current = nullptr;
    HttpTransfer* m_transfer = nullptr;
    CHttpResponseHead m_head;
    std::size_t m_headerBytes = 0;
    std::uint64_t m_bodyBytes = 0;
    std::uint64_t m_sendOffset = 0;
    std::string m_refusal;
    bool m_stopped = false;
};

} // namespace

std::unique_ptr<CHttpClient> CreateCurlHttpClient()
{
    return std::make_unique<CHttpClientCurl>();
}
