#pragma once
// A screen of the application in a window of its own: a body above the two soft keys. Opened over
// the main window it takes the main window's place and size, as the handset's full-screen dialogs
// did, so it scales from a phone-sized window to a desktop one.

#include "SoftKeys.h"

#include <QDialog>

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
    // Shows `banner`, a part of the body, only while the window is tall enough for it and the rest.
    void FitBanner(QWidget& banner);

private:
    QVBoxLayout* m_body;
    CSoftKeys* m_keys;
};
