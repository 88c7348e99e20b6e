#pragma once
// The main window: the title (text 191), the list of the operations the settings enable (one row
// each with its picture, title and subtitle), the key Exit (text 107, command 401) and the Menu
// (text 106) with Settings, View log (always disabled), View summary, Help and About. It only shows
// and reports: the owner passes its commands and the list's requests on to the view.

#include "CellList.h"
#include "SoftKeys.h"
#include "core/Operations.h"

#include <QWidget>

#include <functional>
#include <span>

class QMenu;

class CMainWindow final : public QWidget {
public:
    enum Command : int {
        CMD_EXIT = 401,
        CMD_SUMMARY = 32771,
        CMD_SETTINGS = 32772,
        CMD_VIEW_LOG = 32774,
        CMD_HELP = 32775,
        CMD_ABOUT = 57664,
    };

    explicit CMainWindow(int cellSize);

    void ShowRows(std::span<const OperationRow> rows, bool settingsEnabled);
    CCellListView& List() { return *m_list; }
    CSoftKeys& Keys() { return *m_keys; }
    QMenu& Menu() { return *m_menu; }

    // A command of the keys or the menu.
    std::function<void(int command)> onCommand;
    // The window's close button: true lets the window close.
    std::function<bool()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CCellListView* m_list;
    CSoftKeys* m_keys;
    QMenu* m_menu;
};
