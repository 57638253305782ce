// The page preview: pages are recorded as vector pictures in the printer's pixels, one of
// them is shown scaled on a picture of the sheet, and a range of them can be printed.
// Drawing code gives positions in tenths of a millimetre (or millimetres) from the top-left
// corner of the printable area; the preview converts them to printer pixels.
#pragma once

#include <QColor>
#include <QPicture>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QPainter;

namespace turfpad {

class Printer;

// Raised when there is no printer to measure or print on.
class EPrevError : public std::runtime_error {
  public:
    EPrevError();
};
// The message of EPrevError (UTF-8).
inline constexpr const char* kNoPrinterMessage = "プリンタが登録されていません";

// Page units: pmmHi = 0.1 mm, pmmLo = 1 mm.
enum class TPrevMapModes { pmmHi, pmmLo };

// v / d rounded to the nearest integer, an exact half going to the even neighbour (d > 0).
std::int64_t RoundHalfEven(std::int64_t v, std::int64_t d);
// a × b / c rounded to the nearest integer, an exact half away from zero (c > 0): font
// heights from points at a resolution.
int MulDiv(int a, int b, int c);

// The drawing settings of an open page. Fonts are given in points and take their pixel size
// from the printer's vertical resolution; pen widths are in printer pixels (see PenWidth).
struct TPrevFont {
    QString name;
    int size = 9;  // points
    bool bold = false;
    QColor color = Qt::black;
    bool operator==(const TPrevFont&) const = default;
};
struct TPrevPen {
    int width = 1;  // printer pixels
    Qt::PenStyle style = Qt::SolidLine;
    QColor color = Qt::black;
    bool operator==(const TPrevPen&) const = default;
};
// A solid brush fills rectangles and the background of texts; Qt::NoBrush leaves both clear.
struct TPrevBrush {
    QColor color = Qt::white;
    Qt::BrushStyle style = Qt::SolidPattern;
    bool operator==(const TPrevBrush&) const = default;
};
struct TPrevCanvas {
    TPrevCanvas();  // the settings every new page starts with
    TPrevFont font;
    TPrevPen pen;
    TPrevBrush brush;
};

// One drawing operation on a page, as the drawing code gave it and as it was converted.
struct TPrevOp {
    enum class Kind { TextOut, MoveTo, LineTo, Rectangle };
    Kind kind = Kind::TextOut;
    int page = 0;    // 1-based
    QPoint from;     // LineTo: the pen position it starts at (page units)
    QPoint at;       // TextOut, MoveTo, LineTo: the point; Rectangle: the first corner
    QPoint to;       // Rectangle: the second corner
    QPoint devFrom;  // the same in printer pixels
    QPoint devAt;
    QPoint devTo;
    QString text;        // TextOut
    TPrevCanvas canvas;  // the settings in force
};

// The font family the printed pages draw `face` in: on Linux bold text takes a gothic with
// real bold faces in place of the Windows gothics where one is installed, so that the preview
// shows bold text as the printer prints it.
QString PrintFace(const QString& face, bool bold);

class TPrevX : public QWidget {
    Q_OBJECT
  public:
    // The printer is used, not owned; it must outlive the preview.
    explicit TPrevX(Printer* printer, QWidget* parent = nullptr);
    ~TPrevX() override;

    Printer* GetPrinter() const { return printer_; }

    int PageNo() const { return pageNo_; }
    void SetPageNo(int n);  // 1..PageCount; repaints
    int PageCount() const { return static_cast<int>(pages_.size()); }
    int FromPage() const { return fromPage_; }
    void SetFromPage(int n);  // 1..PageCount
    int ToPage() const { return toPage_; }
    void SetToPage(int n);  // 1 or more
    const QString& Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    int ZoomScale() const { return zoomScale_; }
    void SetZoomScale(int percent);  // 25..200; repaints
    int MarginLeft() const { return marginLeft_; }
    void SetMarginLeft(int units) { marginLeft_ = units; }
    int MarginTop() const { return marginTop_; }
    void SetMarginTop(int units) { marginTop_ = units; }
    TPrevMapModes MapMode() const { return mapMode_; }
    void SetMapMode(TPrevMapModes mode) { mapMode_ = mode; }
    // Screen pixels per inch used for the preview scale and the pen unit; the screen's own
    // unless set (0 goes back to the screen's).
    int ScreenDpi() const;
    void SetScreenDpi(int dpi) { screenDpi_ = dpi; }

