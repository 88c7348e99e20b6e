#pragma once
// The cell list: both lists of the application (the operations of the main window and the files of
// the files list) as one list whose rows hold cells side by side in columns: text (a bold first line
// above a second line), a picture, or a check box. A tap on the selected row and the Enter key are
// reported as operation requests (12783; 12782 for a tap beside the row's cells), which the owner
// passes on as the handset's list did.
//
// The row height is the cell size; fixed columns are one cell wide and the stretching column takes
// the rest of the width. User-interface thread only.

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>

#include <cstdint>
#include <functional>
#include <vector>

struct Cell {
    enum class Kind : std::uint8_t { Text, Picture, CheckBox };

    static Cell Text(QString firstLine, QString secondLine);
    static Cell Picture(int pictureId);
    // Decoded when first drawn: `bytes` when given (an encoded thumbnail), else the file at `path`.
    static Cell Image(QString path, QByteArray bytes);
    static Cell CheckBox(int recordIndex, bool checked);

    Kind kind = Kind::Text;
    QString firstLine;
    QString secondLine;
    int pictureId = 0;
    QString imagePath;
    QByteArray imageBytes;
    int recordIndex = -1;
    bool checked = false;
    // The picture as drawn last, at `cachedSize`; an image that failed to decode is tried again at
    // the next drawing.
    mutable QPixmap cached;
    mutable int cachedSize = 0;
};

using CellRow = std::vector<Cell>;

struct CellColumn {
    bool stretch; // false: one cell wide
    Qt::Alignment alignment;
};

class CCellListModel final : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override;
    // Qt::DisplayRole: the lines of the row's text cells, one per line (what a screen reader says).
    QVariant data(const QModelIndex& index, int role) const override;

    void SetRows(std::vector<CellRow> rows);
    const CellRow& Row(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    // Changes a row's cells in place and redraws it.
    void UpdateRow(int row, const std::function<void(CellRow&)>& change);

private:
    std::vector<CellRow> m_rows;
};

class CCellListView final : public QListView {
public:
    // The cell size of a screen: that of the handset's work area (its longer side less twice its top,
    // divided by six), or more when the font needs it for two lines.
    static int CellSizeFor(int workAreaCellSize, const QFont& font);

    CCellListView(std::vector<CellColumn> columns, int cellSize, QWidget* parent = nullptr);

    CCellListModel& Model() { return m_model; }
    int CellSize() const { return m_cellSize; }
    const std::vector<CellColumn>& Columns() const { return m_columns; }
    // The rectangles of a row's cells, column by column.
    std::vector<QRect> CellRects(const QRect& row) const;
    // The selected row, or -1.
    int SelectedRow() const;

    // An operation request from the list: 12783 for Enter and a tap on the selected row, 12782 for a
    // tap in the selected row's line but beside its cells.
    std::function<void(int request)> onRequest;
    // The selection changed to `row` (-1: none).
    std::function<void(int row)> onSelected;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CCellListModel m_model;
    std::vector<CellColumn> m_columns;
    int m_cellSize;
};
