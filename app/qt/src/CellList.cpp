#include "CellList.h"

#include "CellDelegate.h"
#include "core/Operations.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>

Cell Cell::Text(QString first, QString second)
{
    Cell cell;
    cell.firstLine = std::move(first);
    cell.secondLine = std::move(second);
    return cell;
}

Cell Cell::Picture(int id)
{
    Cell cell;
    cell.kind = Kind::Picture;
    cell.pictureId = id;
    return cell;
}

Cell Cell::Image(QString path, QByteArray bytes)
{
    Cell cell;
    cell.kind = Kind::Picture;
    cell.imagePath = std::move(path);
    cell.imageBytes = std::move(bytes);
    return cell;
}

Cell Cell::CheckBox(int recordIndex, bool checked)
{
    Cell cell;
    cell.kind = Kind::CheckBox;
    cell.recordIndex = recordIndex;
    cell.checked = checked;
    return cell;
}

int CCellListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant CCellListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    QStringList lines;
    for (const Cell& cell : Row(index.row())) {
        if (cell.kind != Cell::Kind::Text)
            continue;
        lines << cell.firstLine;
        if (!cell.secondLine.isEmpty())
            lines << cell.secondLine;
    }
    return lines.join(QLatin1Char('\n'));
}

void CCellListModel::SetRows(std::vector<CellRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void CCellListModel::UpdateRow(int row, const std::function<void(CellRow&)>& change)
{
    if (row < 0 || row >= rowCount())
        return;
    change(m_rows[static_cast<std::size_t>(row)]);
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed);
}

int CCellListView::CellSizeFor(int workAreaCellSize, const QFont& font)
{
    // Two lines, the first one larger, with room around them for a finger.
    const int forText = static_cast<int>(std::ceil(QFontMetrics(font).lineSpacing() * 3.4));
    return std::max({workAreaCellSize, forText, 34});
}

CCellListView::CCellListView(std::vector<CellColumn> columns, int cellSize, QWidget* parent)
    : QListView(parent), m_columns(std::move(columns)), m_cellSize(cellSize > 0 ? cellSize : 34)
{
    setModel(&m_model);
    setItemDelegate(new CCellDelegate(*this, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (onSelected)
            onSelected(SelectedRow());
    });
}

std::vector<QRect> CCellListView::CellRects(const QRect& row) const
{
    const int fixed = static_cast<int>(std::count_if(
        m_columns.begin(), m_columns.end(), [](const CellColumn& column) { return !column.stretch; }));
    const int stretchWidth = std::max(0, row.width() - fixed * m_cellSize);
    std::vector<QRect> rects;
    int left = row.left();
    for (const CellColumn& column : m_columns) {
        const int width = column.stretch ? stretchWidth : m_cellSize;
        rects.emplace_back(left, row.top(), width, row.height());
        left += width;
    }
    return rects;
}

int CCellListView::SelectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void CCellListView::keyPressEvent(QKeyEvent* event)
{
    QListView::keyPressEvent(event);
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onRequest)
        onRequest(REQ_ROW_ACTIVATED);
}

void CCellListView::mouseReleaseEvent(QMouseEvent* event)
{
    QListView::mouseReleaseEvent(event);
    const int row = SelectedRow();
    if (row < 0 || !onRequest || event->button() != Qt::LeftButton)
        return;
    const QRect line = visualRect(m_model.index(row));
    const QPoint at = event->position().toPoint();
    if (at.y() < line.top() || at.y() > line.bottom())
        return;
    const std::vector<QRect> cells = CellRects(line);
    const bool onCells = !cells.empty() && at.x() >= cells.front().left() && at.x() <= cells.back().right();
    onRequest(onCells ? REQ_ROW_ACTIVATED : REQ_ROW_TAPPED);
}
