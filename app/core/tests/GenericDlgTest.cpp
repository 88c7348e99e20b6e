// The server dialog window's rules: which keys and fields it shows, what the keys write into the
// record, and the input field's rules.

#include "core/GenericDlg.h"
#include "service/BrandingTexts.h"
#include "testing/ScriptedUiPort.h"
#include "service/CBrandingGuide.h"

#include <gtest/gtest.h>

namespace {

class GenericDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_record.Reset();
        m_record.title = u"Account";
        m_record.yesLabel = u"OK";
        m_record.noLabel = u"Later";
        CUiPort::Install(&m_boxes);
    }
    void TearDown() override { CUiPort::Install(nullptr); }

    void AskFor(std::u16string type, std::u16string value = u"")
    {
        m_record.hasInput = 1;
        m_record.inputType = std::move(type);
        m_record.inputValue = std::move(value);
    }

    ServerDialogRecord m_record;
    CScriptedUiPort m_boxes;
};

TEST_F(GenericDlgTest, EmptyInputRefusesTheLeftKey)
{
    AskFor(u"text");
    GenericDlg dialog(m_record);
    EXPECT_EQ(dialog.PressLeft(), GenericDlg::Result::Open);
    ASSERT_EQ(m_boxes.ShownBoxes().size(), 1u);
    EXPECT_EQ(m_boxes.ShownBoxes()[0].text, BrandingText(kTextEmptyInput));
    EXPECT_TRUE(dialog.IsOpen());
    // Refused, then cancelled: the record still says no.
    dialog.PressCancel();
    EXPECT_EQ(m_record.chosenButton, kButtonNo);
}

TEST_F(GenericDlgTest, TypedValueIsStoredWithOneCaseConversion)
{
    struct Case {
        const char16_t* type;
        const char16_t* typed;
        const char16_t* stored;
    };
    const Case cases[] = {
        {u"text", u"Alice Ünal", u"alice ünal"}, {u"", u"MiXeD", u"mixed"},
        {u"password", u"Se Cr3T", u"Se Cr3T"},   {u"numeric", u"0042", u"0042"},
        {u"text", u"ΑΒΓ Жук", u"αβγ жук"},
    };
    for (const Case& input : cases) {
        SCOPED_TRACE(std::string(input.typed, input.typed + 3));
        SetUp();
        AskFor(input.type, u"default");
        GenericDlg dialog(m_record);
        EXPECT_EQ(dialog.Typed(), u"default");
        ASSERT_TRUE(dialog.SetTyped(input.typed));
        EXPECT_EQ(dialog.PressLeft(), GenericDlg::Result::Left);
        EXPECT_EQ(m_record.chosenButton, kButtonYes);
        EXPECT_EQ(m_record.inputValue, input.stored);
    }
}

TEST_F(GenericDlgTest, PasswordIsShownMasked)
{
    AskFor(u"password");
    GenericDlg dialog(m_record);
    dialog.SetTyped(u"abc");
    EXPECT_EQ(dialog.Shown(), u"***");
    EXPECT_EQ(dialog.Typed(), u"abc");
}

TEST_F(GenericDlgTest, NumericFieldTakesDigitsOnly)
{
    AskFor(u"numeric", u"12");
    GenericDlg dialog(m_record);
    for (const char16_t* refused : {u"12a", u"-1", u" 1", u"１"})
        EXPECT_FALSE(dialog.SetTyped(refused));
    EXPECT_EQ(dialog.Typed(), u"12");
    EXPECT_TRUE(dialog.SetTyped(u"0123456789"));
    EXPECT_TRUE(dialog.SetTyped(u""));
}

TEST_F(GenericDlgTest, RightKeyStoresOnlyTheButton)
{
    AskFor(u"text", u"default");
    m_record.hasStopDialog = 1;
    m_record.stopLabel = u"Stop";
    GenericDlg dialog(m_record);
    dialog.SetTyped(u"typed");
    dialog.SetStopTicked(true);
    EXPECT_EQ(dialog.PressRight(), GenericDlg::Result::Right);
    EXPECT_EQ(m_record.chosenButton, kButtonNo);
    EXPECT_EQ(m_record.inputValue, u"default");
    EXPECT_EQ(m_record.hasStopDialog, 1);
}

TEST_F(GenericDlgTest, StopBox)
{
    struct Case {
        const char16_t* label;
        int stopDefault;
        bool tick; // what the user sets (ignored while hidden)
        bool shown;
        int stored;
    };
    const Case cases[] = {
        {u"Stop now", 1, true, true, 1},
        {u"Stop now", 1, false, true, 0},
        {u"Stop now", 0, true, true, 1},
        {u"", 1, true, false, 0},
    };
    for (const Case& box : cases) {
        SetUp();
        m_record.hasStopDialog = 1;
        m_record.stopLabel = box.label;
        m_record.stopDefault = box.stopDefault;
        GenericDlg dialog(m_record);
        EXPECT_EQ(dialog.HasStopBox(), box.shown);
        EXPECT_EQ(dialog.StopTicked(), box.shown && box.stopDefault != 0);
        dialog.SetStopTicked(box.tick);
        dialog.PressLeft();
        EXPECT_EQ(m_record.hasStopDialog, box.stored);
    }
}

TEST_F(GenericDlgTest, OkKeyFollowsTheLabels)
{
    m_record.yesLabel.clear();
    m_record.noLabel.clear();
    GenericDlg dialog(m_record);
    EXPECT_FALSE(dialog.HasLeftKey());
    EXPECT_FALSE(dialog.HasRightKey());
    EXPECT_EQ(dialog.PressOk(), GenericDlg::Result::Right);
    EXPECT_EQ(m_record.chosenButton, kButtonNo);

    SetUp();
    GenericDlg withLabels(m_record);
    EXPECT_EQ(withLabels.PressOk(), GenericDlg::Result::Left);
    EXPECT_EQ(m_record.chosenButton, kButtonYes);
}

} // namespace
