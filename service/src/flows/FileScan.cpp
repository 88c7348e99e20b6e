// FilesGetList: the scan of the handset's folders for files of the kinds asked for.

#include "service/TesselService.h"

#include "FileFolders.h"
#include "ServiceLog.h"
#include "platform/Clock.h"
#include "service/CReg_Api.h"
#include "service/FileKinds.h"
#include "utils/Utf.h"

#include <algorithm>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The last-write time as the revision text: the file time's high and low halves, "%u%u".
std::u16string RevisionOf(const struct stat& info)
{
    const FileTime time = kFileTimeAt1970 + static_cast<FileTime>(info.st_mtim.tv_sec) * 10000000u +
                          static_cast<FileTime>(info.st_mtim.tv_nsec) / 100u;
    return Utf8ToUtf16(std::to_string(static_cast<std::uint32_t>(time >> 32)) +
                       std::to_string(static_cast<std::uint32_t>(time)));
}

class CFileScan {
public:
    CFileScan(const CFileKindRules& kinds, const CForbiddenFolders& forbidden, FileList& list)
        : m_kinds(kinds), m_forbidden(forbidden), m_list(list)
    {}

    // Appends the folder's files and, at the place where each subfolder comes in name order, that
    // subfolder's. A forbidden folder is skipped with all below it; a folder that cannot be read adds
    // nothing.
    void Scan(const ScanFolder& folder)
    {
        if (m_forbidden.IsForbidden(folder))
            return;
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(folder.host, error), end; !error && it != end; it.increment(error))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        for (const std::string& name : names)
            Take(folder, name);
    }

private:
    void Take(const ScanFolder& folder, const std::string& name)
    {
        // Hidden entries are left alone, as the handset leaves hidden and system files.
        if (name.empty() || name.front() == '.')
            return;
        if (!IsValidUtf8(name)) {
            LogLine("file scan: a name in \"" + folder.host.string() + "\" is not UTF-8; skipped");
            return;
        }
        const fs::path host = folder.host / name;
        struct stat info {};
        // Symbolic links are not followed: the scan, and the wipe that deletes what it lists, stay
        // inside the scanned folders.
        if (::lstat(host.c_str(), &info) != 0)
            return;
        if (S_ISDIR(info.st_mode)) {
            Scan({host, folder.device + u"/" + Utf8ToUtf16(name)});
            return;
        }
        if (!S_ISREG(info.st_mode) || info.st_size <= 0)
            return;
        FILE_OBJECT file;
        file.name = Utf8ToUtf16(name);
        const std::optional<FILE_KIND> kind = m_kinds.KindOf(file.name);
        if (!kind)
            return;
        file.size = info.st_size;
        file.kind = *kind;
        file.path = std::u16string(kFileUrlPrefix) + Utf8ToUtf16(host.string());
        file.status = u"new";
        file.revision = RevisionOf(info);
        m_list.push_back(std::move(file));
    }

    const CFileKindRules& m_kinds;
    const CForbiddenFolders& m_forbidden;
    FileList& m_list;
};

} // namespace

RETURNED_RES TesselService::FilesGetList(FileList& list, int images, int video, int audio, int other)
{
    const _SETTINGS_DEF settings = m_settingsStore->Snapshot();
    const CFileKindRules kinds(settings, {images != 0, video != 0, audio != 0, other != 0});
    const CForbiddenFolders forbidden(settings.Forbidden_Folders);
    CFileScan scan(kinds, forbidden, list);
    for (const ScanFolder& root : ScanRoots())
        scan.Scan(root);
    return RES_OK;
}
