#include "PagePreview.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "JapaneseUi.h"
#include "Printer.h"

namespace turfpad {

EPrevError::EPrevError() : std::runtime_error(kNoPrinterMessage) {}

std::int64_t RoundHalfEven(std::int64_t v, std::int64_t d) {
    std::int64_t q = v / d;
    std::int64_t r = v % d;
    if (r < 0) {  // floor division, so that the remainder is 0 <= r < d
        --q;
        r += d;
    }
    if (2 * r > d || (2 * r == d && (q % 2 != 0))) ++q;
    return q;
}

int MulDiv(int a, int b, int c) {
    std::int64_t n = static_cast<std::int64_t>(a) * b;
    std::int64_t q = (std::llabs(n) * 2 + c) / (2 * static_cast<std::int64_t>(c));
    return static_cast<int>(n < 0 ? -q : q);
}

TPrevCanvas::TPrevCanvas() { font.name = QString::fromUtf8(kPGothic); }

namespace {

int RoundF(double v) { return static_cast<int>(std::nearbyint(v)); }

// Plays a picture 1:1 in the painter's units. QPainter scales a picture by the device's
// resolution over the picture's own (which is always the screen's), so undo that.
void PlayPicture(QPainter& painter, const QPicture& picture) {
    QPaintDevice* device = painter.device();
    painter.scale(static_cast<double>(picture.logicalDpiX()) / device->logicalDpiX(),
                  static_cast<double>(picture.logicalDpiY()) / device->logicalDpiY());
    painter.drawPicture(0, 0, picture);
}

}  // namespace

TPrevX::TPrevX(Printer* printer, QWidget* parent) : QWidget(parent), printer_(printer) { resize(417, 581); }

TPrevX::~TPrevX() { ClosePage(); }

int TPrevX::ScreenDpi() const { return screenDpi_ > 0 ? screenDpi_ : logicalDpiY(); }

void TPrevX::SetPageNo(int n) {
    if (n == pageNo_ || n < 1 || n > PageCount()) return;
    pageNo_ = n;
    update();
}

void TPrevX::SetFromPage(int n) {
    if (n == fromPage_ || n < 1 || n > PageCount()) return;
    fromPage_ = n;
}

void TPrevX::SetToPage(int n) {
    if (n == toPage_ || n < 1) return;
    toPage_ = n;
}

void TPrevX::SetZoomScale(int percent) {
    if (percent == zoomScale_ || percent < 25 || percent > 200) return;
    zoomScale_ = percent;
    FitToSheet();
    update();
}

void TPrevX::CheckPrinter() const {
    if (printer_ == nullptr || !printer_->Installed()) throw EPrevError();
}

void TPrevX::Measure() {
    CheckPrinter();
    dpiX_ = printer_->DpiX();
    dpiY_ = printer_->DpiY();
    scale_ = dpiY_ > 0 ? (static_cast<double>(ScreenDpi()) / dpiY_) * zoomScale_ / 100 : 0;
    QSize sheet = printer_->SheetSize();
    QPoint offset = printer_->PrintableOffset();
    QSize printable = printer_->PrintableSize();
    paperWidth_ = RoundF(sheet.width() * scale_);
    paperHeight_ = RoundF(sheet.height() * scale_);
    offsetX_ = RoundF(offset.x() * scale_);
    offsetY_ = RoundF(offset.y() * scale_);
    printableWidth_ = RoundF(printable.width() * scale_);
    printableHeight_ = RoundF(printable.height() * scale_);
}

void TPrevX::BeginDoc() {
    Measure();
    pageNo_ = 1;
    fromPage_ = 1;
    toPage_ = 9999;
    ClosePage();
    pages_.clear();
    lazyDraw_ = nullptr;
    OpenPage();
}

void TPrevX::NewPage() {
    CheckPrinter();
    ClosePage();
    OpenPage();
}

void TPrevX::EndDoc() {
    ClosePage();
    update();
}

void TPrevX::LazyDoc(int count, std::function<void(TPrevX&, int)> draw) {
    Measure();
    pageNo_ = 1;
    fromPage_ = 1;
    toPage_ = 9999;
    ClosePage();
    pages_.clear();
    for (int i = 0; i < count; ++i) {
        PageRecord page{std::make_unique<QPicture>(), printer_->PrintableSize(), false};
        page.picture->setBoundingRect(QRect(QPoint(0, 0), page.size));
        pages_.push_back(std::move(page));
    }
    lazyDraw_ = std::move(draw);
    lazyDpiX_ = dpiX_;
    lazyDpiY_ = dpiY_;
    update();
}

const QPicture& TPrevX::Page(int n) const {
    // Drawing a lazy page on first sight changes nothing anyone sees but the time it takes.
    if (!pages_.at(static_cast<std::size_t>(n - 1)).drawn) const_cast<TPrevX*>(this)->DrawLazyPage(n);
    return *pages_.at(static_cast<std::size_t>(n - 1)).picture;
}

void TPrevX::DrawLazyPage(int n) {
    PageRecord& page = pages_.at(static_cast<std::size_t>(n - 1));
    page.drawn = true;
    const int dpiX = std::exchange(dpiX_, lazyDpiX_), dpiY = std::exchange(dpiY_, lazyDpiY_);
    painter_ = std::make_unique<QPainter>(page.picture.get());
    canvas_ = TPrevCanvas();
    penAt_ = devPenAt_ = QPoint(0, 0);
    drawingPage_ = n;
    lazyDraw_(*this, n);
    drawingPage_ = 0;
    painter_->end();
    painter_.reset();
    page.picture->setBoundingRect(QRect(QPoint(0, 0), page.size));
    dpiX_ = dpiX;
    dpiY_ = dpiY;
}

void TPrevX::OpenPage() {
    PageRecord page{std::make_unique<QPicture>(), printer_->PrintableSize()};
    page.picture->setBoundingRect(QRect(QPoint(0, 0), page.size));
    pages_.push_back(std::move(page));
    painter_ = std::make_unique<QPainter>(pages_.back().picture.get());
    canvas_ = TPrevCanvas();
    penAt_ = devPenAt_ = QPoint(0, 0);
}

void TPrevX::ClosePage() {
    if (!painter_) return;
    painter_->end();
    painter_.reset();
    // Ending the recording sets the picture's bounds to what was drawn; keep the page's.
    PageRecord& page = pages_.back();
    page.picture->setBoundingRect(QRect(QPoint(0, 0), page.size));
}

bool TPrevX::Print() {
    CheckPrinter();
    int last = std::min(PageCount(), toPage_);
    if (fromPage_ > last) return false;  // nothing in the range: no job at all
    if (!printer_->BeginJob(title_)) return false;
    bool whole = true;
    for (int i = fromPage_;;) {
        QPainter* painter = printer_->Painter();
        if (painter == nullptr) {
            whole = false;
            break;
        }
        painter->save();
        PlayPicture(*painter, Page(i));
        painter->restore();
        if (++i > last) break;
        if (!printer_->NewPage()) {
            whole = false;
            break;
        }
    }
    return printer_->EndJob() && whole;
}

int TPrevX::X(int x) const {
    std::int64_t v = static_cast<std::int64_t>(x) + marginLeft_;
    return mapMode_ == TPrevMapModes::pmmHi ? static_cast<int>(RoundHalfEven(v * dpiX_, 254))
                                            : static_cast<int>(RoundHalfEven(v * dpiX_ * 10, 254));
}

int TPrevX::Y(int y) const {
    std::int64_t v = static_cast<std::int64_t>(y) + marginTop_;
    return mapMode_ == TPrevMapModes::pmmHi ? static_cast<int>(RoundHalfEven(v * dpiY_, 254))
                                            : static_cast<int>(RoundHalfEven(v * dpiY_ * 10, 254));
}

int TPrevX::PenWidth(int w) const {
    std::int64_t d = static_cast<std::int64_t>(ScreenDpi()) * 10;
    if (d <= 0) return 1;
    return static_cast<int>(std::max<std::int64_t>(1, RoundHalfEven(static_cast<std::int64_t>(w) * dpiY_, d)));
}

QString PrintFace(const QString& face, bool bold) {
#ifdef _WIN32
    (void)bold;
    return face;
#else
    // The gothics that stand in for ＭＳ ゴシック and ＭＳ Ｐゴシック (IPA's) have no bold face:
    // the printer's engine emboldens them, but the screen's drops that for the large glyphs
    // of a 600 dpi page, and the preview would show bold text regular. Bold text takes Noto's
    // gothics (Debian's fonts-noto-cjk), which have real bold faces, the same on screen and on
    // paper; regular text keeps the stand-ins, whose widths are those of the Windows gothics.
    if (!bold) return face;
    static const QString mono = QStringLiteral("Noto Sans Mono CJK JP");
    static const QString proportional = QStringLiteral("Noto Sans CJK JP");
    const QString* real = nullptr;
    if (face == QString::fromUtf8(kGothic) || face == QStringLiteral("MS Gothic")) real = &mono;
    if (face == QString::fromUtf8(kPGothic) || face == QStringLiteral("MS PGothic")) real = &proportional;
    // Asked once: the question goes through fontconfig and costs more than drawing a text.
    static const bool monoThere = QFontDatabase::hasFamily(mono);
    static const bool proportionalThere = QFontDatabase::hasFamily(proportional);
    if (real != nullptr && (real == &mono ? monoThere : proportionalThere)) return *real;
    return face;
#endif
}

void TPrevX::Apply() {
    QFont font(PrintFace(canvas_.font.name, canvas_.font.bold));
    font.setPixelSize(std::max(1, MulDiv(canvas_.font.size, dpiY_, 72)));
    font.setBold(canvas_.font.bold);
    painter_->setFont(font);
    QPen pen(canvas_.pen.color, std::max(0, canvas_.pen.width), canvas_.pen.style, Qt::RoundCap, Qt::RoundJoin);
    painter_->setPen(pen);
    painter_->setBrush(QBrush(canvas_.brush.color, canvas_.brush.style));
}

void TPrevX::Record(TPrevOp op) {
    if (!onDraw_) return;
    op.page = drawingPage_ > 0 ? drawingPage_ : PageCount();
    op.canvas = canvas_;
    onDraw_(op);
}

void TPrevX::TextOut(int x, int y, const QString& text) {
    if (!painter_) return;
    Apply();
    QPointF at(X(x), Y(y));
    // Placed by the top of the face the page names, whichever face draws it: a face with real
    // bold glyphs (PrintFace) has a taller ascent and would sit lower in its box.
    QFont named = painter_->font();
    named.setFamily(canvas_.font.name);
    const QFontMetricsF metrics(named);
    const QFontMetricsF drawn(painter_->font());
    if (canvas_.brush.style != Qt::NoBrush && !text.isEmpty())
        painter_->fillRect(QRectF(at, QSizeF(drawn.horizontalAdvance(text), metrics.ascent() + metrics.descent())),
                           canvas_.brush.color);
    painter_->setPen(QPen(canvas_.font.color));
    painter_->drawText(QPointF(at.x(), at.y() + metrics.ascent()), text);
    TPrevOp op;
    op.kind = TPrevOp::Kind::TextOut;
    op.at = QPoint(x, y);
    op.devAt = at.toPoint();
    op.text = text;
    Record(op);
}

void TPrevX::MoveTo(int x, int y) {
    if (!painter_) return;
    penAt_ = QPoint(x, y);
    devPenAt_ = QPoint(X(x), Y(y));
    TPrevOp op;
    op.kind = TPrevOp::Kind::MoveTo;
    op.at = penAt_;
    op.devAt = devPenAt_;
    Record(op);
}

void TPrevX::LineTo(int x, int y) {
    if (!painter_) return;
    Apply();
    QPoint to(X(x), Y(y));
    painter_->drawLine(devPenAt_, to);
    TPrevOp op;
    op.kind = TPrevOp::Kind::LineTo;
    op.from = penAt_;
    op.devFrom = devPenAt_;
    op.at = QPoint(x, y);
    op.devAt = to;
    penAt_ = op.at;
    devPenAt_ = to;
    Record(op);
}

void TPrevX::Rectangle(int x1, int y1, int x2, int y2) {
    if (!painter_) return;
    Apply();
    QPoint a(X(x1), Y(y1));
    QPoint b(X(x2), Y(y2));
    painter_->drawRect(QRectF(a, b));
    TPrevOp op;
    op.kind = TPrevOp::Kind::Rectangle;
    op.at = QPoint(x1, y1);
    op.to = QPoint(x2, y2);
    op.devAt = a;
    op.devTo = b;
    Record(op);
}

void TPrevX::DrawPage(QPainter& painter, int n, const QRectF& target) const {
    QSize size = PageSize(n);
    if (size.isEmpty()) return;
    painter.save();
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width(), target.height() / size.height());
    PlayPicture(painter, Page(n));
    painter.restore();
}

void TPrevX::FitToSheet() {
    try {
        Measure();
    } catch (const EPrevError&) {
        return;
    }
    resize(sizeHint());
}

QSize TPrevX::sizeHint() const { return QSize(paperWidth_ + 20, paperHeight_ + 20); }

void TPrevX::paintEvent(QPaintEvent*) {
    try {
        Measure();
    } catch (const EPrevError&) {
        return;  // nothing to show a sheet of
    }
    if (size() != sizeHint()) QTimer::singleShot(0, this, &TPrevX::FitToSheet);

    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 0, Qt::SolidLine));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(10, 10, paperWidth_ - 1, paperHeight_ - 1));

    QRect printable(offsetX_ + 10, offsetY_ + 10, printableWidth_, printableHeight_);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.drawRect(printable.adjusted(0, 0, -1, -1));

    if (!pages_.empty() && !(painter_ && pageNo_ == PageCount())) {
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        DrawPage(painter, pageNo_, QRectF(printable));
    }
}

}  // namespace turfpad
