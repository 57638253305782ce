#include "StringGrid.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "QtText.h"
#include "text/Cp932.h"

namespace turfpad {

// The cell texts, row by row.
class TStringGridModel : public QAbstractTableModel {
  public:
    explicit TStringGridModel(TStringGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return Text(index.column(), index.row());
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        if (grid_->IsFixed(index.column(), index.row())) return Qt::ItemIsEnabled;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    const QString& Text(int col, int row) const {
        static const QString empty;
        if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return empty;
        return cells_[Index(col, row)];
    }

    void SetText(int col, int row, const QString& text) {
        if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
        QString& cell = cells_[Index(col, row)];
        if (cell == text) return;
        cell = text;
        const QModelIndex at = index(row, col);
        emit dataChanged(at, at, {Qt::DisplayRole});
    }

    void SetRowTexts(int row, const std::vector<QString>& texts) {
        if (row < 0 || row >= rows_) return;
        for (int c = 0; c < cols_; ++c)
            cells_[Index(c, row)] =
                static_cast<std::size_t>(c) < texts.size() ? texts[static_cast<std::size_t>(c)] : QString();
        emit dataChanged(index(row, 0), index(row, cols_ - 1), {Qt::DisplayRole});
    }

    void SetRows(int rows) {
        if (rows == rows_) return;
        if (rows > rows_) {
            beginInsertRows({}, rows_, rows - 1);
            cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols_));
            rows_ = rows;
            endInsertRows();
        } else {
            beginRemoveRows({}, rows, rows_ - 1);
            cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols_));
            rows_ = rows;
            endRemoveRows();
        }
    }

    void SetCols(int cols) {
        if (cols == cols_) return;
        std::vector<QString> cells(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols));
        for (int r = 0; r < rows_; ++r)
            for (int c = 0; c < std::min(cols, cols_); ++c)
                cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)] =
                    std::move(cells_[Index(c, r)]);
        if (cols > cols_) {
            beginInsertColumns({}, cols_, cols - 1);
            cells_ = std::move(cells);
            cols_ = cols;
            endInsertColumns();
        } else {
            beginRemoveColumns({}, cols, cols_ - 1);
            cells_ = std::move(cells);
            cols_ = cols;
            endRemoveColumns();
        }
    }

    // Fixed counts decide the flags.
    void FlagsChanged() {
        if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
    }

  private:
    std::size_t Index(int col, int row) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(col);
    }

    TStringGrid* grid_;
    int rows_ = 0;
    int cols_ = 0;
    std::vector<QString> cells_;
};

// A view over the same model and selection that shows only the fixed part of the grid and
// never scrolls by itself in the direction in which its cells are fixed.
class TStringGrid::FrozenView : public QTableView {
  public:
    explicit FrozenView(TStringGrid* grid) : QTableView(grid), grid_(grid) {
        setFrameStyle(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSelectionMode(QAbstractItemView::NoSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setAutoScroll(false);
    }
    using QTableView::updateGeometries;

  protected:
    // The grid decides where its fixed parts stand: the wheel scrolls the grid, not the overlay.
    void wheelEvent(QWheelEvent* event) override { QCoreApplication::sendEvent(grid_->viewport(), event); }

    void mouseReleaseEvent(QMouseEvent* event) override {
        QTableView::mouseReleaseEvent(event);
        grid_->ClearSelection();
    }

  private:
    TStringGrid* grid_;
};

namespace {

constexpr int kMinimumRowSection = 15;

void ConfigureView(QTableView* view) {
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setMinimumSectionSize(kMinimumRowSection);
    view->setShowGrid(false);  // the delegate draws the grid lines as part of each cell
    view->setWordWrap(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

}  // namespace

// ----- delegate -----

TStringGridDelegate::TStringGridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QSize TStringGridDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    return {grid_->ColWidths(index.column()), grid_->RowHeights(index.row())};
}

void TStringGridDelegate::DrawCell(QPainter&, const Cell&) const {}

void TStringGridDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const int col = index.column();
    const int row = index.row();
    const int g = grid_->GridLineWidth();
    const QRect section = option.rect;
    const QRect rect(section.left(), section.top(), section.width() - g, section.height() - g);
    const bool fixed = grid_->IsFixed(col, row);
    const bool selected = !fixed && (option.state & QStyle::State_Selected);
    const QPalette& pal = grid_->palette();

    p->save();
    p->setClipRect(section);
    if (g > 0) {
        const QColor line = fixed ? QColor(0, 0, 0) : QColor(192, 192, 192);
        p->fillRect(QRect(section.left() + section.width() - g, section.top(), g, section.height()), line);
        p->fillRect(QRect(section.left(), section.top() + section.height() - g, section.width(), g), line);
    }
    p->fillRect(rect, fixed      ? pal.color(QPalette::Button)
                      : selected ? pal.color(QPalette::Highlight)
                                 : pal.color(QPalette::Base));
    const QString text = grid_->Cells(col, row);
    if (!text.isEmpty()) {
        p->save();
        p->setClipRect(rect, Qt::IntersectClip);
        p->setFont(grid_->font());
        p->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        p->drawText(QPoint(rect.left() + 2, rect.top() + 2 + QFontMetrics(grid_->font()).ascent()), text);
        p->restore();
    }

    p->save();
    p->setFont(grid_->font());
    DrawCell(*p, Cell{col, row, rect, fixed, selected});
    p->restore();

    if (fixed && rect.width() > 1 && rect.height() > 1) {
        // Raised inner edge: highlight along the top and left, shadow along the bottom and right.
        const QColor light = pal.color(QPalette::Light);
        const QColor dark = pal.color(QPalette::Dark);
        p->fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), light);
        p->fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), light);
        p->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), dark);
        p->fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), dark);
    }
    p->restore();
}

