#pragma once
// The storage dialog on screen over its model (CStorage): where files are synchronised from (phone
// memory, storage card or both) and the download folder of each kind of file, each chosen with its
// "..." button in the folder chooser; the key Cancel (text 5) and the Menu (text 106) with help
// (32830) and OK (32840).

#include "HandsetDialog.h"
#include "core/CStorage.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QToolButton;

class CStorageWindow final : public CHandsetDialog {
public:
    enum Command : int { CMD_HELP = 32830, CMD_OK = 32840 };

    CStorageWindow(CStorage& storage, QWidget* parent);

    QMenu& Menu() { return *m_menu; }
    QComboBox& MemoryCombo() { return *m_memory; }
    QLineEdit& FolderField(MediaKind kind) { return *m_folders[static_cast<std::size_t>(kind)]; }
    QToolButton& ChooseButton(MediaKind kind) { return *m_choose[static_cast<std::size_t>(kind)]; }

private:
    void Choose(MediaKind kind);

    CStorage& m_storage;
    QMenu* m_menu;
    QComboBox* m_memory;
    QLineEdit* m_folders[4] = {};
    QToolButton* m_choose[4] = {};
};

// The folder chooser: "My Device" with the storage card and the documents folder below it, each
// folder opened as it is expanded. A folder without subfolders shows no expander. OK returns the
// selected folder (ending with "/"); "My Device" itself cannot be chosen.
class CFolderChooser final : public CHandsetDialog {
public:
    CFolderChooser(MemoryChoice memory, QWidget* parent);

    // The chosen folder after OK.
    const std::u16string& Chosen() const { return m_chosen; }
    class QTreeWidget& Tree() { return *m_tree; }

private:
    void Expand(class QTreeWidgetItem& item);

    class QTreeWidget* m_tree;
    std::u16string m_chosen;
};
