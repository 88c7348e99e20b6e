#pragma once
// The window of a server-defined dialog over its model (GenericDlg): the title, the message, the
// stop box and the input field when the server asks for them, and up to two soft keys labelled by
// the server. A password field shows "*" for each character; a numeric one takes digits only.
// Enter is the title bar's OK, Escape and the window's close button are Cancel. The window closes
// once the model says the dialog is answered.

#include "HandsetDialog.h"

class GenericDlg;
class QCheckBox;
class QLabel;
class QLineEdit;

class CGenericWindow final : public CHandsetDialog {
public:
    CGenericWindow(GenericDlg& dialog, QWidget* parent);

    QLabel& Message() { return *m_message; }
    QCheckBox& StopBox() { return *m_stopBox; }
    QLineEdit& Input() { return *m_input; }

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Copies the stop box into the model, runs a key of the model and closes when it is answered.
    void Press(GenericDlg& dialog, void (*key)(GenericDlg&));

    GenericDlg& m_dialog;
    QLabel* m_message;
    QCheckBox* m_stopBox;
    QLineEdit* m_input;
};