// ----- grid -----

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), model_(new TStringGridModel(this)) {
    model_->SetCols(5);
    model_->SetRows(5);
    colWidths_.assign(5, -1);
    rowHeights_.assign(5, -1);
    ConfigureView(this);
    setModel(model_);
    // The grid's own headers only hold the room for the fixed rows and columns: Qt's table
    // keeps its viewport beside them and scrolls correctly, and the frozen views lie over them.
    horizontalHeader()->show();
    verticalHeader()->show();
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionsClickable(false);
    setCornerButtonEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);

    delegate_ = std::make_unique<TStringGridDelegate>(this);
    setItemDelegate(delegate_.get());

    top_ = new FrozenView(this);
    left_ = new FrozenView(this);
    corner_ = new FrozenView(this);
    for (FrozenView* v : {top_, left_, corner_}) {
        ConfigureView(v);
        v->setModel(model_);
        v->setSelectionModel(selectionModel());
        v->setItemDelegate(delegate_.get());
    }
    // The fixed rows follow the grid sideways, the fixed columns up and down, to the pixel: the
    // grid scrolls by whole cells except at the end, where its last cell ends at the edge, and
    // an overlay of another width would count its cells differently. So the overlays scroll by
    // pixels and take the grid's own offsets (SyncOverlays).
    top_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    left_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    SetDefaultRowHeight(defaultRowHeight_);
    ApplySections();
}

TStringGrid::~TStringGrid() {
    for (QTableView* v : {static_cast<QTableView*>(this), static_cast<QTableView*>(top_),
                          static_cast<QTableView*>(left_), static_cast<QTableView*>(corner_)})
        v->setItemDelegate(nullptr);
}

int TStringGrid::ColCount() const { return model_->columnCount(); }
int TStringGrid::RowCount() const { return model_->rowCount(); }

void TStringGrid::SetColCount(int count) {
    count = std::max(count, 0);
    model_->SetCols(count);
    colWidths_.resize(static_cast<std::size_t>(count), -1);
    ApplySections();
}

void TStringGrid::SetRowCount(int count) {
    count = std::max(count, 0);
    model_->SetRows(count);
    rowHeights_.resize(static_cast<std::size_t>(count), -1);
    ApplySections();
}

void TStringGrid::SetFixedCols(int count) {
    fixedCols_ = std::max(count, 0);
    model_->FlagsChanged();
    ApplySections();
}

void TStringGrid::SetFixedRows(int count) {
    fixedRows_ = std::max(count, 0);
    model_->FlagsChanged();
    ApplySections();
}

QString TStringGrid::Cells(int col, int row) const { return model_->Text(col, row); }
void TStringGrid::SetCells(int col, int row, const QString& text) { model_->SetText(col, row, text); }

