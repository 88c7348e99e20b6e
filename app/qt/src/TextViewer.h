#pragma once
// The text viewer of the summary and help: a title and a scrollable, read-only block of text, shown
// from its start, closed with OK (text 16).

#include "HandsetDialog.h"

class QPlainTextEdit;

class CTextViewer final : public CHandsetDialog {
public:
    CTextViewer(const QString& title, const QString& body, QWidget* parent);

    QPlainTextEdit& Body() { return *m_text; }

private:
    QPlainTextEdit* m_text;
};

// The About box: the program's icon, name and version, and its description; closed with OK.
class CAboutBox final : public CHandsetDialog {
public:
    CAboutBox(const QString& text, QWidget* parent);
};
