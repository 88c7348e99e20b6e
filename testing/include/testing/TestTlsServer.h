#pragma once
// An HTTPS server on 127.0.0.1 with a self-signed certificate made for the test run, for the tests that
// check certificate verification. It answers every GET and POST with 200 and the body "secure".

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct TestCertificate {
    std::filesystem::path certFile; // PEM; also the CA file that makes clients trust it
    std::filesystem::path keyFile;
};

// Makes a self-signed certificate (valid for 100 years) in `folder` with the openssl tool; `altName`
// is its subjectAltName ("IP:127.0.0.1", "DNS:elsewhere.invalid"). False when the tool failed.
bool MakeSelfSignedCertificate(const std::filesystem::path& folder, std::string_view altName,
                               TestCertificate& certificate);

class CTestTlsServer {
public:
    explicit CTestTlsServer(const TestCertificate& certificate);
    ~CTestTlsServer();
    CTestTlsServer(const CTestTlsServer&) = delete;
    CTestTlsServer& operator=(const CTestTlsServer&) = delete;

    bool IsRunning() const;
    // "https://127.0.0.1:<port>" followed by `path`.
    std::string Url(std::string_view path = "/") const;
    // Requests that got through the handshake.
    int AnsweredRequests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
