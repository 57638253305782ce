// A paint device that keeps a list of what was painted on it instead of pixels: every text,
// rectangle, line and shape in device pixels, with the pen, brush, font and clip it was
// painted with. Pages are separated as a printer separates them. It stands in for a printer
// wherever a check needs to know exactly what reached the paper.
#pragma once

#include <QBrush>
#include <QFont>
#include <QLineF>
#include <QPaintDevice>
#include <QPen>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace turfpad {

struct DrawnItem {
    enum class Kind { Text, Rect, Line, Shape, Image };
    Kind kind = Kind::Shape;
    QRectF rect;                 // Rect: the rectangle; Shape, Image and Text: their bounds
    QLineF line;                 // Line
    QPointF pos;                 // Text: the start of its base line
    QString text;                // Text
    QPen pen;                    // the pen (for Text, its colour is the text colour)
    QBrush brush;                // the brush
    QFont font;                  // the font (Text)
    std::optional<QRectF> clip;  // the clip rectangle in force, in device pixels
};

using DrawnPage = std::vector<DrawnItem>;

class RecordingPaintEngine;

class RecordingPaintDevice : public QPaintDevice {
  public:
    RecordingPaintDevice(QSize size, int dpiX, int dpiY);
    ~RecordingPaintDevice() override;

    // Everything painted so far, one list per page; there is always at least one page.
    const std::vector<DrawnPage>& Pages() const { return pages_; }
    // Starts a new page; later painting goes onto it.
    void NewPage() { pages_.emplace_back(); }
    void Clear() { pages_.assign(1, DrawnPage{}); }

    QPaintEngine* paintEngine() const override;

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    friend class RecordingPaintEngine;
    QSize size_;
    int dpiX_;
    int dpiY_;
    std::vector<DrawnPage> pages_;
    std::unique_ptr<RecordingPaintEngine> engine_;
};

}  // namespace turfpad
