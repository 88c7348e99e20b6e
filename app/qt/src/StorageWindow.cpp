#include "StorageWindow.h"

#include "Pictures.h"
#include "QtText.h"
#include "core/CDirectory.h"
#include "service/BrandingTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {


// Where a tree item keeps its folder; empty for "My Device".
constexpr int kPathRole = Qt::UserRole;
// Set once an item's folder has been read.
constexpr int kReadRole = Qt::UserRole + 1;

QTreeWidgetItem* FolderItemOf(QTreeWidgetItem& parent, const FolderItem& folder)
{
    auto* item = new QTreeWidgetItem(&parent, {ToQString(folder.name)});
    item->setIcon(0, FolderIcon());
    item->setData(0, kPathRole, PathToQString(folder.path));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

} // namespace

CStorageWindow::CStorageWindow(CStorage& storage, QWidget* parent)
    : CHandsetDialog(parent, Text(kTextDownloadFolders)), m_storage(storage), m_memory(new QComboBox)
{
    AddHeading(Text(kTextDownloadFolders));
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    for (int text : kMemoryChoiceText)
        m_memory->addItem(Text(text));
    m_memory->setCurrentIndex(storage.Memory());
    connect(m_memory, &QComboBox::currentIndexChanged, this,
            [this](int choice) { m_storage.SetMemory(static_cast<MemoryChoice>(choice)); });
    form->addRow(m_memory);
    for (MediaKind kind : kMediaKinds) {
        const auto index = static_cast<std::size_t>(kind);
        auto* field = new QLineEdit(DisplayText(storage.Folder(kind)), page);
        field->setReadOnly(true);
        auto* choose = new QToolButton(page);
        choose->setText(QStringLiteral("..."));
        connect(choose, &QToolButton::clicked, this, [this, kind] { Choose(kind); });
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(choose);
        form->addRow(Text(CStorage::FolderLabelText(kind)), row);
        m_folders[index] = field;
        m_choose[index] = choose;
    }
    AddScrolledPage(page);

    m_menu = &UseCancelAndMenu();
    AddHelpAndOk(*m_menu, CMD_HELP, CMD_OK);
}

void CStorageWindow::Choose(MediaKind kind)
{
    CFolderChooser chooser(m_storage.Memory(), this);
    if (chooser.Run() != QDialog::Accepted)
        return;
    m_storage.ChooseFolder(kind, chooser.Chosen());
    m_folders[static_cast<std::size_t>(kind)]->setText(DisplayText(m_storage.Folder(kind)));
}

CFolderChooser::CFolderChooser(MemoryChoice memory, QWidget* parent)
    : CHandsetDialog(parent, Text(kTextDownloadFolders)), m_tree(new QTreeWidget(this))
{
    m_tree->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(m_tree, {ToQString(CDirectory::kRootName)});
    root->setIcon(0, FolderIcon());
    root->setData(0, kReadRole, true);
    for (const FolderItem& folder : CDirectory::TopFolders(memory))
        FolderItemOf(*root, folder);
    root->setExpanded(true);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Expand(*item); });
    Body().addWidget(m_tree);

    CSoftKeys::SetCommand(Keys().Left(), Text(kTextCancel), [this] { reject(); });
    CSoftKeys::SetCommand(Keys().Right(), Text(kTextOk), [this] {
        const QTreeWidgetItem* item = m_tree->currentItem();
        const QString path = item ? item->data(0, kPathRole).toString() : QString();
        if (path.isEmpty())
            return;
        m_chosen = CDirectory::Chosen(PathFromQString(path));
        accept();
    });
}

void CFolderChooser::Expand(QTreeWidgetItem& item)
{
    if (item.data(0, kReadRole).toBool())
        return;
    item.setData(0, kReadRole, true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<FolderItem> folders =
        CDirectory::SubFolders(PathFromQString(item.data(0, kPathRole).toString()));
    QApplication::restoreOverrideCursor();
    for (const FolderItem& folder : folders)
        FolderItemOf(item, folder);
    if (folders.empty()) {
        item.setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
        item.setExpanded(false);
    }
}
