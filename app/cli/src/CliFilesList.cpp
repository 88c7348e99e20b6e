// The files list of Upload and Download in a terminal: a numbered table of the rows (tick, kind,
// size, status, name), answered line by line, or at once by --all / --select.

#include "CliText.h"
#include "CliUi.h"
#include "core/CFilesListDlg.h"
#include "core/Operations.h"

#include <fnmatch.h>

#include <cstdio>
#include <sstream>

namespace {

struct FilterKey {
    const char* key;
    int command;
};

constexpr FilterKey kFilterKeys[] = {
    {"a", FILES_SHOW_ALL},   {"i", FILES_SHOW_IMAGES}, {"v", FILES_SHOW_VIDEO},
    {"m", FILES_SHOW_AUDIO}, {"o", FILES_SHOW_OTHER},
};

const char* KindWord(std::int32_t kind)
{
    switch (kind) {
    case FILE_KIND_IMAGE:
        return "image";
    case FILE_KIND_VIDEO:
        return "video";
    case FILE_KIND_AUDIO:
        return "audio";
    default:
        return "other";
    }
}

int LabelOf(int command)
{
    for (const FilesListMenuItem& item : CFilesListDlg::KindMenu()) {
        if (item.command == command)
            return item.labelText;
    }
    return 0;
}

// The row numbers a line names: numbers and ranges ("3", "1 4 7", "2-5"); nothing when the line holds
// anything else or a number outside 1 .. count.
std::optional<std::vector<std::size_t>> RowNumbers(const std::string& line, std::size_t count)
{
    std::vector<std::size_t> rows;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        unsigned long first = 0;
        unsigned long last = 0;
        char dash = 0;
        char extra = 0;
        const int read = std::sscanf(word.c_str(), "%lu%c%lu%c", &first, &dash, &last, &extra);
        if (word.find_first_not_of("0123456789-") != std::string::npos || (read != 1 && read != 3) ||
            (read == 3 && dash != '-'))
            return std::nullopt;
        if (read == 1)
            last = first;
        if (first < 1 || last < first || last > count)
            return std::nullopt;
        for (unsigned long row = first; row <= last; ++row)
            rows.push_back(row - 1);
    }
    if (rows.empty())
        return std::nullopt;
    return rows;
}

std::string RowLine(const CFilesListDlg& dialog, const FileList& list, std::size_t row)
{
    const FilesListRow& shown = dialog.Rows()[row];
    if (!shown.record)
        return TerminalText(shown.name);
    const FILE_OBJECT& file = list[*shown.record];
    char head[64];
    std::snprintf(head, sizeof head, "%4zu %s %-5s %10s  %-8s ", row + 1, shown.selected ? "[x]" : "[ ]",
                  KindWord(file.kind), Utf16ToUtf8(FileSizeText(file.size)).c_str(),
                  PrintableText(file.status.substr(0, 8)).c_str());
    return head + PrintableText(shown.name);
}

} // namespace

void CCliUi::PrintFilesList(const CFilesListDlg& dialog)
{
    std::string table = "  Show: " + Text(LabelOf(dialog.Filter())) + " (" + std::to_string(dialog.SelectedCount()) +
                        " ticked)\n";
    for (std::size_t row = 0; row < dialog.Rows().size(); ++row)
        table += RowLine(dialog, dialog.List(), row) + "\n";
    table.pop_back();
    m_terminal.Print(table);
}

void CCliUi::TickChosenFiles(CFilesListDlg& dialog)
{
    for (std::size_t row = 0; row < dialog.Rows().size(); ++row) {
        const FilesListRow& shown = dialog.Rows()[row];
        if (!shown.record || shown.selected)
            continue;
        const std::string name = Utf16ToUtf8(shown.name);
        bool chosen = m_fileChoice.all;
        for (const std::string& pattern : m_fileChoice.patterns)
            chosen = chosen || ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
        if (chosen)
            dialog.Toggle(row);
    }
}

bool CCliUi::RunFilesList(CFilesListDlg& dialog)
{
    const bool upload = dialog.GetMode() == CFilesListDlg::Mode::Upload;
    m_terminal.Print("== " + Text(OperationTable()[upload ? OP_UPLOAD : OP_DOWNLOAD].titleText) + " ==");
    if (m_fileChoice.IsSet() || AnswersFixed()) {
        const bool done = m_fileChoice.IsSet() || (m_answers == Answers::Yes && !m_exitRequested.load());
        if (m_fileChoice.IsSet())
            TickChosenFiles(dialog);
        PrintFilesList(dialog);
        m_terminal.Print(std::string("  -> ") + (done ? "Done" : "Cancel") +
                         (m_fileChoice.all           ? " (--all)"
                          : m_fileChoice.IsSet()     ? " (--select)"
                          : done                     ? " (--yes)"
                                                     : " (--no)"));
        done ? dialog.PressDone() : dialog.PressCancel();
        return done;
    }
    PrintFilesList(dialog);
    while (dialog.GetState() == CFilesListDlg::State::Open) {
        const std::optional<std::string> line = m_terminal.Prompt(
            "  Numbers tick or untick (1 4 7, 2-5); show a(ll) i(mages) v(ideos) m(usic) o(ther); l(ist); "
            "d N details" +
            std::string(upload ? ", p N preview" : "") + "; h(elp); Enter: Done, c: Cancel: ");
        if (!line) {
            dialog.PressCancel();
            break;
        }
        HandleFilesListLine(dialog, *line);
    }
    return dialog.GetState() == CFilesListDlg::State::Done;
}

void CCliUi::HandleFilesListLine(CFilesListDlg& dialog, const std::string& line)
{
    const std::size_t count = dialog.Rows().size();
    if (line.empty()) {
        dialog.PressDone();
        return;
    }
    if (line == "c") {
        dialog.PressCancel();
        return;
    }
    for (const FilterKey& filter : kFilterKeys) {
        if (line == filter.key) {
            dialog.ChooseFilter(filter.command);
            PrintFilesList(dialog);
            return;
        }
    }
    if (line == "l") {
        PrintFilesList(dialog);
    } else if (line == "h") {
        ShowTextViewer(CFilesListDlg::HelpTitle(), dialog.HelpText());
    } else if ((line.starts_with("d ") || line.starts_with("p ")) && RowNumbers(line.substr(2), count)) {
        const std::size_t row = RowNumbers(line.substr(2), count)->front();
        if (line[0] == 'd')
            PrintDetails(dialog.DetailsText(row));
        else if (!dialog.IsEnabled(FILES_PREVIEW) || !dialog.Preview(row))
            m_terminal.Print("  This file cannot be previewed.");
    } else if (const std::optional<std::vector<std::size_t>> rows = RowNumbers(line, count)) {
        for (const std::size_t row : *rows) {
            dialog.Toggle(row);
            m_terminal.Print(RowLine(dialog, dialog.List(), row));
        }
    } else {
        m_terminal.Print("  Unknown choice \"" + line + "\".");
    }
}

void CCliUi::PrintDetails(std::u16string_view details)
{
    std::string shown;
    while (!details.empty()) {
        const std::size_t end = std::min(details.find(u"\r\n"), details.size());
        shown += "  " + PrintableText(details.substr(0, end)) + "\n";
        details.remove_prefix(std::min(end + 2, details.size()));
    }
    if (!shown.empty())
        shown.pop_back();
    m_terminal.Print(shown);
}
