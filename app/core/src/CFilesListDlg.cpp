#include "core/CFilesListDlg.h"

#include "platform/Shell.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"
#include "utils/Utf.h"

#include <array>
#include <cstdio>
#include <filesystem>

namespace {

constexpr int kAllKinds = -1;

struct FilterEntry {
    int command;
    int kind; // kAllKinds for every kind
};

constexpr std::array<FilterEntry, 5> kFilters = {{
    {FILES_SHOW_ALL, kAllKinds},
    {FILES_SHOW_IMAGES, FILE_KIND_IMAGE},
    {FILES_SHOW_VIDEO, FILE_KIND_VIDEO},
    {FILES_SHOW_AUDIO, FILE_KIND_AUDIO},
    {FILES_SHOW_OTHER, FILE_KIND_OTHER},
}};

constexpr std::array<FilesListMenuItem, 5> kKindMenu = {{
    {FILES_SHOW_ALL, kTextAllFiles},
    {FILES_SHOW_IMAGES, kTextImages},
    {FILES_SHOW_VIDEO, kTextVideos},
    {FILES_SHOW_AUDIO, kTextMusic},
    {FILES_SHOW_OTHER, kTextOtherFiles},
}};

constexpr std::array<FilesListMenuItem, 4> kOptionsMenu = {{
    {FILES_DETAILS, kTextDetails},
    {FILES_PREVIEW, kTextPreview},
    {FILES_HELP, kTextHelp},
    {FILES_CANCEL, kTextCancel},
}};

const FilterEntry* FindFilter(int command)
{
    for (const FilterEntry& filter : kFilters) {
        if (filter.command == command)
            return &filter;
    }
    return nullptr;
}

int BitmapOf(std::int32_t kind)
{
    switch (kind) {
    case FILE_KIND_IMAGE:
        return 0;
    case FILE_KIND_VIDEO:
        return CFilesListDlg::kVideoBitmap;
    case FILE_KIND_AUDIO:
        return CFilesListDlg::kAudioBitmap;
    default:
        return CFilesListDlg::kOtherBitmap;
    }
}

} // namespace

std::u16string FileSizeText(std::int64_t bytes)
{
    char text[64];
    const auto value = static_cast<float>(bytes);
    if (bytes <= 1024)
        std::snprintf(text, sizeof text, "%lldB", static_cast<long long>(bytes));
    else if (bytes <= 1048576)
        std::snprintf(text, sizeof text, "%.2fKB", static_cast<double>(value * 0x1p-10f));
    else if (bytes <= 1073741824)
        std::snprintf(text, sizeof text, "%.2fMB", static_cast<double>(value * 0x1p-20f));
    else
        std::snprintf(text, sizeof text, "%.2fGB", static_cast<double>(value * 0x1p-30f));
    return Utf8ToUtf16(text);
}

CFilesListDlg::CFilesListDlg(FileList& list, int& selectedCount, Mode mode)
    : m_list(list), m_selectedCount(selectedCount), m_mode(mode)
{
    Fill();
}

std::span<const FilesListMenuItem> CFilesListDlg::KindMenu()
{
    return kKindMenu;
}

std::span<const FilesListMenuItem> CFilesListDlg::OptionsMenu()
{
    return kOptionsMenu;
}

bool CFilesListDlg::IsEnabled(int command) const
{
    if (command == FILES_PREVIEW)
        return m_mode == Mode::Upload;
    return command != m_filter;
}

void CFilesListDlg::ChooseFilter(int command)
{
    if (!FindFilter(command))
        return;
    m_filter = command;
    Fill();
}

void CFilesListDlg::Fill()
{
    m_rows.clear();
    m_selectedCount = 0;
    for (const FILE_OBJECT& file : m_list)
        m_selectedCount += file.selected != 0 ? 1 : 0;
    const int kind = FindFilter(m_filter)->kind;
    for (std::size_t index = 0; index < m_list.size(); ++index) {
        if (kind == kAllKinds || m_list[index].kind == kind)
            m_rows.push_back(RowOf(index));
    }
    if (m_rows.empty())
        m_rows.push_back(FilesListRow{std::nullopt, {}, std::u16string(kNoFilesText), {}, false});
}

FilesListRow CFilesListDlg::RowOf(std::size_t index)
{
    FILE_OBJECT& file = m_list[index];
    if (file.size == 0 && !file.path.empty()) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(Utf16ToUtf8(LocalPathOf(file))), error);
        if (!error)
            file.size = static_cast<std::int64_t>(size);
    }
    FilesListRow row;
    row.record = index;
    row.picture.bitmap = BitmapOf(file.kind);
    if (row.picture.bitmap == 0) {
        row.picture.thumbnail = file.thumbnail;
        // A path in a server's list is no file of ours to read.
        if (file.thumbnail.empty() && m_mode == Mode::Upload)
            row.picture.file = LocalPathOf(file);
    }
    row.name = file.name;
    row.sizeLine = u" Size  " + FileSizeText(file.size);
    row.selected = file.selected != 0;
    return row;
}

const FILE_OBJECT* CFilesListDlg::RecordOf(std::size_t row) const
{
    if (row >= m_rows.size() || !m_rows[row].record)
        return nullptr;
    return &m_list[*m_rows[row].record];
}

void CFilesListDlg::Toggle(std::size_t row)
{
    if (!RecordOf(row))
        return;
    FILE_OBJECT& file = m_list[*m_rows[row].record];
    file.selected = file.selected != 0 ? 0 : 1;
    m_rows[row].selected = file.selected != 0;
    m_selectedCount += file.selected != 0 ? 1 : -1;
}

std::u16string CFilesListDlg::DetailsText(std::size_t row) const
{
    const FILE_OBJECT* file = RecordOf(row);
    if (!file)
        return {};
    std::u16string text;
    if (!file->path.empty())
        text = BrandingText(kTextPath) + u"  " + file->path + u"\r\n";
    if (file->size != 0)
        text += BrandingText(kTextSize) + u"  " + Utf8ToUtf16(std::to_string(file->size));
    return text;
}

bool CFilesListDlg::Preview(std::size_t row) const
{
    const FILE_OBJECT* file = RecordOf(row);
    if (!file || m_mode != Mode::Upload)
        return false;
    return CShell::Get().OpenFile(LocalPathOf(*file));
}

std::u16string CFilesListDlg::HelpTitle()
{
    return BrandingText(kTextHelp);
}

std::u16string CFilesListDlg::HelpText() const
{
    return BrandingText(m_mode == Mode::Upload ? kTextUploadHelp : kTextSettingsHelp);
}
