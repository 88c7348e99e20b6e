#include "HandsetsFixture.h"

#include <iostream>

void HandsetsTest::SetUp()
{
    ASSERT_TRUE(m_server.Start({"--push-delay-ms", "0"})) << m_server.Error();
    const AdminReply account = Admin("add-account", {{"user-id", kUser}, {"password", kPassword}});
    ASSERT_TRUE(account.Ok()) << account.error;
}

void HandsetsTest::TearDown()
{
    if (HasFailure())
        std::cerr << "--- server log ---\n" << m_server.Log();
    m_handsets.clear();
    if (m_server.IsRunning()) {
        EXPECT_TRUE(m_server.Stop());
    }
}

CHandsetProcess& HandsetsTest::Handset(std::size_t number)
{
    while (m_handsets.size() <= number) {
        const std::string imei = "35693803564" + std::to_string(38091 + m_handsets.size()) + "23";
        auto handset = std::make_unique<CHandsetProcess>(m_server, imei);
        EXPECT_TRUE(handset->Join(kUser, kPassword));
        Prepare(*handset);
        m_handsets.push_back(std::move(handset));
    }
    return *m_handsets[number];
}

AdminReply HandsetsTest::Admin(std::string_view command, const AdminFields& fields) const
{
    return m_server.Admin().Call(command, fields);
}
