#include "RecordingPaintDevice.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTextItem>
#include <QTransform>
#include <cmath>

namespace turfpad {

class RecordingPaintEngine : public QPaintEngine {
  public:
    explicit RecordingPaintEngine(RecordingPaintDevice* device) : QPaintEngine(AllFeatures), device_(device) {}

    bool begin(QPaintDevice*) override {
        pen_ = QPen();
        brush_ = QBrush();
        font_ = QFont();
        xform_ = QTransform();
        clip_.reset();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& s) override {
        QPaintEngine::DirtyFlags f = s.state();
        if (f & DirtyTransform) xform_ = s.transform();
        if (f & DirtyPen) pen_ = s.pen();
        if (f & DirtyBrush) brush_ = s.brush();
        if (f & DirtyFont) font_ = s.font();
        if (f & DirtyClipRegion) Clip(s.clipOperation(), xform_.mapRect(QRectF(s.clipRegion().boundingRect())));
        if (f & DirtyClipPath) Clip(s.clipOperation(), xform_.mapRect(s.clipPath().boundingRect()));
        if ((f & DirtyClipEnabled) && !s.isClipEnabled()) clip_.reset();
    }

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            DrawnItem item = Item(DrawnItem::Kind::Rect);
            item.rect = xform_.mapRect(rects[i]);
            Add(item);
        }
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            DrawnItem item = Item(DrawnItem::Kind::Line);
            item.line = xform_.map(lines[i]);
            Add(item);
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }
    // Painters hand over wide-pen rectangles as paths: record those as what they are.
    void drawPath(const QPainterPath& path) override {
        QPainterPath mapped = xform_.map(path);
        QList<QPolygonF> polygons = mapped.toSubpathPolygons();
        if (polygons.size() == 1 && IsLine(polygons[0])) {
            DrawnItem item = Item(DrawnItem::Kind::Line);
            item.line = QLineF(polygons[0][0], polygons[0][1]);
            Add(item);
        } else if (polygons.size() == 1 && IsRect(polygons[0])) {
            DrawnItem item = Item(DrawnItem::Kind::Rect);
            item.rect = polygons[0].boundingRect();
            Add(item);
        } else {
            Shape(mapped.boundingRect());
        }
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon = xform_.map(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode == PolylineMode && IsLine(polygon)) {  // how a wide-pen line arrives
            DrawnItem item = Item(DrawnItem::Kind::Line);
            item.line = QLineF(polygon[0], polygon[1]);
            Add(item);
            return;
        }
        Shape(polygon.boundingRect());
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        std::vector<QPointF> p(points, points + count);
        drawPolygon(p.data(), count, mode);
    }
    void drawEllipse(const QRectF& r) override { Shape(xform_.mapRect(r)); }
    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i) Shape(QRectF(xform_.map(points[i]), QSizeF(0, 0)));
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
        DrawnItem item = Item(DrawnItem::Kind::Image);
        item.rect = xform_.mapRect(r);
        Add(item);
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        DrawnItem item = Item(DrawnItem::Kind::Image);
        item.rect = xform_.mapRect(r);
        Add(item);
    }
    // A text comes in runs of one script each (kanji, kana, ...); runs that continue the text
    // before them on its base line are joined into one item.
    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        DrawnItem item = Item(DrawnItem::Kind::Text);
        item.pos = xform_.map(p);
        item.text = ti.text();
        item.font = ti.font();
        item.rect = xform_.mapRect(QRectF(p.x(), p.y() - ti.ascent(), ti.width(), ti.ascent() + ti.descent()));
        DrawnPage& page = device_->pages_.back();
        if (!page.empty()) {
            DrawnItem& last = page.back();
            if (last.kind == DrawnItem::Kind::Text && last.pos.y() == item.pos.y() && last.font == item.font &&
                last.clip == item.clip && last.pen == item.pen &&
                std::abs(last.rect.right() - item.rect.left()) < 0.5) {
                last.text += item.text;
                last.rect = last.rect.united(item.rect);
                return;
            }
        }
        Add(item);
    }

  private:
    static bool IsLine(const QPolygonF& p) { return p.size() == 2; }
    static bool IsRect(const QPolygonF& p) {
        if (p.size() != 5 || p.front() != p.back()) return false;
        for (int i = 0; i < 4; ++i)
            if (p[i].x() != p[i + 1].x() && p[i].y() != p[i + 1].y()) return false;
        return true;
    }
    DrawnItem Item(DrawnItem::Kind kind) const {
        DrawnItem item;
        item.kind = kind;
        item.pen = pen_;
        item.brush = brush_;
        item.font = font_;
        item.clip = clip_;
        return item;
    }
    void Shape(const QRectF& bounds) {
        DrawnItem item = Item(DrawnItem::Kind::Shape);
        item.rect = bounds;
        Add(item);
    }
    void Add(const DrawnItem& item) { device_->pages_.back().push_back(item); }
    void Clip(Qt::ClipOperation op, const QRectF& rect) {
        if (op == Qt::NoClip)
            clip_.reset();
        else if (op == Qt::IntersectClip && clip_)
            clip_ = clip_->intersected(rect);
        else
            clip_ = rect;
    }

    RecordingPaintDevice* device_;
    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform xform_;
    std::optional<QRectF> clip_;
};

RecordingPaintDevice::RecordingPaintDevice(QSize size, int dpiX, int dpiY)
    : size_(size), dpiX_(dpiX), dpiY_(dpiY), pages_(1), engine_(std::make_unique<RecordingPaintEngine>(this)) {}

RecordingPaintDevice::~RecordingPaintDevice() = default;

QPaintEngine* RecordingPaintDevice::paintEngine() const { return engine_.get(); }

int RecordingPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return size_.width() * 254 / (dpiX_ * 10);
        case PdmHeightMM:
            return size_.height() * 254 / (dpiY_ * 10);
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return dpiX_;
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return dpiY_;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
}

}  // namespace turfpad
