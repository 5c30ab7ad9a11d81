#include "console/editors/colour_wheel.h"

#include <QPainter>
#include <cmath>

ColourWheel::ColourWheel(Shape shape, QWidget* parent) : QWidget(parent), shape_(shape) {
  setMouseTracking(true);
  setMinimumSize(64, 64);
}

void ColourWheel::render() {
  picture_ = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_ARGB32);
  picture_.fill(Qt::transparent);
  const QPoint c = centre();
  const int r = radius();
  for (int y = 0; y < picture_.height(); ++y)
    for (int x = 0; x < picture_.width(); ++x) {
      const double dx = x - c.x(), dy = c.y() - y;
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d > r) continue;
      // A flat-topped hexagon with the wheel's radius as its corner distance.
      if (shape_ == Shape::Hexagon && std::sqrt(3.0) * std::abs(dx) + std::abs(dy) > std::sqrt(3.0) * r)
        continue;
      if (shape_ == Shape::Hexagon && std::abs(dy) > std::sqrt(3.0) / 2 * r) continue;
      double hue = std::atan2(dy, dx) * 180.0 / M_PI;
      if (hue < 0) hue += 360.0;
      const int sat = std::min(255, int(std::lround(d / r * 255.0)));
      picture_.setPixel(x, y, QColor::fromHsv(int(hue) % 360, sat, 255).rgb());
    }
  update();
}

std::optional<unsigned> ColourWheel::colourAt(QPoint point) const {
  if (!picture_.valid(point)) return std::nullopt;
  const QRgb p = picture_.pixel(point);
  if (qAlpha(p) == 0) return std::nullopt;
  return unsigned(p) & 0xffffffu;
}

int ColourWheel::saturationOf(unsigned rgb) {
  return QColor::fromRgb(QRgb(rgb | 0xff000000u)).hsvSaturation();
}

void ColourWheel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::gray);
  p.drawImage(0, 0, picture_);
}

void ColourWheel::resizeEvent(QResizeEvent*) { render(); }
