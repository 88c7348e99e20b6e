#pragma once
// Screen captures kept for review (PNG files in the build folder, LUMENO_CAPTURE_DIR) and what a
// user must see in a screen: its texts, and that nothing in it is cut off.

#include <QPalette>
#include <QStringList>

class QWidget;

// Saves what `window` shows as "<name>.png" in the captures folder; false when it cannot be written.
bool SaveCapture(QWidget& window, const QString& name);
// The texts a user can read in `window`: its title, labels, buttons, boxes, fields, text areas and
// the rows of its lists and trees.
QStringList VisibleTexts(const QWidget& window);
// What does not fit: the widgets of `window` that reach out of it, and those whose text is wider
// (or, wrapped, taller) than they are. Widgets in a scroll area may reach out of it.
QStringList CutOff(const QWidget& window);
// A dark palette, as a desktop with a dark theme gives.
QPalette DarkPalette();
