#include "CellDelegate.h"

#include "CellList.h"
#include "Pictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace {

constexpr int kMargin = 4;
const QString kEllipsis = QStringLiteral("...");

// The image of a picture cell scaled into a square of `size` pixels; null when it cannot be decoded.
QImage DecodeImage(const Cell& cell, int size)
{
    QBuffer buffer;
    QImageReader reader;
    if (!cell.imageBytes.isEmpty()) {
        buffer.setData(cell.imageBytes);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
    } else {
        reader.setFileName(cell.imagePath);
    }
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid())
        reader.setScaledSize(full.scaled(size, size, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull() && full.isValid()) {
        // Some readers cannot scale while reading: the whole image, scaled afterwards.
        reader.setScaledSize({});
        if (!cell.imageBytes.isEmpty())
            buffer.seek(0);
        else
            reader.setFileName(cell.imagePath);
        image = reader.read();
    }
    if (image.isNull())
        return image;
    return image.width() > size || image.height() > size
               ? image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
               : image;
}

} // namespace

QString ShortenToWidth(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    // The longest head that fits with "..." after it: a binary search over its length.
    qsizetype fits = -1;
    qsizetype low = 0;
    qsizetype high = text.size() - 1;
    while (low <= high) {
        const qsizetype length = (low + high) / 2;
        if (metrics.horizontalAdvance(text.left(length) + kEllipsis) <= width) {
            fits = length;
            low = length + 1;
        } else {
            high = length - 1;
        }
    }
    if (fits < 0)
        return {};
    // Never half a character: a cut between the two halves of a surrogate pair takes both.
    if (fits > 0 && text.at(fits - 1).isHighSurrogate())
        --fits;
    return text.left(fits) + kEllipsis;
}

CCellDelegate::CCellDelegate(const CCellListView& list, QObject* parent)
    : QStyledItemDelegate(parent), m_list(list)
{}

QSize CCellDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {m_list.CellSize(), m_list.CellSize()};
}

void CCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    const auto& model = static_cast<const CCellListModel&>(*index.model());
    const CellRow& row = model.Row(index.row());
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette& palette = option.palette;

    painter->save();
    if (selected) {
        const QColor highlight = palette.color(QPalette::Highlight);
        QLinearGradient gradient(option.rect.topLeft(), option.rect.bottomLeft());
        gradient.setColorAt(0, highlight.lighter(125));
        gradient.setColorAt(1, highlight);
        painter->fillRect(option.rect, gradient);
    } else {
        painter->fillRect(option.rect, palette.color(QPalette::Base));
    }
    painter->setPen(palette.color(QPalette::Midlight));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));

    const std::vector<QRect> rects = m_list.CellRects(option.rect);
    for (std::size_t i = 0; i < row.size() && i < rects.size(); ++i) {
        const Cell& cell = row[i];
        const QRect rect = rects[i].adjusted(kMargin, 0, -kMargin, 0);
        switch (cell.kind) {
        case Cell::Kind::Text:
            PaintText(*painter, cell, rect, m_list.Columns()[i].alignment, option.font);
            break;
        case Cell::Kind::Picture:
            PaintPicture(*painter, cell, rect);
            break;
        case Cell::Kind::CheckBox: {
            const int size = std::min(rect.height() - 2 * kMargin, 32);
            const QPixmap box = Picture(cell.checked ? PICTURE_CHECKED : PICTURE_UNCHECKED, size);
            painter->drawPixmap(
                QRect(QPoint(), QSize(size, size)).translated(rect.center() - QPoint(size / 2, size / 2)),
                box);
            break;
        }
        }
    }
    painter->restore();
}

void CCellDelegate::PaintText(QPainter& painter, const Cell& cell, const QRect& rect, Qt::Alignment alignment,
                              const QFont& font) const
{
    const int half = rect.height() / 2;
    // The first line fills the upper half less 3 pixels, as on the handset, but grows no larger than
    // a heading of the desktop's font.
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(std::max(std::min(half - 3, QFontInfo(font).pixelSize() * 7 / 5), 8));
    const QRect upper(rect.left(), rect.top(), rect.width(), half);
    const QRect lower(rect.left(), rect.top() + half, rect.width(), rect.height() - half);
    const int flags = Qt::TextSingleLine | static_cast<int>(alignment & Qt::AlignHorizontal_Mask);

    painter.setFont(bold);
    painter.drawText(upper.adjusted(0, 0, 0, -1), flags | Qt::AlignBottom,
                     ShortenToWidth(cell.firstLine, painter.fontMetrics(), rect.width()));
    painter.setFont(font);
    painter.drawText(lower.adjusted(0, 1, 0, 0), flags | Qt::AlignTop,
                     ShortenToWidth(cell.secondLine, painter.fontMetrics(), rect.width()));
}

void CCellDelegate::PaintPicture(QPainter& painter, const Cell& cell, const QRect& rect) const
{
    const int size = std::max(std::min(rect.width(), rect.height()) - 2 * kMargin, 1);
    if (cell.cached.isNull() || cell.cachedSize != size) {
        if (cell.pictureId != 0)
            cell.cached = Picture(cell.pictureId, size);
        else if (!cell.imagePath.isEmpty() || !cell.imageBytes.isEmpty())
            cell.cached = QPixmap::fromImage(DecodeImage(cell, size));
        cell.cachedSize = size;
    }
    if (cell.cached.isNull())
        return;
    const QSize shown = cell.cached.deviceIndependentSize().toSize();
    painter.drawPixmap(QRect(rect.center() - QPoint(shown.width() / 2, shown.height() / 2), shown),
                       cell.cached);
}
