#include "HandsetDialog.h"

#include "Pictures.h"
#include "QtText.h"
#include "TextViewer.h"
#include "core/CSynchronization.h"
#include "service/BrandingTexts.h"

#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QVBoxLayout>

CHandsetDialog::CHandsetDialog(QWidget* parent, const QString& title)
    : QDialog(parent), m_body(new QVBoxLayout), m_keys(new CSoftKeys(this))
{
    setWindowTitle(title);
    setWindowIcon(ProgramIcon());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_body->setContentsMargins(10, 10, 10, 6);
    layout->addLayout(m_body, 1);
    layout->addWidget(m_keys);
}

void CHandsetDialog::CoverParent()
{
    if (QWidget* window = parentWidget() ? parentWidget()->window() : nullptr; window && window->isVisible())
        setGeometry(window->geometry());
}

QLabel& CHandsetDialog::AddHeading(const QString& text)
{
    auto* heading = new QLabel(text, this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setWordWrap(true);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    m_body->addWidget(heading);
    m_body->addSpacing(6);
    return *heading;
}

void CHandsetDialog::AddScrolledPage(QWidget* page)
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_body->addWidget(scroll, 1);
}

QMenu& CHandsetDialog::UseCancelAndMenu()
{
    CSoftKeys::SetCommand(m_keys->Left(), Text(kTextCancel), [this] { reject(); });
    return CSoftKeys::SetMenu(m_keys->Right(), Text(kTextMenu));
}

void CHandsetDialog::AddHelpAndOk(QMenu& menu, int helpCommand, int okCommand)
{
    CSoftKeys::AddItem(menu, helpCommand, Text(kTextHelp), [this] {
        CTextViewer(Text(kTextHelp), Text(kTextSettingsHelp), this).Run();
    });
    CSoftKeys::AddItem(menu, okCommand, Text(kTextOk), [this] { accept(); });
}

void CHandsetDialog::FitBanner(QWidget& banner)
{
    QLayout& whole = *layout();
    int rest =
        whole.hasHeightForWidth() ? whole.totalHeightForWidth(width()) : whole.totalMinimumSize().height();
    const int bannerHeight = banner.sizeHint().height() + Body().spacing();
    if (!banner.isHidden())
        rest -= bannerHeight;
    banner.setVisible(height() >= rest + bannerHeight);
}

int CHandsetDialog::Run()
{
    CoverParent();
    return exec();
}
