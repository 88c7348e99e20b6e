#pragma once
// The wait dialog on screen: the status text above the progress bar, the banner when there is room
// for it, and the Stop key (text 5). It shows what its model (CWaitDlg) holds and passes Stop to it;
// closing the window stops the operation too, rather than leaving it running unseen.

#include "HandsetDialog.h"

class CWaitDlg;
class QLabel;
class QProgressBar;

class CWaitWindow final : public CHandsetDialog {
public:
    CWaitWindow(CWaitDlg& dialog, QWidget* parent);

    // Shows what the model holds now.
    void Refresh();
    QLabel& Status() { return *m_status; }
    QProgressBar& Bar() { return *m_bar; }
    QLabel& BannerLabel() { return *m_banner; }

    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CWaitDlg& m_dialog;
    QLabel* m_status;
    QProgressBar* m_bar;
    QLabel* m_banner;
};
