#include "console/editors/colour_pie.h"

#include <QPainter>
#include <cmath>

ColourPie::ColourPie(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setMinimumSize(64, 64);
}

QPoint ColourPie::centre() const { return {width() / 2 - 2, height() / 2}; }

int ColourPie::radius() const { return std::max(width() / 2 - 2, 1); }

void ColourPie::setSlices(const std::vector<unsigned>& colours) {
  colours_ = colours;
  render();
}

void ColourPie::render() {
  picture_ = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
  picture_.fill(Qt::white);
  const int n = int(colours_.size());
  if (n > 0) {
    QPainter p(&picture_);
    p.setPen(Qt::black);
    const QPoint c = centre();
    const int r = radius();
    const QRect square(c.x() - r, c.y() - r, 2 * r, 2 * r);
    for (int i = 0; i < n; ++i) {
      // Angles in sixteenths of a degree, counterclockwise from three o'clock.
      const double a1 = i * 360.0 / n, a2 = (i + 1) * 360.0 / n;
      p.setBrush(QColor::fromRgb(QRgb(colours_[size_t(i)] | 0xff000000u)));
      p.drawPie(square, int(std::lround(a1 * 16)), int(std::lround((a2 - a1) * 16)));
    }
  }
  update();
}

unsigned ColourPie::colourAt(QPoint point) const {
  if (!picture_.valid(point)) return 0xffffff;
  return unsigned(picture_.pixel(point)) & 0xffffffu;
}

void ColourPie::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, picture_);
}

void ColourPie::resizeEvent(QResizeEvent*) { render(); }
