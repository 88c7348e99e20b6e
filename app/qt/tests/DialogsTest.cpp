// The dialogs driven as a user drives them: the server's dialog with its input rules, and the
// wizard's Next and Cancel.

#include "GenericWindow.h"
#include "QtFixture.h"
#include "WizardWindow.h"
#include "core/GenericDlg.h"
#include "service/BrandingTexts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

namespace {

class DialogsTest : public QtFixture {};

struct InputCase {
    const char* type;
    const char* typed;
    QString shown;         // what the field shows
    bool answered;         // the left key closed the dialog
    std::u16string stored; // the value stored then
};

TEST_F(DialogsTest, TheServerDialogsInputRules)
{
    const InputCase cases[] = {
        {"text", "", QString(), false, u""},
        {"numeric", "12ab3", QStringLiteral("123"), true, u"123"},
        {"password", "Se cret", QStringLiteral("*******"), true, u"Se cret"},
        {"text", "MiXed", QStringLiteral("MiXed"), true, u"mixed"},
    };
    for (const InputCase& input : cases) {
        SCOPED_TRACE(std::string(input.type) + " \"" + input.typed + "\"");
        ServerDialogRecord record;
        record.title = u"Account";
        record.message = u"Your code, please.";
        record.yesLabel = u"Send";
        record.noLabel = u"Later";
        record.hasInput = 1;
        record.inputType = Utf8ToUtf16(input.type);
        GenericDlg dialog(record);
        CGenericWindow window(dialog, nullptr);
        window.show();
        QTest::keyClicks(&window.Input(), QString::fromUtf8(input.typed));
        EXPECT_EQ(window.Input().displayText(), input.shown);
        const std::size_t boxesBefore = m_boxes.ShownBoxes().size();
        QTest::mouseClick(&window.Keys().Left(), Qt::LeftButton);
        EXPECT_EQ(!dialog.IsOpen(), input.answered);
        if (input.answered) {
            EXPECT_EQ(record.inputValue, input.stored);
            EXPECT_EQ(record.chosenButton, kButtonYes);
        } else {
            ASSERT_EQ(m_boxes.ShownBoxes().size(), boxesBefore + 1);
            EXPECT_EQ(m_boxes.ShownBoxes().back().text, BrandingText(kTextEmptyInput));
            EXPECT_TRUE(window.isVisible());
        }
    }
}

TEST_F(DialogsTest, WithoutLabelsTheKeysAndTheStopBoxAreHiddenAndEnterAnswersNo)
{
    ServerDialogRecord record;
    record.message = u"The server is busy.";
    record.hasStopDialog = 1;
    GenericDlg dialog(record);
    CGenericWindow window(dialog, nullptr);
    window.show();
    EXPECT_FALSE(window.Keys().Left().isVisible());
    EXPECT_FALSE(window.Keys().Right().isVisible());
    EXPECT_FALSE(window.StopBox().isVisible());
    EXPECT_FALSE(window.Input().isVisible());
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(dialog.State(), GenericDlg::Result::Right);
    EXPECT_EQ(record.chosenButton, kButtonNo);
    EXPECT_EQ(record.hasStopDialog, 1) << "the right key stores nothing but the button";
}

TEST_F(DialogsTest, TheWizardsNextKeepsTheTicksAndCancelReturnsFalse)
{
    for (const bool next : {true, false}) {
        SCOPED_TRACE(next ? "Next" : "Cancel");
        _SETTINGS_DEF settings;
        settings.Enable_Sync_Contacts = 1;
        settings.Enable_Sync_Events = 0;
        settings.Enable_Sync_Folders = 1;
        settings.Sync_Images = 0;
        CWizard wizard(settings);
        WhenShown<CWizardWindow>([next](CWizardWindow& window) {
            EXPECT_EQ(window.Box(CWizard::Box::Calendar), nullptr) << "calendar is not enabled";
            QTest::mouseClick(window.Box(CWizard::Box::Images), Qt::LeftButton);
            QTest::mouseClick(next ? &window.Keys().Right() : &window.Keys().Left(), Qt::LeftButton);
        });
        EXPECT_EQ(m_ui->RunWizard(wizard), next);
        EXPECT_TRUE(wizard.IsTicked(CWizard::Box::Images));
    }
}

} // namespace
