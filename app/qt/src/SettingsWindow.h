#pragma once
// The settings dialog on screen over its model (CSynchronization): what is synchronised, the media
// choice of each kind of file, the automatic sync period; the key Cancel (text 5) and the Menu
// (text 106) with the storage dialog (32800), help (32810) and OK (32820). Every change goes to the
// model at once; the caller applies the model when the dialog ends with OK.

#include "HandsetDialog.h"
#include "core/CSynchronization.h"

class QCheckBox;
class QComboBox;
class QMenu;

class CSettingsWindow final : public CHandsetDialog {
public:
    enum Command : int { CMD_STORAGE = 32800, CMD_HELP = 32810, CMD_OK = 32820 };

    CSettingsWindow(CSynchronization& dialog, QWidget* parent);

    QMenu& Menu() { return *m_menu; }
    // nullptr for a hidden box or combo.
    QCheckBox* Box(CSynchronization::Box box) { return m_boxes[static_cast<std::size_t>(box)]; }
    QComboBox* MediaCombo(MediaKind kind) { return m_media[static_cast<std::size_t>(kind)]; }
    QComboBox* PeriodCombo() { return m_period; }

private:
    void OpenStorage();

    CSynchronization& m_dialog;
    QMenu* m_menu;
    QCheckBox* m_boxes[3] = {};
    QComboBox* m_media[4] = {};
    QComboBox* m_period = nullptr;
};
