#pragma once
// A scripted HTTP/1.1 server on 127.0.0.1 for the tests of the HTTP client and of the service's
// transport. It answers each request with the next queued reply and records what it received: the
// request line, the header lines exactly as they arrived and in their order, the body, and which
// accepted connection carried the request (so tests can count connections).
//
// Plain sockets rather than a server library, because the tests check raw header lines in order and
// must be able to send broken replies (short bodies, absurd lengths). Each connection is served on its
// own thread; every method is thread-safe. The destructor stops the server and joins its threads.

#include "testing/RecordedRequest.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct ScriptedReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers; // sent in this order
    std::string body;
    // Announced Content-Length when it should differ from the body's size (a longer one makes the
    // server close the connection after the body, as a peer that broke off would). Without a value
    // the real size is announced, unless `omitContentLength` is set.
    std::optional<std::uint64_t> announcedLength;
    bool omitContentLength = false; // then the body ends when the server closes the connection
    bool close = false;             // close the connection after this reply
    // Send only this many bytes of the reply (status line, head and body), then close, as a peer that
    // broke off would.
    std::optional<std::size_t> cutAfter;
};

class CTestHttpServer {
public:
    CTestHttpServer();
    ~CTestHttpServer();
    CTestHttpServer(const CTestHttpServer&) = delete;
    CTestHttpServer& operator=(const CTestHttpServer&) = delete;

    int Port() const;
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(std::string_view path = "/") const;

    // Replies are used in the order queued; a request that finds none gets 500 "no scripted reply".
    void Queue(ScriptedReply reply);
    // Shorthand: 200 with these headers and body.
    void Queue200(std::vector<std::pair<std::string, std::string>> headers, std::string body = {});

    std::vector<RecordedRequest> Requests() const;
    int AcceptedConnections() const;
    // Waits until `count` requests have arrived or `timeout` passed; returns whether they did.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
