#include "WizardWindow.h"

#include "Pictures.h"
#include "QtText.h"
#include "service/BrandingTexts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QSize kBannerSize(200, 70);

// The rows of the wizard, two boxes at most to a row.
constexpr CWizard::Box kRows[][2] = {
    {CWizard::Box::Contacts, CWizard::Box::Calendar},
    {CWizard::Box::Sms, CWizard::Box::Sms},
    {CWizard::Box::Images, CWizard::Box::Video},
    {CWizard::Box::Audio, CWizard::Box::Documents},
};

} // namespace

CWizardWindow::CWizardWindow(CWizard& wizard, QWidget* parent)
    : CHandsetDialog(parent, Text(kTextWizardTitle)), m_wizard(wizard), m_banner(new QLabel(this))
{
    AddHeading(Text(kTextWizardTitle));

    auto* grid = new QGridLayout;
    int line = 0;
    for (const auto& row : kRows) {
        int column = 0;
        for (CWizard::Box box : row) {
            if (!wizard.IsVisible(box) || m_boxes[static_cast<std::size_t>(box)])
                continue;
            auto* check = new QCheckBox(Text(CWizard::LabelText(box)), this);
            check->setChecked(wizard.IsTicked(box));
            connect(check, &QCheckBox::toggled, this,
                    [this, box](bool ticked) { m_wizard.SetTicked(box, ticked); });
            m_boxes[static_cast<std::size_t>(box)] = check;
            grid->addWidget(check, line, column++);
        }
        if (column > 0)
            ++line;
    }
    Body().addLayout(grid);
    Body().addStretch(1);
    m_banner->setPixmap(Banner(kBannerSize));
    m_banner->setAlignment(Qt::AlignCenter);
    Body().addWidget(m_banner);

    CSoftKeys::SetCommand(Keys().Left(), Text(kTextCancel), [this] { reject(); });
    CSoftKeys::SetCommand(Keys().Right(), Text(kTextNext), [this] { accept(); });
}

void CWizardWindow::resizeEvent(QResizeEvent* event)
{
    CHandsetDialog::resizeEvent(event);
    FitBanner(*m_banner);
}
