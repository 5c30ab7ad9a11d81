#include "console/remote/midi_control.h"

#include <algorithm>
#include <exception>

#include "console/engine/console_state.h"
#include "console/remote/remote_dispatcher.h"

namespace {
constexpr int kControlChange = 0xB0;
constexpr int kNoteOn = 0x90;
constexpr int kProgramChange = 0xC0;
constexpr int kBlackOutController = 123;
}  // namespace

int MidiControlMap::levelFader(int value) { return (value + 1) * 100 / 127; }

int MidiControlMap::pickupFader(int value) {
  // value * 100 / 127 is never exactly half-way, so rounding to nearest needs no tie rule.
  return (value * 200 + 127) / 254;
}

int MidiControlMap::findCue(int number) const {
  for (int row = 1; row <= S.Cues.CueCount; ++row)
    if (host_.cueNumber(row) == number) return row;
  return 0;
}

bool MidiControlMap::controlChange(int controller, int value) {
  const bool level = controller >= 3 && controller <= 10;
  const bool pickup = controller >= 23 && controller <= 30;
  if ((level || pickup) && subs_) {
    const int s = level ? controller - 3 : controller - 23;
    if (subs_->stripTitle(s) == QLatin1String("Unused")) return false;
    if (pickup) subs_->setCurrentStrip(s);
    if (S.MidiControls[s] == 0) subs_->Setsub(s);
    if (level) {
      S.MidiControls[s] = int16_t(subs_->setFader(s, levelFader(value)));
    } else {
      subs_->setFader(s, std::max<int>(S.MidiControls[s], pickupFader(value)));
    }
  } else if (controller == kBlackOutController) {
    host_.btnBlackClick();
  }
  S.Unrecorded = false;
  return true;
}

void MidiControlMap::selectCue(int number, bool play) {
  const int cue = (number - 1) * 100;
  try {
    // A note compares n - 1 with the selected row's index, not with that row's cue number.
    if (play && number - 1 == S.Rows.CurrentCue) return;
    const int row = findCue(cue);
    if (row == 0) return;
    host_.selectRow(row);
    host_.CueListClicked(play ? 1 : 0);
    if (play && row < S.Cues.CueCount) host_.btnPlayClick();
  } catch (const std::exception&) {
    if (S.LogLevel > 0) host_.writeLog("Midi error in row " + QString::number(number - 1));
    host_.selectRow(1);
  }
}

bool MidiControlMap::apply(const MidiShortMessage& message) {
  const int status = message.status & 0xF0;
  if (S.LogLevel > 0)
    host_.toolLog(QString("MIDI: %1.%2.%3").arg(status).arg(message.data1).arg(message.data2));
  switch (status) {
    case kControlChange:
      return controlChange(message.data1, message.data2);
    case kNoteOn:
      selectCue(message.data1, true);
      return true;
    case kProgramChange:
      selectCue(message.data1, false);
      return true;
    default:
      return true;
  }
}

void MidiControlMap::MidiInput1MidiInput(TMidiInput& input) {
  // Messages before a show is read are dropped at once; the others wait their turn.
  if (!dispatcher_ || !S.MidiReady) return takeMessages(input);
  dispatcher_->post(&input, [this](QObject* device) {
    if (auto* in = qobject_cast<TMidiInput*>(device)) takeMessages(*in);
  });
}

void MidiControlMap::takeMessages(TMidiInput& input) {
  // Selecting or playing a cue can open a dialog whose event loop delivers the next event: the
  // loop below takes those messages once the dialog is done, in their order.
  if (handling_) return;
  if (!S.MidiReady) {
    // Nothing is acted on before a show is read, and nothing is kept for later either.
    input.clearQueue();
    return;
  }
  handling_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{handling_};
  while (S.MidiReady) {
    const std::optional<MidiShortMessage> message = input.GetMidiEvent();
    if (!message || !apply(*message)) break;
  }
}
