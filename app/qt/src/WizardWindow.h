#pragma once
// The selection wizard on screen: its heading (text 186) above one check box per kind of data the
// server enables, two to a row (contacts and calendar, text messages alone, then the four kinds of
// file), the banner when there is room, and the keys Cancel (text 5) and Next (text 185).

#include "HandsetDialog.h"
#include "core/CWizard.h"

#include <array>

class QCheckBox;
class QLabel;

class CWizardWindow final : public CHandsetDialog {
public:
    CWizardWindow(CWizard& wizard, QWidget* parent);

    // The box of that kind; nullptr when the server does not enable it.
    QCheckBox* Box(CWizard::Box box) { return m_boxes[static_cast<std::size_t>(box)]; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CWizard& m_wizard;
    std::array<QCheckBox*, 7> m_boxes{};
    QLabel* m_banner;
};
