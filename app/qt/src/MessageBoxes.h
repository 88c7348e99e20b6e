#pragma once
// The message boxes of the UI port as Qt's: the buttons of a box type (MB_*) with OK and Cancel
// labelled by branding texts 16 and 5, and the answer (ID*) of the button chosen. Escape and the
// close button give the last button: OK, No or Cancel.

#include <QMessageBox>

#include <memory>
#include <string_view>

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, std::u16string_view text,
                                            std::u16string_view caption, unsigned type);
// Runs `box`, made for `type`, modally; the answer of the button chosen.
int RunMessageBox(QMessageBox& box, unsigned type);
