#include "testing/ScriptedUiPort.h"

#include <gtest/gtest.h>

TEST(UiPort, HeadlessAnswersOkForOkBoxesAndNoOrCancelOtherwise)
{
    struct Case {
        unsigned type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDCANCEL},
        {MB_YESNO, IDNO},
        {MB_YESNOCANCEL, IDCANCEL},
        {MB_YESNO | 0x30u /* an icon flag */, IDNO},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HeadlessAnswer(c.type), c.answer) << c.type;
    EXPECT_EQ(CUiPort::Get().MessageBox(0, u"headless", u"test", MB_OKCANCEL), IDCANCEL);
}

TEST(UiPort, ScriptedPortAnswersFromItsScriptAndRecords)
{
    CScriptedUiPort port;
    CUiPort::Install(&port);
    port.Answer(IDYES);
    EXPECT_EQ(CUiPort::Get().MessageBox(7, u"Send?", u"Lumeno", MB_YESNO), IDYES);
    EXPECT_EQ(CUiPort::Get().MessageBox(0, u"Again?", u"Lumeno", MB_YESNO), IDNO); // script used up
    CUiPort::Install(nullptr);

    const auto shown = port.ShownBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].owner, 7u);
    EXPECT_EQ(shown[0].text, u"Send?");
    EXPECT_EQ(shown[0].caption, u"Lumeno");
    EXPECT_EQ(shown[0].answer, IDYES);
    EXPECT_EQ(shown[1].answer, IDNO);
    EXPECT_NE(&CUiPort::Get(), &port);
}
