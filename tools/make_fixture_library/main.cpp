// make_fixture_library <program folder>: writes the fixture library delivered with the console
// ("vqlighting.lfix") and the channel table of each of its types ("lcsv/" + name + ".lcsv") with the
// console's own writers, so that records and tables always agree.

#include <QDir>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <vector>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"

namespace {

struct TypeSpec {
  int id;
  const char* name;
  const char* description;
  int minIntensity;
  int panRange;
  QStringList functions;
};

// The types: LED fixtures of three, four and five colours, and a moving light.
const std::vector<TypeSpec>& types() {
  static const std::vector<TypeSpec> list = {
      {1, "RGB Par", "LED par, red green blue", 0, 0, {"Red", "Green", "Blue"}},
      {2, "RGBI Par", "LED par with dimmer", 0, 0, {"Intensity", "Red", "Green", "Blue"}},
      {3, "RGBA Wash", "LED wash with amber", 0, 0, {"Intensity", "Red", "Green", "Blue", "Amber", "Strobe"}},
      {4, "RGBW Batten", "LED batten with white", 0, 0, {"Intensity", "Red", "Green", "Blue", "White"}},
      {5,
       "Spot Mover",
       "Moving spot, 540 degree pan",
       0,
       170,
       {"Intensity", "Pan", "Pan fine", "Tilt", "Tilt fine", "Color wheel", "Gobo", "Speed"}},
  };
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fixture_library <program folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder + "/lcsv")) {
    std::fprintf(stderr, "cannot make %s/lcsv\n", argv[1]);
    return 1;
  }
  FixtureLibrary library;
  for (const TypeSpec& spec : types()) {
    FixtureChannelTable table = FixtureChannelTable::blank();
    for (int i = 0; i < spec.functions.size(); ++i)
      table.setChannel(i + 1, spec.functions[i] == "Intensity" ? "0-100" : "0-255", spec.functions[i]);
    FixtureTypeRecord r;
    r.id = spec.id;
    r.name = spec.name;
    r.description = spec.description;
    r.channelCount = int16_t(spec.functions.size());
    r.minIntensity = int16_t(spec.minIntensity);
    r.panRange = int16_t(spec.panRange);
    r.intensity = int16_t(FindColor(table, "Intensity"));
    r.red = int16_t(FindColor(table, "Red"));
    r.green = int16_t(FindColor(table, "Green"));
    r.blue = int16_t(FindColor(table, "Blue"));
    r.amber = int16_t(FindColor(table, "Amber"));
    r.white = int16_t(FindColor(table, "White"));
    r.lime = int16_t(FindColor(table, "Lime"));
    library.push_back(r);
    const PatchFileResult written = writeChannelTable(folder + "/lcsv/" + spec.name + ".lcsv", table);
    if (!written.ok()) {
      std::fprintf(stderr, "%s\n", qPrintable(written.error));
      return 1;
    }
  }
  const PatchFileResult written = writeFixtureLibrary(folder + "/vqlighting.lfix", library);
  if (!written.ok()) {
    std::fprintf(stderr, "%s\n", qPrintable(written.error));
    return 1;
  }
  return 0;
}
