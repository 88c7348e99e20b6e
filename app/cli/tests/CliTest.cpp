// lumeno-cli run as a program: its command line, what it prints, its exit statuses, and its modes
// against a real reference server (scripted standard input, watch mode with a push from the server).

#include "CliProcess.h"
#include "RefServerProcess.h"
#include "testing/TempDir.h"
#include "platform/UdpSocket.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace {

using namespace std::chrono_literals;

// The handset's IMEI; the server knows the device by its first 16 digits.
constexpr char kImei[] = "356938035643809123";
constexpr char kDeviceId[] = "3569380356438091";

class CliTest : public ::testing::Test {
protected:
    std::vector<std::string> Environment() const
    {
        return {"LUMENO_DEVICE_ROOT=" + m_device.Path().string()};
    }

    std::pair<int, std::string> Cli(const std::vector<std::string>& arguments,
                                    const std::string& input = "") const
    {
        return CCliProcess::Run(arguments, Environment(), input);
    }

    TempDir m_device;
};

// A handset whose device configuration and settings point at a running reference server.
class CliServerTest : public CliTest {
protected:
    void SetUp() override
    {
        // A port for pushes that nobody uses now.
        CUdpSocket probe;
        ASSERT_TRUE(probe.Bind("127.0.0.1", 0));
        m_pushPort = std::to_string(probe.LocalPort());
        probe.Close();
        ASSERT_TRUE(m_server.Start({"--push-port", m_pushPort, "--identification-timeout-ms", "15000"}))
            << m_server.Error();
        std::filesystem::create_directories(m_device.Path() / "data");
        std::ofstream(m_device.Path() / "data" / "device.conf")
            << "manufacturer = Maker\nimei = " << kImei
            << "\nsmsc = +491710760000\nsms-gateway = " << m_server.SmsGatewayUrl()
            << "\npush-address = 127.0.0.1\npush-port = " << m_pushPort << "\n";
        ASSERT_EQ(Cli({"settings", "set", "URL", m_server.ServerUrl()}).first, 0);
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "--- server log ---\n" << m_server.Log();
        if (m_server.IsRunning()) {
            EXPECT_TRUE(m_server.Stop());
        }
    }

    AdminReply Admin(std::string_view command, const AdminFields& fields = {}) const
    {
        return m_server.Admin().Call(command, fields);
    }

    // Registration as a user scripts it: send the SMS, keep the wizard as it is, no sync now.
    void Register()
    {
        const auto [status, output] = Cli({"register"}, "o\n\nc\n");
        ASSERT_EQ(status, 0) << output;
        ASSERT_NE(output.find("registration (register): done"), std::string::npos) << output;
    }

    std::string Setting(const std::string& name) const
    {
        const std::string output = Cli({"settings", "show"}).second;
        const std::string prefix = "\n" + name + " = ";
        const std::size_t at = ("\n" + output).find(prefix);
        if (at == std::string::npos)
            return "(missing)";
        const std::size_t start = at + prefix.size() - 1;
        return output.substr(start, output.find('\n', start) - start);
    }

    CRefServerProcess m_server;
    std::string m_pushPort;
};

TEST_F(CliTest, CommandLine)
{
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* said;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Exit status"},
        {{"bogus"}, 2, "unknown command \"bogus\""},
        {{"--yes", "--no", "register"}, 2, "exclude each other"},
        {{"--frobnicate"}, 2, "unknown option"},
        {{"settings"}, 2, "settings show"},
        {{"settings", "set", "Sync-Period"}, 2, "settings show"},
        {{"register", "now"}, 2, "takes no arguments"},
        {{"settings", "set", "No-Such-Setting", "1"}, 2, "no setting \"No-Such-Setting\""},
        {{"settings", "set", "Sync-Period", "7x"}, 2, "takes a whole number"},
        {{"settings", "set", "ExpectCIR", "1"}, 2, "not kept"},
        // A longer text would be gone at the next start.
        {{"settings", "set", "URL", "http://" + std::string(253, 'h')}, 2, "at most 259 characters"},
        {{"sync"}, 1, "not registered"},
        {{"--all", "sync"}, 2, "go with upload and download"},
        {{"download", "--select"}, 2, "--select needs a pattern"},
        {{"--select", "*.jpg", "upload"}, 1, "not registered"},
        {{"summary"}, 0, "Not synchronised yet"},
        {{"scheduled"}, 0, "no Sync is due"},
        {{"forget"}, 0, "are deleted"},
    };
    for (const Case& line : cases) {
        const auto [status, output] = Cli(line.arguments);
        EXPECT_EQ(status, line.status) << line.arguments[0] << "\n" << output;
        EXPECT_NE(output.find(line.said), std::string::npos) << output;
    }
}

