#include "console/editors/colour_pie.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "console/patch/colour_picks.h"
#include "console/patch/gel_palettes.h"
#include "platform/program_folder.h"

namespace {

// The point at the middle of slice i (from 0) of n: half the radius out, at the middle angle.
QPoint sliceMiddle(const ColourPie& pie, int i, int n) {
  const double a = (i + 0.5) * 360.0 / n * 0.017453292519943295;
  const double r = pie.radius() / 2.0;
  return pie.centre() + QPoint(int(std::lround(r * std::cos(a))), -int(std::lround(r * std::sin(a))));
}

std::vector<unsigned> paletteSlices() {
  const auto& colours = palettePieColours();
  return {colours.begin(), colours.end()};
}

}  // namespace

TEST(ColourPieTest, EachSliceIsPickedByItsOwnColour) {
  ColourPie pie;
  pie.resize(262, 262);
  pie.setSlices(paletteSlices());
  for (int i = 0; i < kPalettePieSlices; ++i)
    EXPECT_EQ(pie.colourAt(sliceMiddle(pie, i, kPalettePieSlices)), palettePieColours()[size_t(i)])
        << "slice " << i + 1;

  const QString table = gelfiles::path(programFolder(), gelfiles::kPaletteColourTable);
  const unsigned seventh = pie.colourAt(sliceMiddle(pie, 6, kPalettePieSlices));
  EXPECT_EQ(paletteColourKey(seventh), "0091ff");
  EXPECT_EQ(paletteColourKey(0xff8972), "7289ff");

  // The border between slices 40 and 1 (at 0 degrees) and the background match nothing.
  const QPoint border = pie.centre() + QPoint(pie.radius() / 2, 0);
  EXPECT_EQ(pie.colourAt(border), 0x000000u);
  EXPECT_EQ(paletteColour(table, pie.colourAt(border)).name, "Unknown");
  EXPECT_EQ(paletteColour(table, pie.colourAt(border)).levels[0], "0");
  EXPECT_EQ(pie.colourAt(QPoint(1, 1)), 0xffffffu);
  EXPECT_EQ(pie.colourAt(QPoint(-5, 400)), 0xffffffu);
}

TEST(ColourPieTest, AGelPieFromItsListAndNoSlicesForAnEmptyTable) {
  QTemporaryDir dir;
  ColourPie pie;
  pie.resize(262, 262);
  const PieList gel = gelPieList(gelfiles::path(programFolder(), gelfiles::kWhiteTable));
  ASSERT_GT(gel.keys.size(), 0);
  pie.setSlices(gel.colours);
  const int n = int(gel.keys.size());
  for (int i = 0; i < n; ++i) {
    const unsigned picked = pie.colourAt(sliceMiddle(pie, i, n));
    // Two gels may share a display colour: the first key of that colour is the pick.
    EXPECT_EQ(picked, gel.colours[size_t(i)]) << gel.keys[i].toStdString();
    EXPECT_FALSE(gel.keyOf(picked).isEmpty());
  }
  EXPECT_EQ(gel.keyOf(pie.colourAt(pie.centre() + QPoint(pie.radius() / 2, 0))), "");

  pie.setSlices(gelPieList(dir.filePath("none.rgbaw")).colours);
  EXPECT_EQ(pie.colourAt(pie.centre()), 0xffffffu);
}
