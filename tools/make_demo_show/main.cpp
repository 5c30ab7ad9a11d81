// make_demo_show <path>: writes a small demo show for a console of 256 channels, written with the
// side files following the program: a handful of cues with different fade times, a follow cue and a
// split fade, using channels 1 to 24.

#include <QString>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

#include "console/engine/cue_record.h"
#include "console/patch/soft_patch_file.h"
#include "platform/record_file.h"

namespace {

constexpr int kChannels = 256;
constexpr int kChannelCountField = kChannels * 10;  // + 0: side files follow the program

// Percent to DMX as the console stores levels: Round(percent x 2.55), halves to even.
char dmx(int percent) { return char(int(std::nearbyint(percent * 2.55))); }

struct Level {
  int first, last, percent;  // channels first..last at percent
};

CueRecord demoCue(int number, const QString& description, int fadeUp, std::initializer_list<Level> levels) {
  CueRecord c;
  c.cueNumber = number * 100;
  c.setDescriptionText(description);
  c.fadeUpTime = fadeUp;
  c.fadeDownTime = fadeUp;
  c.channelCountField = kChannelCountField;
  for (const Level& l : levels)
    for (int ch = l.first; ch <= l.last; ++ch) c.levels[ch - 1] = dmx(l.percent);
  return c;
}

std::vector<CueRecord> demoShow() {
  std::vector<CueRecord> cues;
  cues.push_back(demoCue(1, "Preset - house and stage wash", 30, {{1, 4, 50}, {21, 24, 80}}));
  cues.push_back(demoCue(2, "House out", 50, {{1, 4, 50}}));

  CueRecord opening = demoCue(3, "Opening - front light", 20, {{1, 8, 70}, {9, 12, 40}});
  opening.upDelay = 10;
  opening.downDelay = 10;
  cues.push_back(opening);

  // Starts by itself when the cue before it has finished.
  CueRecord follow = demoCue(4, "  Side light follows", 15, {{1, 8, 70}, {9, 12, 40}, {13, 16, 60}});
  follow.startMode = 1;
  cues.push_back(follow);

  // Brighter channels rise in 4 s while the others fall in 8 s.
  CueRecord split = demoCue(5, "Night - split fade", 40, {{9, 12, 20}, {17, 20, 100}});
  split.timingMode = 1;
  split.fadeDownTime = 80;
  split.textColour = 0x00C08000;
  cues.push_back(split);

  cues.push_back(demoCue(6, "Morning", 100, {{1, 12, 90}, {13, 16, 30}}));
  cues.push_back(demoCue(7, "Blackout", 30, {}));
  return cues;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_demo_show <path of the cue file> <path of the soft patch>\n");
    return 2;
  }
  // The show's channels are patched one to one.
  if (!writeOneToOnePatch(QString::fromLocal8Bit(argv[2]), 256).ok()) {
    std::fprintf(stderr, "make_demo_show: cannot write %s\n", argv[2]);
    return 1;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  RecordFile file(kCueRecordSize);
  if (!file.create(path)) {
    std::fprintf(stderr, "make_demo_show: cannot create %s\n", argv[1]);
    return 1;
  }
  const std::vector<CueRecord> cues = demoShow();
  for (size_t i = 0; i < cues.size(); ++i)
    if (!file.write(qint64(i), cues[i].encode())) {
      std::fprintf(stderr, "make_demo_show: cannot write %s\n", argv[1]);
      return 1;
    }
  return file.flush() ? 0 : 1;
}
