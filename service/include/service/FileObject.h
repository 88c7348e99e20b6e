#pragma once
// One file of a files list, as the scan, the server's lists, the transfers and the files list dialog
// share it. A list belongs to its caller (the runner), which passes it to the file flows and to the
// dialog in turn; the flows replace or extend it, the dialog ticks its records.
//
// Paths are host paths written as "file://" + the path with "/" separators: the scan stores where a
// file really is (its real name, whatever the case of its extension), a download stores where it will
// be written. A path taken from the server is used only inside the folders the scan and the downloads
// cover (FilePathGuard).
//
// Plain values; copying a record copies its thumbnail. No thread rules beyond the caller's.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The kind of a file, by the extension of its name.
enum FILE_KIND : std::int32_t {
    FILE_KIND_IMAGE = 0,
    FILE_KIND_VIDEO = 1,
    FILE_KIND_AUDIO = 2,
    FILE_KIND_OTHER = 3,
};
inline constexpr int kFileKindCount = 4;

struct FILE_OBJECT {
    std::int64_t size = 0;     // in bytes; 0 when the server did not say
    std::int32_t kind = FILE_KIND_IMAGE;
    std::int32_t selected = 0; // 1 when the user ticked the file
    std::int32_t id = 0;       // the server's media id; 0 for files of the device
    std::u16string path;       // "file://" + host path; may be empty for a server file
    std::u16string status;     // "new" for scanned files; the server's status ("deleted", ...)
    std::u16string name;       // file name without folder, its extension in lower case
    // For scanned files the last-write time: the high and then the low 32 bits of the file time as two
    // unsigned decimals written one after the other.
    std::u16string revision;
    std::vector<std::uint8_t> thumbnail; // picture bytes the server sent; empty without
};

using FileList = std::vector<FILE_OBJECT>;

inline constexpr std::u16string_view kFileUrlPrefix = u"file://";

// The path without its "file://" prefix (the whole text when it has none).
inline std::u16string_view LocalPathOf(const FILE_OBJECT& file)
{
    std::u16string_view path = file.path;
    if (path.starts_with(kFileUrlPrefix))
        path.remove_prefix(kFileUrlPrefix.size());
    return path;
}