void TStringGrid::SetRowCp932(int row, const std::vector<std::string>& cells) {
    std::vector<QString> texts;
    texts.reserve(cells.size());
    for (const std::string& c : cells) texts.push_back(Cp932ToQString(c));
    model_->SetRowTexts(row, texts);
}

std::vector<std::vector<std::string>> TStringGrid::CellsCp932() const {
    std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(RowCount()));
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c) cells[static_cast<std::size_t>(r)].push_back(QStringToCp932(Cells(c, r)));
    return cells;
}

int TStringGrid::ColWidths(int col) const {
    if (col < 0 || static_cast<std::size_t>(col) >= colWidths_.size()) return defaultColWidth_;
    const int w = colWidths_[static_cast<std::size_t>(col)];
    return w < 0 ? defaultColWidth_ : w;
}

int TStringGrid::RowHeights(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rowHeights_.size()) return defaultRowHeight_;
    const int h = rowHeights_[static_cast<std::size_t>(row)];
    return h < 0 ? defaultRowHeight_ : h;
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= ColCount()) return;
    colWidths_[static_cast<std::size_t>(col)] = std::max(width, 0);
    ApplySections();
}

void TStringGrid::SetRowHeights(int row, int height) {
    if (row < 0 || row >= RowCount()) return;
    rowHeights_[static_cast<std::size_t>(row)] = std::max(height, 0);
    ApplySections();
}

void TStringGrid::SetDefaultColWidth(int width) {
    defaultColWidth_ = std::max(width, 0);
    for (QTableView* v : {static_cast<QTableView*>(this), static_cast<QTableView*>(top_),
                          static_cast<QTableView*>(left_), static_cast<QTableView*>(corner_)})
        v->horizontalHeader()->setDefaultSectionSize(defaultColWidth_ + GridLineWidth());
    ApplySections();
}

void TStringGrid::SetDefaultRowHeight(int height) {
    defaultRowHeight_ = std::max(height, 0);
    const int section = defaultRowHeight_ + GridLineWidth();
    for (QTableView* v : {static_cast<QTableView*>(this), static_cast<QTableView*>(top_),
                          static_cast<QTableView*>(left_), static_cast<QTableView*>(corner_)}) {
        // The minimum first: a default below the style's minimum would be raised to it.
        v->verticalHeader()->setMinimumSectionSize(std::min(kMinimumRowSection, section));
        v->verticalHeader()->setDefaultSectionSize(section);
    }
    ApplySections();
}

void TStringGrid::SetRowSelect(bool on) {
    rowSelect_ = on;
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void TStringGrid::SetGridLines(bool on) {
    gridLines_ = on;
    SetDefaultRowHeight(defaultRowHeight_);
    SetDefaultColWidth(defaultColWidth_);
}

void TStringGrid::ClearSelection() {
    if (selectionModel() != nullptr) selectionModel()->clearSelection();
}

int TStringGrid::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    int best = -1;
    for (const QModelIndex& i : rows)
        if (best < 0 || i.row() < best) best = i.row();
    return best;
}

void TStringGrid::SelectRow(int row) {
    if (row < fixedRows_ || row >= RowCount()) return;
    const QModelIndex first = model_->index(row, std::min(fixedCols_, ColCount() - 1));
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(model_->index(row, fixedCols_), model_->index(row, ColCount() - 1)),
                             QItemSelectionModel::ClearAndSelect);
}

void TStringGrid::SetCellDelegate(std::unique_ptr<TStringGridDelegate> delegate) {
    if (!delegate) delegate = std::make_unique<TStringGridDelegate>(this);
    for (QTableView* v : {static_cast<QTableView*>(this), static_cast<QTableView*>(top_),
                          static_cast<QTableView*>(left_), static_cast<QTableView*>(corner_)})
        v->setItemDelegate(delegate.get());
    delegate_ = std::move(delegate);
    viewport()->update();
    for (FrozenView* v : {top_, left_, corner_}) v->viewport()->update();
}

int TStringGrid::SectionWidth(int col) const { return ColWidths(col) + GridLineWidth(); }
int TStringGrid::SectionHeight(int row) const { return RowHeights(row) + GridLineWidth(); }

