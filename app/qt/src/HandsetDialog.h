#pragma once
// A screen of the application in a window of its own: a body above the two soft keys. Opened over
// the main window it takes the main window's place and size, as the handset's full-screen dialogs
// did, so it scales from a phone-sized window to a desktop one.

#include "SoftKeys.h"

#include <QDialog>

class QMenu;
class QVBoxLayout;

class CHandsetDialog : public QDialog {
public:
    CHandsetDialog(QWidget* parent, const QString& title);

    QVBoxLayout& Body() { return *m_body; }
    CSoftKeys& Keys() { return *m_keys; }

    // Places the dialog over its parent window and runs it modally; the QDialog result.
    int Run();
    // Places the dialog over its parent window.
    void CoverParent();
    // Adds a bold heading to the body.
    class QLabel& AddHeading(const QString& text);

protected:
    // Puts `page` into the body in a scroll area, so that a window smaller than it shows it all.
    void AddScrolledPage(QWidget* page);
    // The keys of a settings screen: Cancel (text 5) on the left and the Menu (text 106) on the right;
    // the menu is returned for the caller's items, which AddHelpAndOk ends.
    QMenu& UseCancelAndMenu();
    // Help (text 12: the settings help, text 167) and OK (text 16) at the end of `menu`.
    void AddHelpAndOk(QMenu& menu, int helpCommand, int okCommand);
    // Shows `banner`, a part of the body, only while the window is tall enough for it and the rest.
    void FitBanner(QWidget& banner);

private:
    QVBoxLayout* m_body;
    CSoftKeys* m_keys;
};
