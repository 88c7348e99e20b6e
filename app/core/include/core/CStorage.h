#pragma once
// The storage dialog's choices: where files are synchronised from (phone memory, storage card or
// both) and the folder each kind of downloaded file goes to. A copy of the settings taken when the
// dialog opens; the settings change only when the caller applies it. User-interface thread only.

#include "core/SettingsChoices.h"

#include <array>
#include <string>

class CStorage {
public:
    // Label of the folder of each kind: texts 119 to 122.
    static int FolderLabelText(MediaKind kind);

    explicit CStorage(const _SETTINGS_DEF& settings);

    MemoryChoice Memory() const { return m_memory; }
    void SetMemory(MemoryChoice choice) { m_memory = choice; }

    const std::u16string& Folder(MediaKind kind) const;
    // Takes a folder as the folder chooser returns it: "\" becomes "/", and it ends with "/".
    // An empty text is ignored.
    void ChooseFolder(MediaKind kind, std::u16string_view folder);

    // Writes the memory choice and each folder that differs; true when a setting changed.
    bool Apply(_SETTINGS_DEF& settings) const;

private:
    MemoryChoice m_memory;
    std::array<std::u16string, 4> m_folders;
};
