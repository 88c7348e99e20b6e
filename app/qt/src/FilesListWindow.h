#pragma once
// The files list of an Upload or Download on screen, over its model (CFilesListDlg): one row per
// file with its picture (the image itself, or the picture of its kind), its name and size, and a tick
// box that a tap on the row turns; the Show key (text 108) filters by kind, the Menu key (text 106)
// holds details, preview, help and cancel; OK (text 16) beside the heading ends the choice.
//
// User-interface thread only; the list it shows belongs to the runner, which waits meanwhile.

#include "HandsetDialog.h"

class CCellListView;
class CFilesListDlg;
class QMenu;
class QPushButton;

class CFilesListWindow final : public CHandsetDialog {
public:
    CFilesListWindow(CFilesListDlg& dialog, int cellSize, QWidget* parent);

    CCellListView& List() { return *m_list; }
    QMenu& KindMenu() { return *m_kindMenu; }
    QMenu& OptionsMenu() { return *m_optionsMenu; }
    QPushButton& Done() { return *m_done; }

private:
    void Fill();
    void RunCommand(int command);
    void Toggle(int row);
    void UpdateMenus();

    CFilesListDlg& m_dialog;
    CCellListView* m_list;
    QMenu* m_kindMenu;
    QMenu* m_optionsMenu;
    QPushButton* m_done;
};
