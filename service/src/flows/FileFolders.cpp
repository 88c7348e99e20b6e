#include "FileFolders.h"

#include "platform/DevicePaths.h"
#include "service/FileKinds.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kDocumentsDevicePath = u"/My Documents";

struct SpecialScan {
    SpecialFolder folder;
    std::u16string_view device;
};

constexpr SpecialScan kSpecialFolders[] = {
    {SpecialFolder::MyPictures, u"/My Documents/My Pictures"},
    {SpecialFolder::MyVideo, u"/My Documents/My Videos"},
    {SpecialFolder::MyMusic, u"/My Documents/My Music"},
};

// The path with symbolic links, "." and ".." resolved as far as it exists; nothing on failure.
std::optional<fs::path> Resolved(const fs::path& path)
{
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    if (error)
        return std::nullopt;
    return resolved;
}

// Whether `path` lies inside `folder` (both resolved), the folder itself included when `orSame`.
bool IsInside(const fs::path& path, const fs::path& folder, bool orSame)
{
    auto [inFolder, inPath] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    // A trailing separator leaves an empty last component in the folder.
    if (inFolder != folder.end() && inFolder->empty() && std::next(inFolder) == folder.end())
        inFolder = folder.end();
    if (inFolder != folder.end())
        return false;
    return orSame || std::any_of(inPath, path.end(), [](const fs::path& part) { return !part.empty(); });
}

// A folder path as "Forbidden-Folders" compares it: "/" separators, ASCII folded, no trailing "/".
std::u16string ComparableFolder(std::u16string_view path)
{
    std::u16string folded = FoldAscii(path);
    std::replace(folded.begin(), folded.end(), u'\\', u'/');
    while (folded.size() > 1 && folded.back() == u'/')
        folded.pop_back();
    return folded;
}

std::u16string ComparableHostFolder(const fs::path& path)
{
    return ComparableFolder(Utf8ToUtf16(path.string()));
}

bool StartsWithFolder(std::u16string_view path, std::u16string_view folder)
{
    return path == folder || (path.starts_with(folder) && path.size() > folder.size() &&
                              (path[folder.size()] == u'/' || folder == u"/"));
}

} // namespace

std::vector<ScanFolder> ScanRoots()
{
    std::vector<ScanFolder> roots;
    const fs::path documents = CDevicePaths::Special(SpecialFolder::MyDocuments, false);
    roots.push_back({documents, std::u16string(kDocumentsDevicePath)});
    // On a desktop the pictures, videos and music usually sit beside the documents, not in them.
    const std::optional<fs::path> resolvedDocuments = Resolved(documents);
    for (const SpecialScan& special : kSpecialFolders) {
        const fs::path host = CDevicePaths::Special(special.folder, false);
        const std::optional<fs::path> resolved = Resolved(host);
        if (resolvedDocuments && resolved && IsInside(*resolved, *resolvedDocuments, true))
            continue;
        roots.push_back({host, std::u16string(special.device)});
    }
    for (const StorageCard& card : CDevicePaths::StorageCards()) {
        if (card.name.empty())
            continue;
        const std::u16string device = u"/" + card.name;
        roots.push_back({card.hostPath / "My Documents", device + std::u16string(kDocumentsDevicePath)});
        roots.push_back({card.hostPath / "DCIM", device + u"/DCIM"});
    }
    return roots;
}

CForbiddenFolders::CForbiddenFolders(std::u16string_view setting)
{
    while (!setting.empty()) {
        const std::size_t end = std::min(setting.find(u';'), setting.size());
        const std::u16string_view entry = setting.substr(0, end);
        setting.remove_prefix(std::min(end + 1, setting.size()));
        if (entry.empty() || entry.find(u'\0') != std::u16string_view::npos)
            continue;
        m_entries.push_back(ComparableFolder(entry));
        // An entry is taken both as a host path and as a device path.
        std::u16string slashed(entry);
        std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
        for (const fs::path& host : {fs::path(Utf16ToUtf8(slashed)), CDevicePaths::ToHost(entry)}) {
            if (!host.is_absolute())
                continue;
            m_hostFolders.push_back(ComparableHostFolder(host.lexically_normal()));
            if (const std::optional<fs::path> resolved = Resolved(host))
                m_hostFolders.push_back(ComparableHostFolder(*resolved));
        }
    }
}

bool CForbiddenFolders::IsForbidden(const ScanFolder& folder) const
{
    const std::u16string device = ComparableFolder(folder.device);
    const std::u16string host = ComparableHostFolder(folder.host);
    const auto named = [&](const std::u16string& entry) { return entry == device || entry == host; };
    return std::any_of(m_entries.begin(), m_entries.end(), named) ||
           std::any_of(m_hostFolders.begin(), m_hostFolders.end(), named);
}

bool CForbiddenFolders::Covers(const fs::path& host) const
{
    const std::u16string path = ComparableHostFolder(host);
    return std::any_of(m_hostFolders.begin(), m_hostFolders.end(),
                       [&](const std::u16string& forbidden) { return StartsWithFolder(path, forbidden); });
}

CFilePathGuard::CFilePathGuard(const _SETTINGS_DEF& settings) : m_forbidden(settings.Forbidden_Folders)
{
    for (const ScanFolder& root : ScanRoots()) {
        if (const std::optional<fs::path> resolved = Resolved(root.host))
            m_scanned.push_back(*resolved);
    }
    for (const FileKindSettings& kind : FileKindTable()) {
        const std::u16string& folder = settings.*kind.downloadFolder;
        if (folder.empty())
            continue;
        const fs::path host(Utf16ToUtf8(folder));
        if (!host.is_absolute())
            continue;
        if (const std::optional<fs::path> resolved = Resolved(host))
            m_downloads.push_back(*resolved);
    }
}

std::optional<fs::path> CFilePathGuard::Confine(std::u16string_view path) const
{
    if (path.empty() || std::any_of(path.begin(), path.end(), [](char16_t c) { return c < u' ' || c == 0x7F; }))
        return std::nullopt;
    // Paths of the files exchange use "/" alone; "\\" is a character of a name on the host.
    const std::size_t slash = path.rfind(u'/');
    const std::u16string_view name = path.substr(slash == std::u16string_view::npos ? 0 : slash + 1);
    if (path.front() != u'/' || name.empty() || name == u"." || name == u"..")
        return std::nullopt;
    // The folder is resolved; the name is kept, so a symbolic link there is what gets read (never, as
    // readers do not follow it), replaced or deleted, never the file it points to.
    const std::optional<fs::path> folder = Resolved(fs::path(Utf16ToUtf8(path.substr(0, std::max<std::size_t>(slash, 1)))));
    if (!folder)
        return std::nullopt;
    const fs::path resolved = *folder / Utf16ToUtf8(name);
    const auto inside = [&](const fs::path& root) { return IsInside(resolved, root, false); };
    if (m_forbidden.Covers(resolved) || (std::none_of(m_scanned.begin(), m_scanned.end(), inside) &&
                                         std::none_of(m_downloads.begin(), m_downloads.end(), inside)))
        return std::nullopt;
    return resolved;
}

bool IsPlainFileName(std::u16string_view name)
{
    if (name.empty() || name == u"." || name == u"..")
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char16_t c) { return c < u' ' || c == 0x7F || c == u'/' || c == u'\\'; });
}
