#include "SettingsWindow.h"

#include "QtText.h"
#include "StorageWindow.h"
#include "service/BrandingTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace {


} // namespace

CSettingsWindow::CSettingsWindow(CSynchronization& dialog, QWidget* parent)
    : CHandsetDialog(parent, Text(kTextSettings)), m_dialog(dialog)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    using Box = CSynchronization::Box;
    for (Box box : {Box::Contacts, Box::Calendar, Box::Sms}) {
        if (!dialog.IsVisible(box))
            continue;
        auto* check = new QCheckBox(Text(CSynchronization::BoxLabelText(box)), page);
        check->setChecked(dialog.IsTicked(box));
        connect(check, &QCheckBox::toggled, this,
                [this, box](bool ticked) { m_dialog.SetTicked(box, ticked); });
        m_boxes[static_cast<std::size_t>(box)] = check;
        form->addRow(check);
    }
    for (MediaKind kind : kMediaKinds) {
        if (!dialog.AreMediaVisible())
            break;
        auto* combo = new QComboBox(page);
        for (int text : kMediaChoiceText)
            combo->addItem(Text(text));
        combo->setCurrentIndex(dialog.Media(kind));
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, kind](int choice) { m_dialog.SetMedia(kind, static_cast<MediaChoice>(choice)); });
        m_media[static_cast<std::size_t>(kind)] = combo;
        form->addRow(Text(CSynchronization::MediaLabelText(kind)), combo);
    }
    if (dialog.IsPeriodVisible()) {
        m_period = new QComboBox(page);
        for (const PeriodEntry& entry : dialog.Periods())
            m_period->addItem(Text(entry.labelText));
        m_period->setCurrentIndex(static_cast<int>(dialog.Period()));
        connect(m_period, &QComboBox::currentIndexChanged, this, [this](int entry) {
            if (entry >= 0)
                m_dialog.SetPeriod(static_cast<std::size_t>(entry));
        });
        form->addRow(Text(kTextAutomaticSync), m_period);
    }
    AddScrolledPage(page);

    m_menu = &UseCancelAndMenu();
    CSoftKeys::AddItem(*m_menu, CMD_STORAGE, Text(kTextDownloadFolders), [this] {
        OpenStorage();
    }).setEnabled(dialog.StorageCommand().has_value());
    AddHelpAndOk(*m_menu, CMD_HELP, CMD_OK);
}

void CSettingsWindow::OpenStorage()
{
    std::optional<CStorage> storage = m_dialog.StorageCommand();
    if (!storage)
        return;
    if (CStorageWindow(*storage, this).Run() == QDialog::Accepted)
        m_dialog.AcceptStorage(*storage);
}
