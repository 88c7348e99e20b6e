#pragma once
// The server at the HTTP client's seam, for tests that drive a flow without a network: while a
// CScriptedHttp lives, every CHttpClient the process creates is one of its clients. Each request is
// recorded (method, path, header lines, body; `connection` numbers the clients) and answered from the
// script: the next queued answer, else the responder's. A request that neither answers fails as a
// broken connection would (status 0, "no scripted answer"), so a flow that sends more than the test
// expected ends with a visible error instead of hanging.
//
// Thread-safe. One at a time per process: it installs the client factory, and its destructor puts
// libcurl back.

#include "platform/HttpClient.h"
#include "testing/RecordedRequest.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CScriptedHttp {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;
    using Responder = std::function<HttpResponse(const RecordedRequest&)>;

    CScriptedHttp();
    ~CScriptedHttp();
    CScriptedHttp(const CScriptedHttp&) = delete;
    CScriptedHttp& operator=(const CScriptedHttp&) = delete;

    // Queues a 200 answer with these headers (in this order) and body.
    void Answer(Headers headers, std::string body = {});
    // Queues any answer. An unset content length is the body's size.
    void Answer(HttpResponse response);
    // Answers what the queue does not (completed as Answer completes a queued answer).
    void Respond(Responder responder);
    // Forgets the queued answers, the responder and the recorded requests (a test's next case).
    void Reset();

    std::vector<RecordedRequest> Requests() const;
    // The "QX-Command" of each request, in order ("" where there was none).
    std::vector<std::string> Commands() const;
    std::size_t PendingAnswers() const;

    // A 200 answer as Answer(headers, body) queues it.
    static HttpResponse Ok(Headers headers, std::string body = {});

    struct Script; // what this object and its clients share

private:
    std::shared_ptr<Script> m_script;
};
