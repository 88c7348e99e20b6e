#pragma once
// A running lumeno-refserver for one test, with its pushes going to a UDP port of the test, and helpers
// that set up accounts through the admin API.

#include "RefServerProcess.h"
#include "TestHandset.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <string>
#include <sys/wait.h>
#include <vector>

// Runs lumeno-refserver with `arguments` (shell words); its exit status, and its standard output and
// error in `output`.
inline int RunProgram(const std::string& arguments, std::string& output)
{
    const std::string command = CRefServerProcess::DefaultProgram().string() + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer{};
    output.clear();
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        output += buffer.data();
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::string> arguments = {"--push-port", std::to_string(m_pushes.Port()),
                                              "--push-delay-ms", "20"};
        const std::vector<std::string> extra = ExtraArguments();
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        ASSERT_TRUE(m_server.Start(arguments)) << m_server.Error();
    }

    void TearDown() override
    {
        // The handset goes first, then the server it talks to.
        m_phone.reset();
        // Every test ends with a clean stop: a crash or a sanitizer report on the way out fails it.
        EXPECT_TRUE(m_server.Stop()) << "the server did not stop cleanly";
        if (HasFailure() || std::getenv("LUMENO_SHOW_SERVER_LOG"))
            std::cerr << "--- server log ---\n" << m_server.Log();
    }

    virtual std::vector<std::string> ExtraArguments() const { return {}; }

    CTestHandset Handset(const std::string& deviceId) const
    {
        return CTestHandset(m_server.BaseUrl(), "/sync/serv", deviceId);
    }

    AdminReply Admin(std::string_view command, const AdminFields& fields = {}) const
    {
        return m_server.Admin().Call(command, fields);
    }

    // An account with `handset` registered to it, made by the operator; the handset gets the keys and
    // pushes for it go to this test's UDP port.
    void Register(CTestHandset& handset, const std::string& deviceId, const std::string& password = {})
    {
        AdminFields fields = {{"device", deviceId}};
        if (!password.empty())
            fields.emplace_back("password", password);
        const AdminReply added = Admin("add-account", fields);
        ASSERT_TRUE(added.Ok()) << added.error;
        handset.deviceKey = added.records.at(0).GetOr("device-key");
        handset.userKey = added.records.at(0).GetOr("ukey");
        handset.userId = added.records.at(0).GetOr("user-id");
        handset.password = password;
        ASSERT_TRUE(Admin("set-device", {{"device", deviceId}, {"push-address", "127.0.0.1"}}).Ok());
    }

    // `handset` joins the account of `member` (registered with a password) as a handset does: by
    // IdentifyDevice with the account's user id and password.
    static void Join(CTestHandset& handset, const CTestHandset& member)
    {
        handset.userId = member.userId;
        handset.password = member.password;
        const HandsetAnswer keys = handset.Send("IdentifyDevice");
        handset.userKey = keys.Header("QX-Ukey").value_or("");
        handset.deviceKey = keys.Header("QX-Key").value_or("");
    }

    // The handset most tests use: "DEV1", registered by the operator when first asked for.
    CTestHandset& Phone()
    {
        if (!m_phone) {
            m_phone = std::make_unique<CTestHandset>(m_server.BaseUrl(), "/sync/serv", "DEV1");
            Register(*m_phone, "DEV1");
        }
        return *m_phone;
    }

    // The device's record as list-devices shows it.
    AdminRecord Device(const std::string& deviceId) const
    {
        const AdminReply reply = Admin("list-devices", {{"device", deviceId}});
        return reply.Ok() && !reply.records.empty() ? reply.records.front() : AdminRecord();
    }

    CPushListener m_pushes;
    CRefServerProcess m_server;
    std::unique_ptr<CTestHandset> m_phone;
};
