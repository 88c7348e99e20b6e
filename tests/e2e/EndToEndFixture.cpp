#include "EndToEndFixture.h"

#include "platform/DeviceConfig.h"
#include "platform/DevicePaths.h"
#include "platform/UiPort.h"
#include "service/Messages.h"
#include "service/UI_Sync.h"
#include "utils/AsciiFold.h"

#include <chrono>
#include <cstdlib>
#include <future>
#include <iostream>

namespace {

// The registration waits twice this in half-second rounds: long enough for a loaded machine, short
// enough that a push that never comes fails the test well within its time-out.
constexpr char kIdentificationTimeoutMs[] = "15000";
constexpr std::chrono::seconds kFlowWatchdog{40};

} // namespace

std::string LoggedHeader(const AdminRecord& request, std::string_view name)
{
    const std::string prefix = std::string(name) + ": ";
    for (const std::string& header : request.GetAll("header")) {
        if (StartsWithFolded(header, prefix))
            return header.substr(prefix.size());
    }
    return {};
}

void EndToEndTest::SetUp()
{
    ServiceFixture::SetUp();
    // The handset as its maker configured it; the push port is the system's choice until bound.
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"manufacturer", "Maker"},
                                                          {"oem-info", "Maker Phone"},
                                                          {"platform-type", "PocketPC"},
                                                          {"os-version", "5.1.1700"},
                                                          {"imei", kImei},
                                                          {"subscriber", "262011234567890"},
                                                          {"machine-id", "0123456789abcdef0123456789abcdef"},
                                                          {"smsc", "+491710760000"},
                                                          {"push-address", "127.0.0.1"},
                                                          {"push-port", "0"}})
        Configure(key, value);
    Configure("ca-file", CaFile());

    m_service = TesselService::InitService();
    ASSERT_NE(m_service, nullptr);
    m_window = std::make_unique<CScriptedDialogWindow>(*m_service);
    m_service->m_appWindow = m_window->Handle();
    CUiPort::Install(&m_user);
    CLog_File::InitFile();

    std::string error;
    ASSERT_TRUE(m_pushes.Start(m_window->Handle(), error)) << error;
    const std::string pushPort = std::to_string(m_pushes.Port());
    Configure("push-port", pushPort);

    std::vector<std::string> options = {"--push-port", pushPort, "--identification-timeout-ms",
                                        kIdentificationTimeoutMs};
    const std::vector<std::string> extra = ServerOptions();
    options.insert(options.end(), extra.begin(), extra.end());
    ASSERT_TRUE(m_server.Start(options)) << m_server.Error();
    Configure("sms-gateway", m_server.SmsGatewayUrl());

    Settings()->URL = Utf8ToUtf16(m_server.ServerUrl());
    ASSERT_EQ(m_service->ConnectServer(), 1);
}

void EndToEndTest::TearDown()
{
    if (m_service)
        m_service->DisconnectServer();
    m_pushes.Stop();
    if (m_service)
        m_service->m_appWindow = 0;
    m_window.reset();
    // Every test ends with a clean stop: a crash or a sanitizer report in the server fails it.
    if (m_server.IsRunning()) {
        EXPECT_TRUE(m_server.Stop()) << "the server did not stop cleanly";
    }
    if (HasFailure() || std::getenv("LUMENO_SHOW_SERVER_LOG"))
        PrintLogs();
    CUiPort::Install(nullptr);
    ServiceFixture::TearDown();
    m_overrides.clear();
}

void EndToEndTest::Configure(const std::string& key, const std::string& value)
{
    const std::string variable = CDeviceConfig::EnvironmentName(key);
    if (!m_overrides.contains(variable))
        m_overrides.emplace(variable, std::make_unique<ScopedEnv>(variable.c_str(), std::nullopt));
    ASSERT_TRUE(CDeviceConfig::Set(key, value)) << key;
}

