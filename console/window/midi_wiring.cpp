// The main window's side of MIDI input: the "MIDI Input" menu, opening the device named by
// MidiInPort, and the MIDI event that applies the control map.

#include <QActionGroup>
#include <QMenu>

#include "console/engine/tavro_utils.h"
#include "console/remote/midi_control.h"
#include "console/remote/midi_input.h"
#include "console/window/main_window.h"

class Tform1::MidiHostAdapter : public MidiHost {
 public:
  explicit MidiHostAdapter(Tform1& form) : f(form) {}
  int cueNumber(int row) const override { return f.cueColumn(CueColumn::Number, row); }
  void selectRow(int row) override { f.selectRow(row); }
  void CueListClicked(int play) override { f.CueListClicked(play); }
  void btnPlayClick() override { f.btnPlayClick(); }
  void btnBlackClick() override { f.btnBlackClick(); }
  void toolLog(const QString& line) override { f.toolLog(line); }
  void writeLog(const QString& line) override { WriteLog(line); }

 private:
  Tform1& f;
};

namespace {
// Device names are compared without the "&" that menu captions may carry.
QString withoutAmpersands(QString text) { return text.remove('&'); }
}  // namespace

void Tform1::createMidi() {
  MidiInput1 = std::make_unique<TMidiInput>(makeSystemMidiPort());
  connect(MidiInput1.get(), &TMidiInput::MidiInput, this, &Tform1::MidiInput1MidiInput);
  midiHost_ = std::make_unique<MidiHostAdapter>(*this);
  midiMap_ = std::make_unique<MidiControlMap>(S, *midiHost_);
}

void Tform1::buildMidiMenu(QMenu* options) {
  MIDIInput1 = options->addMenu("MIDI Input");
  MidiItems = new QActionGroup(this);
  NoMidi1 = MIDIInput1->addAction("None");
  NoMidi1->setCheckable(true);
  MidiItems->addAction(NoMidi1);
  connect(NoMidi1, &QAction::triggered, this, &Tform1::NoMidiClick);
}

void Tform1::setMidiPort(std::unique_ptr<MidiPort> port) {
  MidiInput1->StopAndClose();
  MidiInput1 = std::make_unique<TMidiInput>(std::move(port));
  connect(MidiInput1.get(), &TMidiInput::MidiInput, this, &Tform1::MidiInput1MidiInput);
  GetMidi();
}

void Tform1::setMidiSubmasters(MidiSubmasters* submasters) { midiMap_->setSubmasters(submasters); }

void Tform1::GetMidi() {
  S.MidiSurface = -1;
  NoMidi1->setChecked(true);
  // The list is built anew each time, so a device that has gone is not offered any more.
  for (QAction* item : MidiDeviceItems) {
    MidiItems->removeAction(item);
    MIDIInput1->removeAction(item);
    item->deleteLater();
  }
  MidiDeviceItems.clear();
  const QStringList devices = MidiInput1->deviceNames();
  S.MidiInPort = withoutAmpersands(S.MidiInPort);
  for (int d = 0; d < devices.size(); ++d) {
    const QString name = devices[d];
    QAction* item = MIDIInput1->addAction(QString(name).replace('&', "&&"));
    item->setCheckable(true);
    item->setData(d);
    MidiItems->addAction(item);
    MidiDeviceItems.append(item);
    connect(item, &QAction::triggered, this, [this, d, name] { MidiClick(d, name); });
    if (S.MidiSurface < 0 && withoutAmpersands(name) == S.MidiInPort) {
      item->setChecked(true);
      S.MidiSurface = d;
      OpenDevs();
    }
  }
}

void Tform1::MidiClick(int index, const QString& name) {
  MidiInput1->StopAndClose();
  if (index >= 0 && index < MidiDeviceItems.size()) MidiDeviceItems[index]->setChecked(true);
  S.MidiSurface = index;
  S.MidiInPort = name;
  OpenDevs();
}

void Tform1::NoMidiClick() {
  if (MidiDeviceItems.isEmpty()) {
    GetMidi();  // no device was known: look again
    return;
  }
  MidiInput1->StopAndClose();
  S.MidiSurface = -1;
  S.MidiInPort = "None";
  NoMidi1->setChecked(true);
}

void Tform1::OpenDevs() {
  if (S.MidiSurface < 0) return;
  S.MidiInPort = withoutAmpersands(S.MidiInPort);
  if (MidiInput1->OpenAndStart(S.MidiSurface)) return;
  // A device that cannot be opened leaves MIDI off, without a message.
  S.MidiSurface = -1;
  S.MidiInPort = "None";
  NoMidi1->setChecked(true);
}

void Tform1::MidiInput1MidiInput() { midiMap_->MidiInput1MidiInput(*MidiInput1); }

void Tform1::closeMidi() { MidiInput1->StopAndClose(); }
