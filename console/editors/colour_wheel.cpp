#include "console/editors/colour_wheel.h"

#include <QPainter>
#include <algorithm>
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

void ColourWheel::setSelected(unsigned rgb, int saturation) {
  selected_ = rgb & 0xffffffu;
  selectedSaturation_ = std::clamp(saturation, 0, 255);
  update();
}

void ColourWheel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::gray);
  p.drawImage(0, 0, picture_);
  if (!selected_) return;
  // A ring where the selected colour's hue meets its saturation.
  const int hue = std::max(0, QColor::fromRgb(QRgb(*selected_ | 0xff000000u)).hsvHue());
  const double angle = hue * M_PI / 180.0, d = selectedSaturation_ / 255.0 * radius();
  const QPointF at(centre().x() + d * std::cos(angle), centre().y() - d * std::sin(angle));
  p.setPen(QPen(Qt::black, 2));
  p.drawEllipse(at, 5, 5);
}

void ColourWheel::resizeEvent(QResizeEvent*) { render(); }
