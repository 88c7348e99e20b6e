// The data connection through the connection manager, and what the operation log says of it.

#include "ServiceFixture.h"
#include "platform/DevicePaths.h"

namespace {

class DataConnectionTest : public ServiceFixture {};

TEST_F(DataConnectionTest, HandleTellsWhetherAConnectionIsNeededAndMade)
{
    struct Case {
        std::optional<std::string> played;
        HCONNECTION handle;
        const char* logged;
    };
    const Case cases[] = {
        {std::nullopt, 0, nullptr},
        {"0", 0, nullptr},
        {"establish", -1, "could not make one"},
        {"status", -1, "GPRS status 0x21"},
    };
    TesselService* service = TesselService::InitService();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.played.value_or("none"));
        ScopedEnv played("LUMENO_CONNECTION_FAILS", c.played);
        CLog_File::InitFile();
        const HCONNECTION connection = service->OpenGPRSConnection();
        EXPECT_EQ(connection, c.handle);
        service->CloseGPRSConnection(connection);
        CLog_File::CloseFile();
        const std::string log = ReadFile(CDevicePaths::ProgramFolder() / "tidal.log");
        if (c.logged)
            EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        else
            EXPECT_EQ(log, "");
    }
}

} // namespace
