#pragma once

// An HSV colour wheel drawn by the picker itself: hue round the circle, saturation from the centre
// (0) to the rim (255), full value; or the same colours in a hexagon. Picks read the widget's own
// picture; outside the wheel (or hexagon) there is no colour.

#include <QImage>
#include <QWidget>
#include <optional>

class ColourWheel : public QWidget {
  Q_OBJECT
 public:
  enum class Shape { Circle, Hexagon };
  explicit ColourWheel(Shape shape = Shape::Circle, QWidget* parent = nullptr);

  // The colour (0xRRGGBB) at a point of the widget; none outside the wheel.
  std::optional<unsigned> colourAt(QPoint point) const;
  // The HSV saturation (0..255) of a colour.
  static int saturationOf(unsigned rgb);
  QPoint centre() const { return {width() / 2, height() / 2}; }
  // The colour shown as selected: its hue at the given saturation (0..255), marked on the wheel.
  void setSelected(unsigned rgb, int saturation);
  int selectedSaturation() const { return selectedSaturation_; }
  std::optional<unsigned> selectedColour() const { return selected_; }
  int radius() const { return std::max(std::min(width(), height()) / 2 - 2, 1); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void render();
  Shape shape_;
  QImage picture_;
  std::optional<unsigned> selected_;
  int selectedSaturation_ = 0;
};