TEST_F(CliTest, SettingsAreSavedAndShownWithoutSecrets)
{
    EXPECT_EQ(Cli({"settings", "set", "Sync-Period", "14"}).first, 0);
    EXPECT_EQ(Cli({"settings", "set", "Password", "hunter2"}).first, 0);
    const auto [status, shown] = Cli({"settings", "show"});
    EXPECT_EQ(status, 0);
    const std::string output = "\n" + shown;
    EXPECT_NE(output.find("\nSync-Period = 14\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\nPassword = (set)\n"), std::string::npos);
    EXPECT_NE(output.find("\nQX-key = (not set)\n"), std::string::npos);
    EXPECT_EQ(output.find("hunter2"), std::string::npos);
}

TEST_F(CliServerTest, RegistersThenRefreshesAndStoresSettings)
{
    Register();
    EXPECT_EQ(Setting("QX-key"), "(set)");
    EXPECT_EQ(Setting("SettingsRettrived"), "1");

    const auto [refreshed, refreshOutput] = Cli({"refresh"});
    EXPECT_EQ(refreshed, 0) << refreshOutput;
    EXPECT_NE(refreshOutput.find("Opening the session..."), std::string::npos) << refreshOutput;

    ASSERT_EQ(Cli({"settings", "set", "Sync-Period", "28"}).first, 0);
    const auto [stored, storeOutput] = Cli({"store-settings"});
    EXPECT_EQ(stored, 0) << storeOutput;
    const AdminReply account = Admin("show-account", {{"user-id", Setting("UserId")}});
    bool found = false;
    for (const AdminRecord& record : account.records)
        found = found || (record.GetOr("name") == "Sync-Period" && record.GetOr("value") == "28");
    EXPECT_TRUE(found);
}

// As the trigger starts it without a desktop: the Sync when due, once; forget ends the registration.
TEST_F(CliServerTest, ScheduledRunsTheDueSyncOnceAndForgetDeletesTheRegistration)
{
    Register();
    ASSERT_EQ(Cli({"settings", "set", "Sync-Period", "1"}).first, 0);
    const auto [synced, syncOutput] = Cli({"scheduled"});
    EXPECT_EQ(synced, 0) << syncOutput;
    EXPECT_NE(syncOutput.find("the scheduled sync: done"), std::string::npos) << syncOutput;
    const auto [again, againOutput] = Cli({"scheduled"});
    EXPECT_EQ(again, 0) << againOutput;
    EXPECT_NE(againOutput.find("no Sync is due"), std::string::npos) << againOutput;

    EXPECT_EQ(Cli({"forget"}).first, 0);
    EXPECT_EQ(Setting("QX-key"), "(not set)");
}

TEST_F(CliServerTest, ExitStatusTellsHowTheRequestEnded)
{
    Register();
    ASSERT_TRUE(
        Admin("inject", {{"command", "StoreSettings"}, {"error-code", "503"}, {"error-message", "closed"}})
            .Ok());
    EXPECT_EQ(Cli({"store-settings"}).first, 4);

    // A server dialog whose yes ends the operation: the program ends, stopped.
    ASSERT_TRUE(Admin("queue-dialog", {{"command", "StoreSettings"},
                                       {"title", "Maintenance"},
                                       {"message", "Try later"},
                                       {"yes-label", "Quit"},
                                       {"yes-action", "Exit"}})
                    .Ok());
    const auto [stopped, output] = Cli({"--yes", "store-settings"});
    EXPECT_EQ(stopped, 3) << output;
    EXPECT_NE(output.find("Try later"), std::string::npos) << output;

    ASSERT_TRUE(m_server.Stop());
    EXPECT_EQ(Cli({"store-settings"}).first, 1);
}

TEST_F(CliServerTest, ServerDialogTakesAPasswordWithoutShowingIt)
{
    Register();
    ASSERT_TRUE(Admin("queue-dialog", {{"command", "StoreSettings"},
                                       {"title", "Confirm"},
                                       {"message", "Your account password, please"},
                                       {"yes-label", "Send"},
                                       {"yes-action", "SendInput"},
                                       {"no-label", "Skip"},
                                       {"input-name", "password"},
                                       {"input-type", "password"},
                                       {"expect-input", "Se3cret Word"}})
                    .Ok());
    // An empty value is refused first (text 101), then the password, then the left key. The answer
    // asks the handset to send StoreSettings again, which only the negotiation does: the settings were
    // never stored, so the request fails rather than ending as done.
    const auto [status, output] = Cli({"store-settings"}, "\n1\nSe3cret Word\n1\n");
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("could not be sent"), std::string::npos) << output;
    EXPECT_NE(output.find("Your account password, please"), std::string::npos) << output;
    EXPECT_NE(output.find("Please enter a value."), std::string::npos) << output;
    EXPECT_NE(output.find("************"), std::string::npos) << output;
    EXPECT_EQ(output.find("Se3cret"), std::string::npos) << output;
}