void EndToEndTest::PrintLogs() const
{
    std::cerr << "--- server log ---\n" << m_server.Log();
    std::cerr << "--- handset log ---\n" << ReadFile(CDevicePaths::ProgramFolder() / "tidal.log");
}

AdminReply EndToEndTest::Admin(std::string_view command, const AdminFields& fields) const
{
    return m_server.Admin().Call(command, fields);
}

AdminRecord EndToEndTest::Device() const
{
    const AdminReply reply = Admin("list-devices", {{"device", kDeviceId}});
    return reply.Ok() && !reply.records.empty() ? reply.records.front() : AdminRecord();
}

AdminRecord EndToEndTest::Account(const std::string& userId) const
{
    for (const AdminRecord& record : Admin("show-account", {{"user-id", userId}}).records) {
        if (record.GetOr("kind") == "account")
            return record;
    }
    return {};
}

std::map<std::string, std::string> EndToEndTest::AccountSettings(const std::string& userId) const
{
    std::map<std::string, std::string> settings;
    for (const AdminRecord& record : Admin("show-account", {{"user-id", userId}}).records) {
        if (record.GetOr("kind") == "setting")
            settings[record.GetOr("name")] = record.GetOr("value");
    }
    return settings;
}

std::vector<AdminRecord> EndToEndTest::RequestLog() const
{
    const AdminReply reply = Admin("log");
    EXPECT_TRUE(reply.Ok()) << reply.error;
    return reply.records;
}

std::vector<std::string> EndToEndTest::Commands() const
{
    std::vector<std::string> commands;
    for (const AdminRecord& request : RequestLog())
        commands.push_back(request.GetOr("path") == "/sms-gateway" ? "sms"
                                                                   : LoggedHeader(request, "QX-Command"));
    return commands;
}

AdminRecord EndToEndTest::RegisterByOperator(const AdminFields& fields)
{
    AdminFields all = {{"device", kDeviceId}};
    all.insert(all.end(), fields.begin(), fields.end());
    const AdminReply added = Admin("add-account", all);
    EXPECT_TRUE(added.Ok()) << added.error;
    if (!added.Ok() || added.records.empty())
        return {};
    const AdminRecord& account = added.records.front();
    CReg_Api& settings = *CReg_Api::GetInstanceReg();
    settings.Set(&_SETTINGS_DEF::Ukey, Utf8ToUtf16(account.GetOr("ukey")));
    settings.Set(&_SETTINGS_DEF::QX_key, Utf8ToUtf16(account.GetOr("device-key")));
    settings.Set(&_SETTINGS_DEF::UserId, Utf8ToUtf16(account.GetOr("user-id")));
    settings.Set(&_SETTINGS_DEF::Config_Version, Utf8ToUtf16(account.GetOr("config-version")));
    settings.SaveSettings();
    return account;
}

RETURNED_RES EndToEndTest::RunSession(std::u16string_view operation)
{
    RETURNED_RES result = m_service->StartNegotiation(Window());
    if (result == RES_SETTINGS_REQUIRED)
        result = m_service->ConfigVersionFlow(Window());
    if (result != RES_OK)
        return result;
    result = m_service->CompleteNegotiation(operation, 1, 0, 1, 0, 0);
    if (result != RES_OK)
        return result;
    return m_service->CompleteSession();
}

std::optional<RETURNED_RES> EndToEndTest::RunOnWorker(const std::function<RETURNED_RES()>& flow)
{
    std::future<RETURNED_RES> result = std::async(std::launch::async, flow);
    if (result.wait_for(kFlowWatchdog) == std::future_status::ready)
        return result.get();
    ADD_FAILURE() << "the flow still runs after " << kFlowWatchdog.count() << " s; stopping it";
    UI_Sync::GetInstanceUISync()->SetStop(true);
    result.wait();
    return std::nullopt;
}

bool EndToEndTest::WaitForPushes(int count) const
{
    return m_window->WaitForMessage(WM_PUSH, count, std::chrono::seconds(20));
}
