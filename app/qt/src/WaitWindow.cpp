#include "WaitWindow.h"

#include "Pictures.h"
#include "QtText.h"
#include "service/BrandingTexts.h"
#include "core/CWaitDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
const QSize kBannerSize(200, 70);
} // namespace

CWaitWindow::CWaitWindow(CWaitDlg& dialog, QWidget* parent)
    : CHandsetDialog(parent, Text(kTextAppName)), m_dialog(dialog), m_status(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_banner(new QLabel(this))
{
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setObjectName(QStringLiteral("status"));
    m_bar->setRange(0, CWaitDlg::kFullPosition);
    m_bar->setTextVisible(false);
    m_banner->setPixmap(Banner(kBannerSize));
    m_banner->setAlignment(Qt::AlignCenter);
    Body().addStretch(1);
    Body().addWidget(m_status);
    Body().addWidget(m_bar);
    Body().addStretch(1);
    Body().addWidget(m_banner);
    CSoftKeys::SetCommand(Keys().Left(), Text(kTextCancel), [this] { m_dialog.Stop(); });
    Keys().Right().hide();
    Refresh();
}

void CWaitWindow::Refresh()
{
    m_status->setText(DisplayText(m_dialog.StatusText()));
    m_bar->setValue(m_dialog.Position());
}

void CWaitWindow::reject()
{
    m_dialog.Stop();
}

void CWaitWindow::resizeEvent(QResizeEvent* event)
{
    CHandsetDialog::resizeEvent(event);
    FitBanner(*m_banner);
}
