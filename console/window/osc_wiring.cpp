// The main window's side of OSC: the host the OSC commands and sound-to-light levels work through,
// the listener opened at start-up and the sender of OSC cues.

#include "console/engine/dmx_out_writer.h"
#include "console/engine/tavro_utils.h"
#include "console/remote/osc_host.h"
#include "console/remote/osc_input.h"
#include "console/remote/osc_input_socket.h"
#include "console/remote/osc_output.h"
#include "console/remote/sound_to_light.h"
#include "console/window/main_window.h"
#include "platform/program_folder.h"

class Tform1::OscHostAdapter : public OscHost {
 public:
  explicit OscHostAdapter(Tform1& form) : f(form) {}
  int CueCount() const override { return f.S.Cues.CueCount; }
  int cueNumber(int row) const override { return f.cueColumn(CueColumn::Number, row); }
  void selectRow(int row) override { f.selectRow(row); }
  void CueListClicked(int play) override { f.CueListClicked(play); }
  void btnPlayClick() override { f.btnPlayClick(); }
  void btnBlackClick() override { f.btnBlackClick(); }
  void keyend() override { f.keyend(); }
  int MaxChannels() const override { return f.S.MaxChannels; }
  std::span<const int16_t> patchAddresses(int channel) const override {
    return f.S.Patch.table(f.S.UseRepPlot).addresses(channel).span();
  }
  void setOutputLevel(int address, uint8_t level) override {
    dmxout::writeAddress(f.S, dmxout::Writer::Network, address, level);
  }
  void sendDMX() override { f.sendDMX(); }
  void setEosenabled(bool enabled) override { f.S.Eosenabled = enabled; }
  void Readosc() override { f.osc_->bands().readMinimums(findFileNoCase(programFolder(), kS2LBandFileName)); }
  int LogLevel() const override { return f.S.LogLevel; }
  void writeLog(const QString& line) override { WriteLog(line); }

 private:
  Tform1& f;
};

void Tform1::createOsc() {
  oscHost_ = std::make_unique<OscHostAdapter>(*this);
  osc_ = std::make_unique<OscInput>(*oscHost_, operator_);
  oscListener_ = std::make_unique<OscListener>(*osc_);
  oscOut_ = std::make_unique<OscCueOutput>();
  oscCuePreparer_ = [this](const QString& host, quint16 port) { return oscOut_->prepare(host, port); };
  oscCueSender_ = [this](int) { oscOut_->SendOSCMessage(OSCCueAddress, OSCCueArgument); };
}

void Tform1::openOscListener() {
  osc_->setOSCAddress(S.OSCAddress);
  osc_->bands().readBandFile(findFileNoCase(programFolder(), kS2LBandFileName));
  oscListener_->activateOrWarn(S.OSCListen, QString::number(S.OSCListen));
}

bool Tform1::closeOscListener() {
  if (!oscListener_) return true;
  oscListener_->Deactivate();
  return !oscListener_->isActive();
}

void Tform1::timecodeCueSelected(int row) {
  osc_->timecode().cueSelected(cueColumn(CueColumn::StartMode, row), cueColumn(CueColumn::TimeCode, row));
}

void Tform1::timecodeCueStarted() { osc_->timecode().cueStarted(); }
