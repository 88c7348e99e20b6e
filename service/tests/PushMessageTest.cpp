// Push messages as the handset receives them on its push port: layouts, signatures, key deliveries
// and the flows they wake.

#include "FlowFixture.h"

namespace {

class PushMessageTest : public FlowTest {
protected:
    int Handle(std::string_view text, CIR_INFO& info)
    {
        Push(text);
        return m_service->ProcessMessageCIR(info);
    }
};

TEST_F(PushMessageTest, CommandsAreVerifiedAgainstTheDeviceKey)
{
    const std::string sync = std::string("Sync abc Contacts;Files ") + kSyncSignature;
    struct Case {
        const char* what;
        bool keys;
        std::string text;
        int result;
        std::uint32_t command;
        const char16_t* parameter;
        std::uint32_t kinds;
    };
    const Case cases[] = {
        {"signed", true, sync, 1, CIR_SYNC, u"abc", CIR_KIND_CONTACTS | CIR_KIND_FILES},
        {"wrong signature", true, "Sync abc Contacts;Files wpE39nPK5O5mfUHVkDiRbA==", 0, CIR_SYNC, u"abc", 5},
        {"no signature", true, "Sync abc Contacts", 0, CIR_SYNC, u"abc", 1},
        {"no keys: taken unverified", false, "Sync abc Contacts;Files x", 1, CIR_SYNC, u"abc", 5},
        {"blanks repeated", true, std::string("Sync   abc  Calendar   ") + kSyncSignature, 1, CIR_SYNC,
         u"abc", CIR_KIND_CALENDAR},
        {"command in any case, kinds as written", false, "bACKUP p Messages;Settings;contacts", 1, CIR_BACKUP,
         u"p", CIR_KIND_MESSAGES | CIR_KIND_SETTINGS},
        {"other commands", false, "RetrieveSettings - Settings", 1, CIR_RETRIEVE_SETTINGS, u"-",
         CIR_KIND_SETTINGS},
        {"no blank", false, "Sync", 0, CIR_NONE, u"", 0},
        {"unknown word", false, "Reboot now", 0, CIR_NONE, u"", 0},
        {"key with keys", true, "Key a b k9", 0, CIR_NONE, u"", 0},
        {"identity with keys", true, "IdentifyDevice UK:u;K:k;DID:d;UID:1;", 0, CIR_NONE, u"", 0},
        {"zero byte ends the text", false, std::string("Restore r\0 Contacts", 19), 1, CIR_RESTORE, u"r", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings()->Ukey = c.keys ? u"u1" : u"";
        Settings()->QX_key = c.keys ? kDeviceKey : u"";
        CIR_INFO info;
        EXPECT_EQ(Handle(c.text, info), c.result);
        EXPECT_EQ(info.command, c.command);
        EXPECT_EQ(info.parameter, c.parameter);
        EXPECT_EQ(info.kinds, c.kinds);
        if (c.keys) {
            EXPECT_EQ(Settings()->QX_key, kDeviceKey) << "a delivery to a handset with keys changes nothing";
        }
    }
}

TEST_F(PushMessageTest, SignatureCoversTheDeviceKeyAsUtf8)
{
    Settings()->Ukey = u"u1";
    Settings()->QX_key = u"k\u00e9\u20acy";
    CIR_INFO info;
    EXPECT_EQ(Handle("Sync abc Contacts NPp6jK9gZPKa53XE6H+FjQ==", info), 1);
    EXPECT_EQ(PushSignature(u"Sync", u"k\u00e9\u20acy"), u"NPp6jK9gZPKa53XE6H+FjQ==");
}

// Erasing the handset on a word nobody can check would let anyone who can send a datagram do it.
TEST_F(PushMessageTest, WipeoutIsObeyedOnlyWithAVerifiedSignature)
{
    const std::string signedWipeout = std::string("Wipeout all Contacts ") + kWipeoutSignature;
    struct Case {
        const char* what;
        bool keys;
        std::string text;
        int result;
    };
    const Case cases[] = {
        {"signed", true, signedWipeout, 1},
        {"wrong signature", true, "Wipeout all Contacts EUslBwupjrbwm9ZLmnAkuA==", 0},
        {"no keys, signed as with an empty key", false, "Wipeout all Contacts Q6fgP83MkdaIbLA6uIQ6EQ==", 0},
        {"no keys, no signature", false, "Wipeout all", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings()->Ukey = c.keys ? u"u1" : u"";
        Settings()->QX_key = c.keys ? kDeviceKey : u"";
        CIR_INFO info;
        EXPECT_EQ(Handle(c.text, info), c.result);
        EXPECT_EQ(info.command, CIR_WIPEOUT);
    }
}

TEST_F(PushMessageTest, OnlyTheFirst1039BytesCount)
{
    Settings()->Ukey = u"u1";
    Settings()->QX_key = kDeviceKey;
    const auto message = [](std::size_t parameterBytes) {
        return "Sync " + std::string(parameterBytes, 'p') + " x " + kSyncSignature;
    };
    ASSERT_EQ(message(1007).size(), 1039u);
    CIR_INFO info;
    EXPECT_EQ(Handle(message(1007), info), 1);
    EXPECT_EQ(Handle(message(1007) + " more", info), 1) << "what follows byte 1039 is not read";
    EXPECT_EQ(Handle(message(1008), info), 0) << "the signature loses its last character";
}

TEST_F(PushMessageTest, NoMessageWithinAMinuteIsNothingToDo)
{
    CIR_INFO info;
    info.command = CIR_WIPEOUT;
    EXPECT_EQ(m_service->ProcessMessageCIR(info), 0);
    EXPECT_EQ(info.command, CIR_NONE);
    EXPECT_EQ(m_clock.ElapsedMs(), 60000u);
}

TEST_F(PushMessageTest, DeviceKeyIsTakenWhileTheHandsetLacksOneAndWakesTheWaitingIdentification)
{
    Settings()->Ukey = u"u1";
    const std::shared_ptr<CEvent> waiting =
        CEvent::CreateNamed(u"tidal_identify_event", EventReset::Manual, false, nullptr);
    CIR_INFO info;
    EXPECT_EQ(Handle("Key a b k9", info), 0);
    EXPECT_EQ(info.command, CIR_KEY);
    EXPECT_EQ(Settings()->QX_key, u"k9");
    EXPECT_EQ(StoredText(u"QX-key"), u"k9");
    EXPECT_TRUE(waiting->IsSet());

    // A delivery without the key would wipe the key the handset may hold.
    Settings()->Ukey.clear();
    EXPECT_EQ(Handle("Key a b", info), 0);
    EXPECT_EQ(info.command, CIR_NONE);
    EXPECT_EQ(Settings()->QX_key, u"k9");
}

TEST_F(PushMessageTest, IdentityIsFoundWhereverItsMarkersStand)
{
    struct Case {
        const char* what;
        const char* text;
        int result;
    };
    const Case cases[] = {
        {"in order", "IdentifyDevice UK:u5;K:k5;DID:d;UID:55;", 1},
        {"first K: is inside UK:", "IdentifyDevice DID:d;UK:u5;UID:55;K:k5;", 1},
        {"device key before user key", "IdentifyDevice K:k5;DID:d;UID:55;UK:u5;", 1},
        {"last value without ;", "IdentifyDevice UK:u5;DID:d;UID:55;K:k5", 1},
        {"no device key", "IdentifyDevice UK:u5;DID:d;UID:55;", 0},
        {"no DID", "IdentifyDevice UK:u5;K:k5;UID:55;", 0},
        {"empty device key", "IdentifyDevice UK:u5;K:;DID:d;UID:55;", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Settings()->Ukey.clear();
        Settings()->QX_key.clear();
        Settings()->UserId.clear();
        CIR_INFO info;
        EXPECT_EQ(Handle(c.text, info), c.result);
        if (c.result == 0) {
            EXPECT_TRUE(Settings()->QX_key.empty());
            continue;
        }
        EXPECT_EQ(info.command, CIR_RETRIEVE_SETTINGS);
        EXPECT_EQ(Settings()->Ukey, u"u5");
        EXPECT_EQ(Settings()->QX_key, u"k5");
        EXPECT_EQ(Settings()->UserId, u"55");
        EXPECT_EQ(StoredText(u"QX-key"), u"k5");
    }
}

TEST_F(PushMessageTest, NewUserIdNeedsTheSignatureAndWakesOnlyAWaitingNegotiation)
{
    GiveKeys();
    Settings()->ExpectCIR = u"pending";
    CIR_INFO info;
    EXPECT_EQ(Handle("ChangeMsisdn 4917 wrong", info), 0);
    EXPECT_EQ(Handle("ChangeMsisdn 4917", info), 0) << "no blank after the user id";
    EXPECT_TRUE(Settings()->UserId.empty());

    EXPECT_EQ(Handle(std::string("ChangeMsisdn 4917 ") + kChangeMsisdnSignature, info), 1);
    EXPECT_EQ(info.command, CIR_CHANGE_MSISDN);
    EXPECT_EQ(Settings()->UserId, u"4917");
    EXPECT_TRUE(Settings()->ExpectCIR.empty());
    EXPECT_EQ(StoredText(u"UserId"), u"4917");
    EXPECT_FALSE(CEvent::OpenNamed(u"change_msisdn_event")) << "nobody waited, so no event was left behind";

    const std::shared_ptr<CEvent> waiting =
        CEvent::CreateNamed(u"change_msisdn_event", EventReset::Manual, false, nullptr);
    EXPECT_EQ(Handle(std::string("ChangeMsisdn 4918 ") + kChangeMsisdnSignature, info), 1);
    EXPECT_TRUE(waiting->IsSet());
}

} // namespace