void TStringGrid::ApplySections() {
    if (top_ == nullptr) return;  // still being built
    const int cols = ColCount();
    const int rows = RowCount();
    struct Part {
        QTableView* view;
        bool fixedCols;  // shows the fixed columns (and hides the others)
        bool fixedRows;
    };
    const Part parts[] = {{this, false, false}, {top_, false, true}, {left_, true, false}, {corner_, true, true}};
    for (const Part& part : parts) {
        QHeaderView* h = part.view->horizontalHeader();
        QHeaderView* v = part.view->verticalHeader();
        for (int c = 0; c < cols; ++c) {
            if (h->sectionSize(c) != SectionWidth(c)) h->resizeSection(c, SectionWidth(c));
            const bool hide = (c < fixedCols_) != part.fixedCols;
            if (h->isSectionHidden(c) != hide) h->setSectionHidden(c, hide);
        }
        for (int r = 0; r < rows; ++r) {
            if (v->sectionSize(r) != SectionHeight(r)) v->resizeSection(r, SectionHeight(r));
            const bool hide = (r < fixedRows_) != part.fixedRows;
            if (v->isSectionHidden(r) != hide) v->setSectionHidden(r, hide);
        }
    }
    int fixedWidth = 0;
    for (int c = 0; c < std::min(fixedCols_, cols); ++c) fixedWidth += SectionWidth(c);
    int fixedHeight = 0;
    for (int r = 0; r < std::min(fixedRows_, rows); ++r) fixedHeight += SectionHeight(r);
    if (verticalHeader()->width() != fixedWidth || verticalHeader()->minimumWidth() != fixedWidth)
        verticalHeader()->setFixedWidth(fixedWidth);
    if (horizontalHeader()->height() != fixedHeight || horizontalHeader()->minimumHeight() != fixedHeight)
        horizontalHeader()->setFixedHeight(fixedHeight);
    updateGeometries();
}

void TStringGrid::PlaceOverlays() {
    if (top_ == nullptr || inLayout_) return;
    inLayout_ = true;
    const int w = verticalHeader()->minimumWidth();
    const int h = horizontalHeader()->minimumHeight();
    const QRect vp = viewport()->geometry();
    top_->setGeometry(vp.left(), vp.top() - h, vp.width(), h);
    left_->setGeometry(vp.left() - w, vp.top(), w, vp.height());
    corner_->setGeometry(vp.left() - w, vp.top() - h, w, h);
    top_->setVisible(h > 0 && vp.width() > 0);
    left_->setVisible(w > 0 && vp.height() > 0);
    corner_->setVisible(h > 0 && w > 0);
    for (FrozenView* v : {top_, left_, corner_}) v->raise();
    for (FrozenView* v : {top_, left_, corner_}) v->updateGeometries();
    top_->verticalScrollBar()->setValue(0);
    left_->horizontalScrollBar()->setValue(0);
    inLayout_ = false;
    SyncOverlays();
}

void TStringGrid::SyncOverlays() {
    if (top_ == nullptr) return;
    const int x = horizontalHeader()->offset();
    const int y = verticalHeader()->offset();
    if (top_->horizontalScrollBar()->maximum() < x) top_->updateGeometries();
    if (left_->verticalScrollBar()->maximum() < y) left_->updateGeometries();
    top_->horizontalScrollBar()->setValue(x);
    left_->verticalScrollBar()->setValue(y);
}

void TStringGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    SyncOverlays();
}

void TStringGrid::updateGeometries() {
    QTableView::updateGeometries();
    PlaceOverlays();
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    PlaceOverlays();
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    ClearSelection();
}

QRect TStringGrid::CellRect(int col, int row) const {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
    const bool fc = col < fixedCols_;
    const bool fr = row < fixedRows_;
    const QTableView* view = fc && fr ? static_cast<const QTableView*>(corner_)
                             : fr     ? static_cast<const QTableView*>(top_)
                             : fc     ? static_cast<const QTableView*>(left_)
                                      : static_cast<const QTableView*>(this);
    QRect r = view->visualRect(model_->index(row, col));
    if (!r.isValid()) return {};
    r.moveTopLeft(view->viewport()->mapTo(this, r.topLeft()));
    return {r.left(), r.top(), r.width() - GridLineWidth(), r.height() - GridLineWidth()};
}

}  // namespace turfpad
