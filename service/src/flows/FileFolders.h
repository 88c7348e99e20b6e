#pragma once
// Where the file flows may look and write: the folders the scan walks (the documents folder of the
// phone memory, and of each storage card its documents folder and its "DCIM" folder), the folders the
// user forbade ("Forbidden-Folders"), and the guard that lets a path named by the server through
// only when it lies inside a scanned folder or a download folder, and in no forbidden one.
//
// Worker thread; plain values.

#include "service/CReg_Api.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A folder as the scan walks it: where it is on the host, and its path on the device ("/My Documents",
// "/Storage Card/DCIM", ...), by which "Forbidden-Folders" may name it too.
struct ScanFolder {
    std::filesystem::path host;
    std::u16string device;
};

// The scan's starting folders in scan order: the documents folder, then the special folders (My
// Pictures, My Videos, My Music) that live outside it on the host, then per storage card in card
// order its documents folder and its "DCIM" folder. Folders that do not exist are listed too.
std::vector<ScanFolder> ScanRoots();

// The ";"-separated entries of "Forbidden-Folders", each a host path or a device path; a folder is
// forbidden when either of its paths equals an entry, ignoring case and a trailing separator.
class CForbiddenFolders {
public:
    explicit CForbiddenFolders(std::u16string_view setting);
    bool IsForbidden(const ScanFolder& folder) const;
    // Whether a host path lies in a forbidden folder or below it.
    bool Covers(const std::filesystem::path& host) const;

private:
    // Both as the comparable text of a folder: folded, "/" separators, no trailing "/".
    std::vector<std::u16string> m_entries;     // as written
    std::vector<std::u16string> m_hostFolders; // each entry where it is on the host, also resolved
};

// Decides whether a path from a server answer may be read, written or deleted.
class CFilePathGuard {
public:
    explicit CFilePathGuard(const _SETTINGS_DEF& settings);
    // The path with its folder resolved (".", ".." and symbolic links) and its file name kept, when
    // that lies inside a scanned folder or a download folder, and outside every forbidden one;
    // nothing otherwise, and for a path that is not absolute, ends without a file name or holds
    // control characters.
    std::optional<std::filesystem::path> Confine(std::u16string_view path) const;

private:
    std::vector<std::filesystem::path> m_scanned;   // resolved
    std::vector<std::filesystem::path> m_downloads; // resolved
    CForbiddenFolders m_forbidden;
};

// Whether a name from the server can be a file name of its own: not empty, not "." or "..", no "/"
// or "\", no control characters.
bool IsPlainFileName(std::u16string_view name);
