#pragma once
// The files list dialog, as a model: the files of an Upload or Download (the runner's list) as rows
// with a picture, the name and size, and a tick box; a filter by kind of file; the details, preview
// and help of the options menu; Done and Cancel. Ticking writes the records' `selected` flag in place
// and keeps the caller's count of ticked records, so the runner hands the same list to the transfer.
//
// How a front end shows it:
// - Rows(): one row per record of the current filter, in list order; a list without rows for the
//   filter shows one placeholder row (no record, no tick box, the text kNoFilesText).
// - The picture cell: for an image (`picture.bitmap` 0) decode `picture.thumbnail` when it is not
//   empty, else the file at `picture.file` (only device files are offered), as a thumbnail; when
//   decoding fails the cell shows no picture. Other kinds show bitmap resource 186 (video), 185
//   (audio) or 187 (other): the front end's icon for that kind.
// - The text cell: `name`, and below it `sizeLine`.
// - The menu bar: a left soft key (kShowText) opening KindMenu() and a right soft key (kMenuText)
//   opening OptionsMenu(); IsEnabled() greys out the current filter and Preview outside Upload.
// - Tapping a row calls Toggle(row); the commands call the functions below; Done and Cancel close.
//
// Runs on the user-interface thread, while the runner waits for it; the list is not touched by
// anyone else meanwhile.

#include "service/FileObject.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Commands of the dialog's menus.
enum FilesListCommand : int {
    FILES_SHOW_ALL = 32788,
    FILES_SHOW_IMAGES = 32784,
    FILES_SHOW_VIDEO = 32785,
    FILES_SHOW_AUDIO = 32786,
    FILES_SHOW_OTHER = 32787,
    FILES_DETAILS = 32776,
    FILES_PREVIEW = 32779,
    FILES_HELP = 32778,
    FILES_CANCEL = 32789,
};

struct FilesListMenuItem {
    int command;
    int labelText;
};

struct FilesListPicture {
    int bitmap = 0;                          // 0: an image to decode, else the resource of the kind
    std::span<const std::uint8_t> thumbnail; // the server's picture of an image; valid while the dialog lives
    std::u16string file;                     // the image file on the device (host path); empty without
};

struct FilesListRow {
    std::optional<std::size_t> record; // index into the list; nothing for the placeholder row
    FilesListPicture picture;
    std::u16string name;
    std::u16string sizeLine; // " Size  1.50MB"
    bool selected = false;
};

// The size as the files list shows it: "%dB" up to 1024 bytes, then "%.2fKB" up to 1 MiB, "%.2fMB" up
// to 1 GiB and "%.2fGB" beyond, the division made in single precision.
std::u16string FileSizeText(std::int64_t bytes);

class CFilesListDlg {
public:
    static constexpr int kVideoBitmap = 186;
    static constexpr int kAudioBitmap = 185;
    static constexpr int kOtherBitmap = 187;
    static constexpr std::u16string_view kNoFilesText = u"   N0 FILES";

    enum class Mode : std::uint8_t { Upload, Download };
    enum class State : std::uint8_t { Open, Done, Cancelled };

    // Opens on every kind (FILES_SHOW_ALL); `selectedCount` becomes the number of ticked records.
    CFilesListDlg(FileList& list, int& selectedCount, Mode mode);

    Mode GetMode() const { return m_mode; }
    const FileList& List() const { return m_list; }
    static std::span<const FilesListMenuItem> KindMenu();
    static std::span<const FilesListMenuItem> OptionsMenu();
    bool IsEnabled(int command) const;

    int Filter() const { return m_filter; }
    // Shows the rows of that kind (or of all); ticks stay as they are. Other commands are ignored.
    void ChooseFilter(int command);
    const std::vector<FilesListRow>& Rows() const { return m_rows; }

    // Ticks or unticks the row's record; nothing for the placeholder row or a row out of range.
    void Toggle(std::size_t row);
    int SelectedCount() const { return m_selectedCount; }

    // Text 176 and the path (as stored, with "file://") when there is one, then text 177 and the size
    // in bytes when it is known; empty for the placeholder row. Shown in a box with an OK button.
    std::u16string DetailsText(std::size_t row) const;
    // Opens the row's file with the desktop's program for it (Upload only); false when it cannot.
    bool Preview(std::size_t row) const;
    static std::u16string HelpTitle();
    std::u16string HelpText() const;

    void PressDone() { m_state = State::Done; }
    void PressCancel() { m_state = State::Cancelled; }
    State GetState() const { return m_state; }

private:
    void Fill();
    FilesListRow RowOf(std::size_t index);
    const FILE_OBJECT* RecordOf(std::size_t row) const;

    FileList& m_list;
    int& m_selectedCount;
    const Mode m_mode;
    int m_filter = FILES_SHOW_ALL;
    std::vector<FilesListRow> m_rows;
    State m_state = State::Open;
};
