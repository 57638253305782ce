// A string grid in the manner of Delphi's TStringGrid: cell texts by column and row, column
// widths and row heights in pixels (the grid line comes on top of them), fixed rows and
// columns that stay in place when the grid scrolls, whole-row selection and grid lines.
// Cells are painted by a TStringGridDelegate, which subclasses extend to draw cells
// themselves. Any mouse button released over the grid clears its selection.
#pragma once

#include <QStyledItemDelegate>
#include <QTableView>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "QtText.h"

namespace turfpad {

class TStringGrid;
class TStringGridModel;

// Paints a cell the ordinary way: the grid lines (black between fixed cells, silver between
// the others), the cell's background (button face for fixed cells, the window colour or the
// highlight for a selected cell), its text at 2,2 in the grid font, and the raised edge of a
// fixed cell. DrawCell() paints over the ordinary drawing before the edge.
class TStringGridDelegate : public QStyledItemDelegate {
  public:
    explicit TStringGridDelegate(TStringGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    struct Cell {
        int col;
        int row;
        QRect rect;  // the cell without its grid line, in the painter's coordinates
        bool fixed;
        bool selected;
    };

  protected:
    virtual void DrawCell(QPainter& painter, const Cell& cell) const;
    TStringGrid* grid() const { return grid_; }

  private:
    TStringGrid* grid_;
};

class TStringGrid : public QTableView {
    Q_OBJECT
  public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    int ColCount() const;
    void SetColCount(int count);
    int RowCount() const;
    void SetRowCount(int count);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    // Sets a whole row from cp932 texts (missing cells become empty).
    void SetRowCp932(int row, const std::vector<std::string>& cells);
    // All cell texts as cp932, [row][col].
    std::vector<std::vector<std::string>> CellsCp932() const;

    // Sizes in pixels without the grid line, as Delphi's grid counts them.
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);

    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on);
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool on);
    // 1 with grid lines, 0 without.
    int GridLineWidth() const { return gridLines_ ? 1 : 0; }

    // Removes every selection: no cell stays highlighted.
    void ClearSelection();
    // The row selected (the first, if several), or -1.
    int SelectedRow() const;
    void SelectRow(int row);

    // The rectangle of a cell without its grid line, in this widget's coordinates, where the
    // cell is drawn now (fixed cells in their fixed place).
    QRect CellRect(int col, int row) const;

    // Replaces the delegate that paints the cells (the grid owns it).
    void SetCellDelegate(std::unique_ptr<TStringGridDelegate> delegate);
    TStringGridDelegate* CellDelegate() const { return delegate_.get(); }

    bool IsFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    class FrozenView;
    void ApplySections();
    void PlaceOverlays();
    void SyncOverlays();  // the fixed parts to the grid's scroll offsets
    int SectionWidth(int col) const;
    int SectionHeight(int row) const;

    TStringGridModel* model_ = nullptr;
    std::unique_ptr<TStringGridDelegate> delegate_;
    FrozenView* top_ = nullptr;     // fixed rows, scrolled sideways with the grid
    FrozenView* left_ = nullptr;    // fixed columns, scrolled up and down with the grid
    FrozenView* corner_ = nullptr;  // where fixed rows and fixed columns meet
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    std::vector<int> colWidths_;   // -1: the default
    std::vector<int> rowHeights_;  // -1: the default
    bool rowSelect_ = false;
    bool gridLines_ = true;
    bool inLayout_ = false;
};

}  // namespace turfpad
