// A label whose caption is drawn as 3D text: raised text has a copy one pixel right and one
// down in the button-shadow colour under the caption; recessed text uses the button-highlight
// colour for that copy.
#pragma once

#include <QColor>
#include <QWidget>

namespace turfpad {

class TLabel3Dj : public QWidget {
    Q_OBJECT
  public:
    enum class Style { None, Raised, Recessed };

    explicit TLabel3Dj(QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& text);
    Style style3D() const { return style_; }
    void setStyle3D(Style style);
    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& color);
    // A transparent label shows what lies under it; an opaque one fills with its colour.
    bool transparent() const { return transparent_; }
    void setTransparent(bool on);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    // Makes the label as wide and high as its caption (plus the 3D offset).
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;

  private:
    void Fit();

    QString caption_;
    Style style_ = Style::Raised;
    QColor fontColor_ = Qt::black;
    QColor color_;
    bool transparent_ = true;
    bool autoSize_ = true;
};

}  // namespace turfpad
