#pragma once
// The folder chooser of the storage dialog as a model: the folders at its top ("My Device" holds
// the first storage card and the documents folder, as the memory choice allows), the subfolders of a
// folder, and the chosen folder in the form the storage dialog stores it. The download folders are
// host paths, so the chooser works on host folders.

#include "core/SettingsChoices.h"

#include <filesystem>
#include <string>
#include <vector>

struct FolderItem {
    std::u16string name;
    std::filesystem::path path;
};

class CDirectory {
public:
    static constexpr std::u16string_view kRootName = u"My Device";

    // The folders under "My Device": the first storage card (memory choice 1 or 2, when one is
    // mounted) and the documents folder (choice 0 or 2, created when missing), with the pictures,
    // videos and music folders beside it where the host keeps them outside of it.
    static std::vector<FolderItem> TopFolders(MemoryChoice memory);
    // The subfolders of `folder` by name, without "RECYCLED" and hidden ones; empty when it cannot
    // be read (logged).
    static std::vector<FolderItem> SubFolders(const std::filesystem::path& folder);
    // The chosen folder as the chooser returns it: its path, ending with "/".
    static std::u16string Chosen(const std::filesystem::path& folder);
};
