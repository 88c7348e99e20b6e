#pragma once
// Draws the rows of a cell list: the selected row on a gradient of the palette's highlight, text
// cells as a bold first line in the upper half and a second line below the middle, each shortened
// to its column with "...", pictures (ours, or decoded images scaled to the cell) and check boxes.

#include <QStyledItemDelegate>

class CCellListView;
struct Cell;

// `text` as it fits into `width` pixels: whole, or with characters taken from its end and "..."
// put in their place; empty when not even "..." fits.
QString ShortenToWidth(const QString& text, const QFontMetrics& metrics, int width);

class CCellDelegate final : public QStyledItemDelegate {
public:
    CCellDelegate(const CCellListView& list, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void PaintText(QPainter& painter, const Cell& cell, const QRect& rect, Qt::Alignment alignment,
                   const QFont& font) const;
    void PaintPicture(QPainter& painter, const Cell& cell, const QRect& rect) const;

    const CCellListView& m_list;
};
