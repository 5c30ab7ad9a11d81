#pragma once

// A pie of coloured slices drawn by the picker itself. Picks read the colour from the pie's own
// picture, never from the screen, so a slice is picked by the colour it shows on any display
// (X11, Wayland, offscreen).

#include <QImage>
#include <QWidget>
#include <vector>

class ColourPie : public QWidget {
  Q_OBJECT
 public:
  explicit ColourPie(QWidget* parent = nullptr);

  // Draws one slice per colour (0xRRGGBB), each 360 / n degrees, slice 0 from 0 degrees on,
  // counterclockwise, with black borders. No colours: an empty (white) picture.
  void setSlices(const std::vector<unsigned>& colours);
  // The picture as drawn (the widget's size when the slices were set).
  const QImage& picture() const { return picture_; }
  // The colour (0xRRGGBB) of the picture at a point of the widget; white outside the picture.
  unsigned colourAt(QPoint point) const;
  // The centre and radius the slices are drawn with.
  QPoint centre() const;
  int radius() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void render();
  std::vector<unsigned> colours_;
  QImage picture_;
};
