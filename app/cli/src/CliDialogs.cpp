// The modal dialogs of lumeno-cli as prompts: the server's dialog, the wizard, and the settings and
// storage dialogs.

#include "CliText.h"
#include "CliUi.h"
#include "core/CStorage.h"
#include "core/CSynchronization.h"
#include "core/CWizard.h"
#include "core/GenericDlg.h"
#include "service/BrandingTexts.h"

namespace {

std::string TickBox(bool ticked)
{
    return ticked ? "[x] " : "[ ] ";
}

// The number typed, when the line is one from 1 to `count`.
std::optional<std::size_t> Numbered(const std::string& line, std::size_t count)
{
    if (line.empty() || line.size() > 2 || line.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::size_t number = std::stoul(line);
    if (number < 1 || number > count)
        return std::nullopt;
    return number - 1;
}

} // namespace

void CCliUi::RunGenericDialog(GenericDlg& dialog)
{
    std::string shown = "== " + TerminalText(dialog.Title()) + " ==\n" + TerminalText(dialog.Message());
    m_terminal.Print(shown);
    while (dialog.IsOpen()) {
        if (AnswersFixed()) {
            const bool yes = m_answers == Answers::Yes && !m_exitRequested.load();
            if (yes && dialog.HasLeftKey() && !(dialog.HasInput() && dialog.Typed().empty())) {
                m_terminal.Print("  -> " + TerminalText(dialog.LeftLabel()) + " (--yes)");
                dialog.PressLeft();
            } else {
                m_terminal.Print("  -> " +
                                 (dialog.HasRightKey() ? TerminalText(dialog.RightLabel()) : "Cancel") +
                                 " (" + (yes ? "--yes, nothing to enter" : "--no") + ")");
                if (dialog.HasRightKey())
                    dialog.PressRight();
                else
                    dialog.PressCancel();
            }
            return;
        }
        if (dialog.HasInput()) {
            const CTerminal::Echo echo = dialog.IsPassword() ? CTerminal::Echo::Off : CTerminal::Echo::On;
            const std::string kind = dialog.IsPassword()  ? "password"
                                     : dialog.IsNumeric() ? "digits only"
                                                          : "text";
            const std::string current =
                dialog.Typed().empty() ? "" : ", Enter keeps \"" + TerminalText(dialog.Shown()) + "\"";
            const std::optional<std::string> typed =
                m_terminal.Prompt("  Value (" + kind + current + "): ", echo);
            if (!typed) {
                dialog.PressCancel();
                return;
            }
            if (!typed->empty() && !dialog.SetTyped(Utf8ToUtf16(*typed))) {
                m_terminal.Print("  Only the digits 0 to 9 are taken here.");
                continue;
            }
        }
        if (dialog.HasStopBox()) {
            const std::optional<std::string> tick =
                m_terminal.Prompt("  " + TickBox(dialog.StopTicked()) + TerminalText(dialog.StopLabel()) +
                                  " - tick it? (y)es / (n)o, Enter keeps it: ");
            if (tick && (*tick == "y" || *tick == "yes"))
                dialog.SetStopTicked(true);
            else if (tick && (*tick == "n" || *tick == "no"))
                dialog.SetStopTicked(false);
        }
        std::string keys = "  ";
        if (dialog.HasLeftKey())
            keys += "1 " + TerminalText(dialog.LeftLabel()) + "   ";
        if (dialog.HasRightKey())
            keys += "2 " + TerminalText(dialog.RightLabel()) + "   ";
        keys += "Enter OK   c Cancel: ";
        const std::optional<std::string> key = m_terminal.Prompt(keys);
        if (!key || *key == "c") {
            dialog.PressCancel();
        } else if (*key == "1" && dialog.HasLeftKey()) {
            dialog.PressLeft();
        } else if (*key == "2" && dialog.HasRightKey()) {
            dialog.PressRight();
        } else if (key->empty()) {
            dialog.PressOk();
        }
    }
}

bool CCliUi::RunWizard(CWizard& wizard)
{
    m_terminal.Print("== " + Text(kTextWizardTitle) + " ==");
    std::vector<CWizard::Box> shown;
    for (CWizard::Box box : CWizard::kBoxes) {
        if (wizard.IsVisible(box))
            shown.push_back(box);
    }
    for (;;) {
        std::string list;
        for (std::size_t i = 0; i < shown.size(); ++i)
            list += "  " + std::to_string(i + 1) + " " + TickBox(wizard.IsTicked(shown[i])) +
                    Text(CWizard::LabelText(shown[i])) + (i + 1 < shown.size() ? "\n" : "");
        m_terminal.Print(list);
        if (AnswersFixed()) {
            const bool next = m_answers == Answers::Yes && !m_exitRequested.load();
            m_terminal.Print("  -> " + Text(next ? kTextNext : kTextCancel) +
                             (next ? " (--yes)" : " (--no)"));
            return next;
        }
        const std::optional<std::string> line =
            m_terminal.Prompt("  A number ticks or unticks; Enter: " + Text(kTextNext) +
                              ", c: " + Text(kTextCancel) + ": ");
        if (!line || *line == "c")
            return false;
        if (line->empty())
            return true;
        if (const std::optional<std::size_t> index = Numbered(*line, shown.size()))
            wizard.SetTicked(shown[*index], !wizard.IsTicked(shown[*index]));
    }
}

bool CCliUi::RunSettingsDialog(CSynchronization& dialog)
{
    using Box = CSynchronization::Box;
    for (;;) {
        // The visible items, each with what choosing its number does.
        std::vector<std::pair<std::string, std::function<void()>>> items;
        for (Box box : {Box::Contacts, Box::Calendar, Box::Sms}) {
            if (dialog.IsVisible(box))
                items.emplace_back(TickBox(dialog.IsTicked(box)) + Text(CSynchronization::BoxLabelText(box)),
                                   [&dialog, box] { dialog.SetTicked(box, !dialog.IsTicked(box)); });
        }
        for (MediaKind kind : kMediaKinds) {
            if (!dialog.AreMediaVisible())
                break;
            const MediaChoice choice = dialog.Media(kind);
            items.emplace_back(Text(CSynchronization::MediaLabelText(kind)) + " " +
                                   Text(kMediaChoiceText[choice]),
                               [&dialog, kind, choice] {
                                   dialog.SetMedia(kind, static_cast<MediaChoice>((choice + 1) % 3));
                               });
        }
        if (dialog.IsPeriodVisible() && !dialog.Periods().empty()) {
            const std::size_t entry = dialog.Period();
            items.emplace_back(Text(kTextAutomaticSync) + " " +
                                   Text(dialog.Periods()[entry].labelText),
                               [&dialog, entry] { dialog.SetPeriod((entry + 1) % dialog.Periods().size()); });
        }
        std::string list = "== " + Text(kTextSettings) + " ==\n";
        for (std::size_t i = 0; i < items.size(); ++i)
            list += "  " + std::to_string(i + 1) + " " + items[i].first + "\n";
        list += std::string(dialog.StorageCommand() ? "  s " + Text(kTextDownloadFolders) + "   " : "  ") +
                "h " + Text(kTextHelp) + "   o " + Text(kTextOk) + "   c " + Text(kTextCancel);
        m_terminal.Print(list);
        if (AnswersFixed())
            return m_answers == Answers::Yes && !m_exitRequested.load();
        const std::optional<std::string> line = m_terminal.Prompt("  A number changes that item: ");
        if (!line || *line == "c")
            return false;
        if (*line == "o")
            return true;
        if (*line == "h")
            ShowTextViewer(BrandingText(kTextHelp), BrandingText(kTextSettingsHelp));
        else if (*line == "s")
            RunStorageDialog(dialog);
        else if (const std::optional<std::size_t> index = Numbered(*line, items.size()))
            items[*index].second();
    }
}

void CCliUi::RunStorageDialog(CSynchronization& dialog)
{
    std::optional<CStorage> storage = dialog.StorageCommand();
    if (!storage)
        return;
    for (;;) {
        std::string list =
            "== " + Text(kTextDownloadFolders) + " ==\n  1 " + Text(kMemoryChoiceText[storage->Memory()]);
        for (std::size_t i = 0; i < kMediaKinds.size(); ++i)
            list += "\n  " + std::to_string(i + 2) + " " + Text(CStorage::FolderLabelText(kMediaKinds[i])) +
                    " " + TerminalText(storage->Folder(kMediaKinds[i]));
        list += "\n  h " + Text(kTextHelp) + "   o " + Text(kTextOk) + "   c " + Text(kTextCancel);
        m_terminal.Print(list);
        const std::optional<std::string> line = m_terminal.Prompt("  A number changes that item: ");
        if (!line || *line == "c")
            return;
        if (*line == "o") {
            dialog.AcceptStorage(*storage);
            return;
        }
        if (*line == "h") {
            ShowTextViewer(BrandingText(kTextHelp), BrandingText(kTextSettingsHelp));
        } else if (*line == "1") {
            storage->SetMemory(static_cast<MemoryChoice>((storage->Memory() + 1) % 3));
        } else if (const std::optional<std::size_t> index = Numbered(*line, 5); index && *index > 0) {
            const std::optional<std::string> folder = m_terminal.Prompt("  Folder: ");
            if (folder)
                storage->ChooseFolder(kMediaKinds[*index - 1], Utf8ToUtf16(*folder));
        }
    }
}
