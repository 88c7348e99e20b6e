// The same system over HTTPS: the server with a certificate of its own, the handset trusting it
// through its device configuration, for the protocol and for the SMS gateway alike.

#include "EndToEndFixture.h"

#include "testing/TestTlsServer.h"

namespace {

class HttpsEndToEndTest : public EndToEndTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeSelfSignedCertificate(m_certificateFolder.Path(), "IP:127.0.0.1", m_certificate));
        EndToEndTest::SetUp();
    }

    std::vector<std::string> ServerOptions() const override
    {
        return {"--cert", m_certificate.certFile.string(), "--key", m_certificate.keyFile.string()};
    }
    std::string CaFile() const override { return m_certificate.certFile.string(); }

    TempDir m_certificateFolder;
    TestCertificate m_certificate;
};

TEST_F(HttpsEndToEndTest, RegistrationAndSessionOverHttps)
{
    ASSERT_TRUE(m_server.ServerUrl().starts_with("https://"));
    m_user.Answer(IDOK);
    ASSERT_EQ(RunOnWorker([&] { return m_service->RetrieveSmsFlow(Window()); }), RES_OK);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"InitDevice", "sms"}));
    EXPECT_EQ(StoredText(u"QX-key"), Utf8ToUtf16(Device().GetOr("device-key")));
    EXPECT_EQ(RunSession(u"Sync"), RES_OK);
    EXPECT_EQ(Settings()->URL, Utf8ToUtf16(m_server.ServerUrl()))
        << "the settings download kept the https URL";
}

} // namespace
