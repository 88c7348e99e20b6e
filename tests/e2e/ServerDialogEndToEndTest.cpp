// Server dialogs through the application window: the server's error text shown when it refuses the
// handset's key, and a dialog whose input the server checks by its digest alone.

#include "EndToEndFixture.h"

#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "utils/Base64.h"

namespace {


class ServerDialogEndToEndTest : public EndToEndTest {};

TEST_F(ServerDialogEndToEndTest, WrongDeviceKeyEndsTheNegotiationWithTheServersMessageOnScreen)
{
    RegisterByOperator();
    CReg_Api::GetInstanceReg()->Set(&_SETTINGS_DEF::QX_key, u"NOT-THE-KEY");
    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_service->CompleteNegotiation(u"Backup", 1, 0, 0, 0, 0), RES_SERVER_ERROR);

    const std::u16string serverText =
        u"The handset's key is not the one this server gave it. Register the handset again.";
    const std::vector<ServerDialogRecord> shown = m_window->Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, serverText);
    EXPECT_EQ(shown[0].title, BrandingText(kTextServerMessageTitle));
    EXPECT_EQ(shown[0].yesLabel, BrandingText(kTextOk));
    EXPECT_EQ(m_service->m_dialog.message, serverText);

    const std::vector<AdminRecord> log = RequestLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(LoggedHeader(log.back(), "QX-Command"), "CompleteNegotiation");
    EXPECT_EQ(log.back().GetOr("error-code"), "401");
    EXPECT_EQ(Device().GetOr("session-state"), "started") << "the session was not negotiated";
}

TEST_F(ServerDialogEndToEndTest, InjectedErrorIsShownInTheOperatorsWords)
{
    RegisterByOperator();
    const std::string text = "Konto gesperrt \xE2\x80\x93 bitte r\xC3\xBC"
                             "ckrufen: \xE2\x98\x8E 0800";
    ASSERT_TRUE(
        Admin("inject", {{"command", "CompleteNegotiation"}, {"error-code", "77"}, {"error-message", text}})
            .Ok());
    ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
    EXPECT_EQ(m_service->CompleteNegotiation(u"Sync", 1, 1, 1, 1, 0), RES_SERVER_ERROR);
    ASSERT_EQ(m_window->Shown().size(), 1u);
    EXPECT_EQ(m_window->Shown()[0].message, Utf8ToUtf16(text));
}

// A dialog that comes with the command's answer: the stop box, when ticked, goes back as the result.
TEST_F(ServerDialogEndToEndTest, ContinueDialogReportsTheStopBoxAndTheCommandGoesOn)
{
    RegisterByOperator();
    struct Case {
        const char* name;
        bool stopTicked;
        std::size_t results; // "Result" answers the server got
        const char* serverSaw;
    };
    const Case cases[] = {
        {"stop box ticked", true, 1, "true"},
        {"stop box left empty", false, 0, nullptr},
    };
    std::size_t resultsBefore = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Admin("queue-dialog", {{"command", "CompleteNegotiation"},
                                           {"device", kDeviceId},
                                           {"message", "Your storage is almost full."},
                                           {"yes-label", "Go on"},
                                           {"yes-action", "Continue"},
                                           {"stop-label", "Do not show again"}})
                        .Ok());
        m_window->Script(DialogAnswer::Yes(std::nullopt, c.stopTicked));
        ASSERT_EQ(m_service->StartNegotiation(Window()), RES_OK);
        EXPECT_EQ(m_service->CompleteNegotiation(u"Upload", 0, 0, 0, 1, 0), RES_OK);
        EXPECT_EQ(m_service->CompleteSession(), RES_OK) << "the session was negotiated";

        std::size_t results = 0;
        for (const AdminRecord& request : RequestLog())
            results += LoggedHeader(request, "QX-CommandType") == "Result" ? 1 : 0;
        EXPECT_EQ(results - resultsBefore, c.results);
        resultsBefore = results;
        if (c.serverSaw) {
            EXPECT_EQ(Device().GetOr("dialog-stop"), c.serverSaw);
        }
        EXPECT_EQ(Device().GetOr("session-state"), "completed");
    }
}

TEST_F(ServerDialogEndToEndTest, InputIsCheckedByItsDigestAndNeverTravelsInClear)
{
    RegisterByOperator();
    const std::string pin = "Gr\xC3\xBC\xC3\x9F"
                            "e-4711";
    // 261 bytes of UTF-8: both sides digest the first 259, which end inside the last "ü".
    std::string longPhrase;
    for (int i = 0; i < 130; ++i)
        longPhrase += "\xC3\xBC";
    longPhrase += "x";
    struct Case {
        const char* name;
        std::string expected;
        std::string typed;
        RETURNED_RES result;
        const char* verdict;
        std::size_t dialogs; // shown: the server's, then its refusal
    };
    const Case cases[] = {
        {"right value", pin, pin, RES_OK, "accepted", 1},
        {"wrong value", pin, "Gr\xC3\xBCsse-4711", RES_SERVER_ERROR, "refused", 2},
        {"value longer than the digest takes", longPhrase, longPhrase, RES_OK, "accepted", 1},
    };
    std::size_t shownBefore = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AdminReply queued = Admin("queue-dialog", {{"command", "StartNegotiation"},
                                                         {"device", kDeviceId},
                                                         {"title", "PIN"},
                                                         {"message", "Enter the PIN of your account"},
                                                         {"yes-label", "OK"},
                                                         {"yes-action", "SendInput"},
                                                         {"no-label", "Cancel"},
                                                         {"no-action", "Exit"},
                                                         {"input-name", "pin"},
                                                         {"input-type", "password"},
                                                         {"expect-input", c.expected},
                                                         {"refusal-message", "That PIN is wrong."}});
        ASSERT_TRUE(queued.Ok()) << queued.error;
        m_window->Script(DialogAnswer::Yes(Utf8ToUtf16(c.typed)));

        EXPECT_EQ(m_service->StartNegotiation(Window()), c.result);
        EXPECT_EQ(Device().GetOr("dialog-input"), c.verdict);
        const std::vector<ServerDialogRecord> shown = m_window->Shown();
        ASSERT_EQ(shown.size() - shownBefore, c.dialogs);
        const ServerDialogRecord& dialog = shown[shownBefore];
        EXPECT_EQ(dialog.title, u"PIN");
        EXPECT_EQ(dialog.message, u"Enter the PIN of your account");
        EXPECT_EQ(dialog.inputName, u"pin");
        EXPECT_EQ(dialog.inputType, u"password");
        EXPECT_EQ(dialog.yesAction, ACTION_SEND_INPUT);
        if (c.dialogs == 2) {
            EXPECT_EQ(shown.back().message, u"That PIN is wrong.");
        }
        shownBefore = shown.size();
    }

    // The answers went out as documents, and no typed value appears anywhere the server kept.
    const std::vector<AdminRecord> log = RequestLog();
    std::size_t answers = 0;
    for (const AdminRecord& request : log) {
        if (LoggedHeader(request, "QX-Command") != "GDOperation")
            continue;
        ++answers;
        EXPECT_EQ(request.GetOr("method"), "POST");
        EXPECT_NE(request.GetOr("body-size"), "0");
    }
    EXPECT_EQ(answers, std::size(cases));
    const std::string everything = EncodeRecords(log) + m_server.Log();
    for (const Case& c : cases) {
        EXPECT_EQ(everything.find(c.typed), std::string::npos) << c.name;
        EXPECT_EQ(everything.find(Base64Encode(c.typed)), std::string::npos) << c.name;
    }
}

} // namespace
