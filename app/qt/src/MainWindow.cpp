#include "MainWindow.h"

#include "Pictures.h"
#include "QtText.h"
#include "service/BrandingTexts.h"

#include <QCloseEvent>
#include <QMenu>
#include <QVBoxLayout>

namespace {

struct MenuItem {
    int command;
    int text;
};

// The popup of the Menu key in its order.
constexpr MenuItem kMenuItems[] = {
    {CMainWindow::CMD_SETTINGS, kTextSettings}, {CMainWindow::CMD_VIEW_LOG, kTextViewLog}, {CMainWindow::CMD_SUMMARY, kTextViewSummary},
    {CMainWindow::CMD_HELP, kTextHelp},      {CMainWindow::CMD_ABOUT, kTextAbout},
};

} // namespace

CMainWindow::CMainWindow(int cellSize)
    : m_list(new CCellListView({{false, Qt::AlignCenter}, {true, Qt::AlignLeft}}, cellSize, this)),
      m_keys(new CSoftKeys(this))
{
    setWindowTitle(Text(kTextAppName));
    setWindowIcon(ProgramIcon());
    m_list->setObjectName(QStringLiteral("operations"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_keys);

    CSoftKeys::SetCommand(m_keys->Left(), Text(kTextExit), [this] {
        if (onCommand)
            onCommand(CMD_EXIT);
    });
    m_menu = &CSoftKeys::SetMenu(m_keys->Right(), Text(kTextMenu));
    for (const MenuItem& item : kMenuItems) {
        CSoftKeys::AddItem(*m_menu, item.command, Text(item.text), [this, command = item.command] {
            if (onCommand)
                onCommand(command);
        });
    }
    CSoftKeys::Item(*m_menu, CMD_VIEW_LOG)->setEnabled(false);
    m_list->setFocus();
}

void CMainWindow::ShowRows(std::span<const OperationRow> rows, bool settingsEnabled)
{
    std::vector<CellRow> cells;
    for (const OperationRow& row : rows)
        cells.push_back(
            {Cell::Picture(row.icon), Cell::Text(DisplayText(row.title), DisplayText(row.subtitle))});
    m_list->Model().SetRows(std::move(cells));
    CSoftKeys::Item(*m_menu, CMD_SETTINGS)->setEnabled(settingsEnabled);
}

void CMainWindow::closeEvent(QCloseEvent* event)
{
    if (onClose && !onClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
