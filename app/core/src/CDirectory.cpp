#include "core/CDirectory.h"

#include "platform/DevicePaths.h"
#include "service/CLog_File.h"
#include "utils/Utf.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

FolderItem ItemOf(const fs::path& path)
{
    return FolderItem{Utf8ToUtf16(path.filename().string()), path};
}

bool IsInside(const fs::path& folder, const fs::path& parent)
{
    const fs::path relative = folder.lexically_normal().lexically_relative(parent.lexically_normal());
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace

std::vector<FolderItem> CDirectory::TopFolders(MemoryChoice memory)
{
    std::vector<FolderItem> folders;
    if (memory != MEMORY_PHONE) {
        const std::vector<StorageCard> cards = CDevicePaths::StorageCards();
        if (!cards.empty())
            folders.push_back(FolderItem{cards.front().name, cards.front().hostPath});
    }
    if (memory != MEMORY_CARD) {
        const fs::path documents = CDevicePaths::Special(SpecialFolder::MyDocuments, true);
        folders.push_back(ItemOf(documents));
        for (SpecialFolder special :
             {SpecialFolder::MyPictures, SpecialFolder::MyVideo, SpecialFolder::MyMusic}) {
            const fs::path folder = CDevicePaths::Special(special, false);
            std::error_code error;
            if (!IsInside(folder, documents) && fs::is_directory(folder, error))
                folders.push_back(ItemOf(folder));
        }
    }
    return folders;
}

std::vector<FolderItem> CDirectory::SubFolders(const fs::path& folder)
{
    std::vector<FolderItem> folders;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code typeError;
        if (name.empty() || name.front() == '.' || name == "RECYCLED" || !entry->is_directory(typeError))
            continue;
        folders.push_back(ItemOf(entry->path()));
    }
    if (error)
        CLog_File::AddLogLine(u"folder chooser: " + Utf8ToUtf16(folder.string()) + u" cannot be read: " +
                              Utf8ToUtf16(error.message()));
    std::sort(folders.begin(), folders.end(),
              [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
    return folders;
}

std::u16string CDirectory::Chosen(const fs::path& folder)
{
    std::u16string chosen = Utf8ToUtf16(folder.string());
    if (chosen.empty() || chosen.back() != u'/')
        chosen += u'/';
    return chosen;
}