    // Checks for a printer (EPrevError when there is none) and reads its metrics.
    void Measure();
    // Discards all pages and opens page 1 (Measure first).
    void BeginDoc();
    // Closes the open page and opens the next (EPrevError without a printer).
    void NewPage();
    // Closes the open page; from then on the pages can be shown and printed.
    void EndDoc();
    // Instead of BeginDoc ... EndDoc: a document of `count` pages, each drawn by
    // draw(*this, n) only when it is first shown or printed, onto an open page and with the
    // printer's metrics of now, as if between BeginDoc and EndDoc (without NewPage). For long
    // documents of which the user looks at a page or two. EPrevError without a printer.
    void LazyDoc(int count, std::function<void(TPrevX&, int)> draw);
    // Prints pages FromPage to min(PageCount, ToPage) as one job titled Title
    // (EPrevError without a printer). False when no job was made: nothing in the range, or
    // the job did not start.
    bool Print();

    // The settings of the open page.
    TPrevCanvas& Canvas() { return canvas_; }
    // Page units to printer pixels.
    int X(int x) const;
    int Y(int y) const;
    // Pen unit (tenths of a screen pixel) to printer pixels, at least 1.
    int PenWidth(int w) const;

    // Drawing on the open page, in page units; texts are placed by their top-left corner.
    void TextOut(int x, int y, const QString& text);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);

    // Called with every drawing operation, after it is drawn.
    void SetOnDraw(std::function<void(const TPrevOp&)> onDraw) { onDraw_ = std::move(onDraw); }

    // What Measure found.
    int PrinterDpiX() const { return dpiX_; }
    int PrinterDpiY() const { return dpiY_; }
    double Scale() const { return scale_; }
    int PaperWidth() const { return paperWidth_; }
    int PaperHeight() const { return paperHeight_; }
    int PrintableOffsetX() const { return offsetX_; }
    int PrintableOffsetY() const { return offsetY_; }
    int PrintableWidth() const { return printableWidth_; }
    int PrintableHeight() const { return printableHeight_; }

    // Page n (1-based), its size in printer pixels, and whether a page is open.
    const QPicture& Page(int n) const;
    QSize PageSize(int n) const { return pages_.at(static_cast<std::size_t>(n - 1)).size; }
    bool PageOpen() const { return painter_ != nullptr; }
    // Plays page n onto a painter, stretched to fill `target` (in the painter's units).
    void DrawPage(QPainter& painter, int n, const QRectF& target) const;

    // Measures and takes the size the sheet needs at the current zoom; does nothing
    // without a printer.
    void FitToSheet();
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct PageRecord {
        std::unique_ptr<QPicture> picture;
        QSize size;
        bool drawn = true;  // false: a page of a LazyDoc not drawn yet
    };
    void DrawLazyPage(int n);
    void CheckPrinter() const;
    void OpenPage();
    void ClosePage();
    void Apply();
    void Record(TPrevOp op);

    Printer* printer_;
    std::vector<PageRecord> pages_;
    std::unique_ptr<QPainter> painter_;  // records into the open page
    TPrevCanvas canvas_;
    QPoint penAt_;     // page units
    QPoint devPenAt_;  // printer pixels
    int pageNo_ = 1;
    int fromPage_ = 1;
    int toPage_ = 9999;
    QString title_;
    int zoomScale_ = 25;
    int marginLeft_ = 0;
    int marginTop_ = 0;
    TPrevMapModes mapMode_ = TPrevMapModes::pmmHi;
    int screenDpi_ = 0;
    int dpiX_ = 0;
    int dpiY_ = 0;
    double scale_ = 0;
    int paperWidth_ = 0;
    int paperHeight_ = 0;
    int offsetX_ = 0;
    int offsetY_ = 0;
    int printableWidth_ = 0;
    int printableHeight_ = 0;
    std::function<void(const TPrevOp&)> onDraw_;
    std::function<void(TPrevX&, int)> lazyDraw_;
    int lazyDpiX_ = 0, lazyDpiY_ = 0;  // the printer's when the lazy document was begun
    int drawingPage_ = 0;              // the lazy page being drawn
};

}  // namespace turfpad