TEST_F(CliServerTest, StartedByPushWaitsForTheKeysWithoutAskingTheServer)
{
    CCliProcess cli;
    ASSERT_TRUE(cli.Start({"CIR", "register"}, Environment(), "\nc\n"));
    ASSERT_TRUE(cli.WaitForOutput("Waiting for the server's confirmation", 20s)) << cli.Output();

    // The operator makes the account and pushes the keys to the waiting handset.
    ASSERT_TRUE(Admin("add-account", {{"device", kDeviceId}}).Ok());
    ASSERT_TRUE(
        Admin("set-device", {{"device", kDeviceId}, {"push-address", "127.0.0.1"}, {"push-port", m_pushPort}})
            .Ok());
    ASSERT_TRUE(Admin("push", {{"device", kDeviceId}, {"command", "IdentifyDevice"}}).Ok());

    EXPECT_EQ(cli.Wait(30s), 0) << cli.Output();
    for (const AdminRecord& request : Admin("log").records) {
        for (const std::string& header : request.GetAll("header"))
            EXPECT_EQ(header.find("InitDevice"), std::string::npos) << header;
    }
    EXPECT_EQ(Setting("QX-key"), "(set)");
}

TEST_F(CliServerTest, CtrlCStopsTheRunningOperation)
{
    // Started by a push, registration waits for the keys; Ctrl-C is the wait dialog's Stop.
    CCliProcess cli;
    ASSERT_TRUE(cli.Start({"CIR", "register"}, Environment(), ""));
    ASSERT_TRUE(cli.WaitForOutput("Waiting for the server's confirmation", 20s)) << cli.Output();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(20s), 3) << cli.Output();
    EXPECT_NE(cli.Output().find("Stopping..."), std::string::npos) << cli.Output();
    EXPECT_EQ(Setting("QX-key"), "(not set)");
}

TEST_F(CliServerTest, CtrlCDuringTheNegotiationsPushWaitSendsNothingMore)
{
    Register();
    // The server announces a push it never sends: the negotiation waits for it.
    ASSERT_TRUE(Admin("set-device", {{"device", std::string(kImei, 16)}, {"expect-cir", "true"}, {"push-port", "9"}}).Ok());
    const std::size_t before = Admin("log").records.size();
    CCliProcess cli;
    ASSERT_TRUE(cli.Start({"refresh"}, Environment(), ""));
    ASSERT_TRUE(cli.WaitForOutput("Waiting for the server", 20s)) << cli.Output();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(20s), 3) << cli.Output();
    std::vector<std::string> commands;
    const std::vector<AdminRecord> log = Admin("log").records;
    for (std::size_t i = before; i < log.size(); ++i) {
        for (const std::string& header : log[i].GetAll("header")) {
            if (header.starts_with("QX-Command: "))
                commands.push_back(header.substr(12));
        }
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"StartNegotiation"})) << cli.Output();
}

TEST_F(CliServerTest, WatchRunsWhatAPushAsksAndKeepsASecondCopyOut)
{
    Register();
    CCliProcess watch;
    ASSERT_TRUE(watch.Start({"--no", "watch"}, Environment(), ""));
    ASSERT_TRUE(watch.WaitForOutput("pushes arrive on UDP port " + m_pushPort, 20s)) << watch.Output();

    const auto [second, secondOutput] = Cli({"summary"});
    EXPECT_EQ(second, 5);
    EXPECT_NE(secondOutput.find("already running"), std::string::npos) << secondOutput;

    const std::string userId = Admin("list-devices", {{"device", kDeviceId}}).records.at(0).GetOr("user-id");
    ASSERT_TRUE(Admin("set-settings", {{"user-id", userId}, {"set", "Sync-Timeframe=1;7"}}).Ok());
    ASSERT_TRUE(Admin("push", {{"device", kDeviceId}, {"command", "RetrieveSettings"}}).Ok());
    EXPECT_TRUE(watch.WaitForOutput("watch: the command of a push: done", 20s)) << watch.Output();

    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.Wait(20s), 0) << watch.Output();
    EXPECT_EQ(Setting("Sync-Timeframe"), "1;7");
}

TEST_F(CliServerTest, InteractiveMenuFromScriptedInput)
{
    Register();
    // No Sync falls due at the start, which would run before the menu.
    ASSERT_EQ(Cli({"settings", "set", "Sync-Period", "0"}).first, 0);
    // The summary, the Sync question answered no, help, then exit.
    const auto [status, output] = Cli({}, "v\n1\nn\nh\nx\n");
    EXPECT_EQ(status, 0) << output;
    for (const char* shown :
         {"== Lumeno ==", "1  Sync", "== View summary ==", "Synchronise your phone", "== Help =="})
        EXPECT_NE(output.find(shown), std::string::npos) << shown << "\n" << output;
}

} // namespace
