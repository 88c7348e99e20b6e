#include "FilesListWindow.h"

#include "CellList.h"
#include "QtText.h"
#include "TextViewer.h"
#include "core/CFilesListDlg.h"
#include "core/Operations.h"
#include "platform/UiPort.h"
#include "service/BrandingTexts.h"
#include "service/CBrandingGuide.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {


CellRow CellsOf(const FilesListRow& row)
{
    const FilesListPicture& picture = row.picture;
    if (!row.record)
        return {Cell::Picture(0), Cell::Text(DisplayText(row.name), {})};
    Cell image = picture.bitmap != 0
                     ? Cell::Picture(picture.bitmap)
                     : Cell::Image(ToQString(picture.file),
                                   QByteArray(reinterpret_cast<const char*>(picture.thumbnail.data()),
                                              static_cast<qsizetype>(picture.thumbnail.size())));
    return {std::move(image), Cell::Text(DisplayText(row.name), DisplayText(row.sizeLine)),
            Cell::CheckBox(static_cast<int>(*row.record), row.selected)};
}

} // namespace

CFilesListWindow::CFilesListWindow(CFilesListDlg& dialog, int cellSize, QWidget* parent)
    : CHandsetDialog(parent, Text(kTextAppName)), m_dialog(dialog),
      m_list(new CCellListView({{false, Qt::AlignCenter}, {true, Qt::AlignLeft}, {false, Qt::AlignCenter}},
                               cellSize, this)),
      m_done(new QPushButton(Text(kTextOk), this))
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The handset's title bar: the program's name and the OK that ends the choice.
    auto* title = new QHBoxLayout;
    QLabel& heading = AddHeading(Text(kTextAppName));
    Body().removeWidget(&heading);
    title->addWidget(&heading, 1);
    title->addWidget(m_done);
    Body().insertLayout(0, title);
    connect(m_done, &QPushButton::clicked, this, [this] { accept(); });

    m_list->setObjectName(QStringLiteral("files"));
    Body().addWidget(m_list, 1);
    m_list->onRequest = [this](int request) {
        if (request == REQ_ROW_ACTIVATED)
            Toggle(m_list->SelectedRow());
    };

    m_kindMenu = &CSoftKeys::SetMenu(Keys().Left(), Text(kTextShow));
    for (const FilesListMenuItem& item : CFilesListDlg::KindMenu())
        CSoftKeys::AddItem(*m_kindMenu, item.command, Text(item.labelText),
                           [this, command = item.command] { RunCommand(command); });
    m_optionsMenu = &CSoftKeys::SetMenu(Keys().Right(), Text(kTextMenu));
    for (const FilesListMenuItem& item : CFilesListDlg::OptionsMenu())
        CSoftKeys::AddItem(*m_optionsMenu, item.command, Text(item.labelText),
                           [this, command = item.command] { RunCommand(command); });
    Fill();
    m_list->setFocus();
    QApplication::restoreOverrideCursor();
}

void CFilesListWindow::Fill()
{
    std::vector<CellRow> rows;
    for (const FilesListRow& row : m_dialog.Rows())
        rows.push_back(CellsOf(row));
    m_list->Model().SetRows(std::move(rows));
    UpdateMenus();
}

void CFilesListWindow::UpdateMenus()
{
    for (QMenu* menu : {m_kindMenu, m_optionsMenu}) {
        for (QAction* action : menu->actions())
            action->setEnabled(m_dialog.IsEnabled(action->data().toInt()));
    }
}

void CFilesListWindow::RunCommand(int command)
{
    const int row = m_list->SelectedRow();
    switch (command) {
    case FILES_DETAILS:
        if (row >= 0) {
            const std::u16string details = m_dialog.DetailsText(static_cast<std::size_t>(row));
            if (!details.empty())
                CUiPort::Get().MessageBox(0, details, BrandingText(kTextAppName), MB_OK);
        }
        return;
    case FILES_PREVIEW:
        if (row >= 0)
            m_dialog.Preview(static_cast<std::size_t>(row));
        return;
    case FILES_HELP:
        CTextViewer(DisplayText(CFilesListDlg::HelpTitle()), DisplayText(m_dialog.HelpText()), this).Run();
        return;
    case FILES_CANCEL:
        reject();
        return;
    default:
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_dialog.ChooseFilter(command);
        Fill();
        QApplication::restoreOverrideCursor();
        return;
    }
}

void CFilesListWindow::Toggle(int row)
{
    if (row < 0)
        return;
    m_dialog.Toggle(static_cast<std::size_t>(row));
    const bool selected = m_dialog.Rows()[static_cast<std::size_t>(row)].selected;
    m_list->Model().UpdateRow(row, [selected](CellRow& cells) {
        for (Cell& cell : cells) {
            if (cell.kind == Cell::Kind::CheckBox)
                cell.checked = selected;
        }
    });
}
