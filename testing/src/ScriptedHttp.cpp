#include "testing/ScriptedHttp.h"

#include <deque>
#include <mutex>

namespace {

// An answer as a server sends it: an unset content length is the body's size, and a body of an
// answer without an error arrived whole.
HttpResponse Completed(HttpResponse response)
{
    if (!response.contentLength)
        response.contentLength = response.body.size();
    if (response.status != 0 && response.error.empty())
        response.bodyComplete = true;
    return response;
}

} // namespace

struct CScriptedHttp::Script {
    mutable std::mutex mutex;
    std::deque<HttpResponse> answers;
    Responder responder;
    std::vector<RecordedRequest> requests;
    int clients = 0;

    HttpResponse Take(RecordedRequest request)
    {
        Responder answerRest;
        {
            std::lock_guard lock(mutex);
            requests.push_back(request);
            if (!answers.empty()) {
                HttpResponse answer = std::move(answers.front());
                answers.pop_front();
                return answer;
            }
            answerRest = responder;
        }
        if (answerRest)
            return Completed(answerRest(request));
        HttpResponse none;
        none.error = "no scripted answer for " + request.method + " " + request.target;
        return none;
    }
};

namespace {

bool ReadWhole(CHttpBodySource& source, std::string& body)
{
    body.resize(source.Size());
    const std::optional<std::size_t> read =
        source.Read(0, {reinterpret_cast<std::uint8_t*>(body.data()), body.size()});
    return read && *read == body.size();
}

// Hands the scripted body to the sink, as a client would while it arrives; the answer then keeps no body.
void Deliver(HttpResponse& answer, CHttpAnswerSink& sink)
{
    std::string body;
    body.swap(answer.body);
    std::string why;
    const bool taken = sink.Begin(answer, why) &&
                       sink.Write(0, {reinterpret_cast<const std::uint8_t*>(body.data()), body.size()}, why);
    if (!taken) {
        answer.bodyComplete = false;
        answer.error = "answer not taken: " + why;
    }
}

class CScriptedHttpClient final : public CHttpClient {
public:
    CScriptedHttpClient(std::shared_ptr<CScriptedHttp::Script> script, int number)
        : m_script(std::move(script))
        , m_number(number)
    {
    }

    bool Open(const HttpUrl&, const HttpOptions&, std::string& error) override
    {
        error.clear();
        m_open = true;
        return true;
    }

    HttpResponse Transfer(std::string_view method, std::string_view path, const std::vector<std::string>& headerLines,
                          HttpTransfer& transfer) override
    {
        HttpResponse answer;
        if (!m_open) {
            answer.error = "no connection is open";
            return answer;
        }
        std::string body;
        if (transfer.body && !ReadWhole(*transfer.body, body)) {
            answer.error = "request body could not be read";
            return answer;
        }
        answer = m_script->Take(RecordedRequest{std::string(method), std::string(path), headerLines, body, m_number});
        if (transfer.answer && answer.status != 0)
            Deliver(answer, *transfer.answer);
        return answer;
    }

    void Close() override { m_open = false; }

private:
    std::shared_ptr<CScriptedHttp::Script> m_script;
    int m_number;
    bool m_open = false;
};

} // namespace

CScriptedHttp::CScriptedHttp()
    : m_script(std::make_shared<Script>())
{
    CHttpClient::InstallFactory([script = m_script]() -> std::unique_ptr<CHttpClient> {
        int number = 0;
        {
            std::lock_guard lock(script->mutex);
            number = ++script->clients;
        }
        return std::make_unique<CScriptedHttpClient>(script, number);
    });
}

CScriptedHttp::~CScriptedHttp()
{
    CHttpClient::InstallFactory({});
}

HttpResponse CScriptedHttp::Ok(Headers headers, std::string body)
{
    HttpResponse response;
    response.status = 200;
    response.headers = std::move(headers);
    response.body = std::move(body);
    return response;
}

void CScriptedHttp::Answer(Headers headers, std::string body)
{
    Answer(Ok(std::move(headers), std::move(body)));
}

void CScriptedHttp::Answer(HttpResponse response)
{
    std::lock_guard lock(m_script->mutex);
    m_script->answers.push_back(Completed(std::move(response)));
}

void CScriptedHttp::Respond(Responder responder)
{
    std::lock_guard lock(m_script->mutex);
    m_script->responder = std::move(responder);
}

void CScriptedHttp::Reset()
{
    std::lock_guard lock(m_script->mutex);
    m_script->answers.clear();
    m_script->responder = {};
    m_script->requests.clear();
}

std::vector<RecordedRequest> CScriptedHttp::Requests() const
{
    std::lock_guard lock(m_script->mutex);
    return m_script->requests;
}

std::vector<std::string> CScriptedHttp::Commands() const
{
    std::vector<std::string> commands;
    for (const RecordedRequest& request : Requests())
        commands.push_back(request.Header("QX-Command").value_or(""));
    return commands;
}

std::size_t CScriptedHttp::PendingAnswers() const
{
    std::lock_guard lock(m_script->mutex);
    return m_script->answers.size();
}
