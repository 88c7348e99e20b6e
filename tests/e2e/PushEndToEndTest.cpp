// The operator's pushes reach the application through the handset's push port, checked against the
// handset's device key.

#include "EndToEndFixture.h"

#include "service/PushMessage.h"

namespace {

class PushEndToEndTest : public EndToEndTest {
protected:
    // Has the operator send one push and returns what the window made of it.
    HandledPush Push(const AdminFields& fields)
    {
        // Counted before: the window may have handled the push by the time the operator's call returns.
        const int count = static_cast<int>(m_window->Pushes().size()) + 1;
        AdminFields all = {{"device", kDeviceId}};
        all.insert(all.end(), fields.begin(), fields.end());
        const AdminReply sent = Admin("push", all);
        EXPECT_TRUE(sent.Ok()) << sent.error;
        if (!sent.Ok() || !WaitForPushes(count)) {
            ADD_FAILURE() << "the push did not arrive";
            return {};
        }
        return m_window->Pushes().back();
    }
};

TEST_F(PushEndToEndTest, SignedCommandsReachTheApplication)
{
    RegisterByOperator();
    // The handset's address becomes known to the server with its first request.
    ASSERT_EQ(RunSession(u"Sync"), RES_OK);
    struct Case {
        const char* command;
        const char* parameter;
        const char* kinds;
        std::uint32_t code;
        std::uint32_t kindBits;
    };
    const Case cases[] = {
        {"Sync", "nightly", "Contacts;Files", CIR_SYNC, CIR_KIND_CONTACTS | CIR_KIND_FILES},
        {"Backup", "", "Contacts;Calendar;Files;Messages", CIR_BACKUP,
         CIR_KIND_CONTACTS | CIR_KIND_CALENDAR | CIR_KIND_FILES | CIR_KIND_MESSAGES},
        {"Restore", "p2", "Calendar", CIR_RESTORE, CIR_KIND_CALENDAR},
        {"RetrieveSettings", "", "Settings", CIR_RETRIEVE_SETTINGS, CIR_KIND_SETTINGS},
        {"Wipeout", "", "", CIR_WIPEOUT, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        AdminFields fields = {{"command", c.command}, {"kinds", c.kinds}};
        if (*c.parameter)
            fields.emplace_back("parameter", c.parameter);
        const HandledPush handled = Push(fields);
        EXPECT_EQ(handled.result, 1);
        EXPECT_EQ(handled.info.command, c.code);
        EXPECT_EQ(handled.info.parameter, Utf8ToUtf16(*c.parameter ? c.parameter : "-"));
        EXPECT_EQ(handled.info.kinds, c.kindBits);
    }
}

TEST_F(PushEndToEndTest, PushesTheHandsetCannotVerifyOrDoesNotNeedAreDropped)
{
    const std::string deviceKey = RegisterByOperator().GetOr("device-key");
    ASSERT_EQ(RunSession(u"Sync"), RES_OK);

    // Keys the handset already has are not taken again.
    HandledPush handled = Push({{"command", "Key"}});
    EXPECT_EQ(handled.result, 0);
    EXPECT_EQ(handled.info.command, CIR_NONE);
    EXPECT_EQ(Settings()->QX_key, Utf8ToUtf16(deviceKey));

    // Signed with a key the handset no longer holds: a wipe-out must not run.
    CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::QX_key, u"ANOTHER-KEY");
    handled = Push({{"command", "Wipeout"}});
    EXPECT_EQ(handled.result, 0);
}

} // namespace
