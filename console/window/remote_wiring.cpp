// The main window's side of the remote text commands: the host the command interpreter works
// through, the servers started at start-up and the links playback uses.

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <stdexcept>

#include "console/engine/tavro_utils.h"
#include "console/remote/midi_control.h"
#include "console/remote/osc_input.h"
#include "console/remote/remote_control.h"
#include "console/remote/remote_dispatcher.h"
#include "console/remote/remote_host.h"
#include "console/remote/web_remote_launcher.h"
#include "console/window/main_window.h"
#include "console/window/operator_window_watch.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"
#include "platform/pumped_wait.h"
#include "platform/timer_list.h"

class Tform1::RemoteHostAdapter : public RemoteHost {
 public:
  explicit RemoteHostAdapter(Tform1& form) : f(form) {}
  int CueCount() const override { return f.S.Cues.CueCount; }
  int cueNumber(int row) const override { return f.cueColumn(CueColumn::Number, row); }
  int cueColour(int row) const override { return f.cueColumn(CueColumn::RowColour, row); }
  QByteArray cueDescription(int row) const override {
    return f.validRow(row) ? f.S.Cues.CueTexts[CueTextColumn::Description][row] : QByteArray();
  }
  int CurrentCue() const override { return f.S.Rows.CurrentCue; }
  void selectCueRow(int row) override { f.selectRow(row); }
  void setCurrentCue(int row) override { f.S.Rows.CurrentCue = row; }
  void CueListClicked(int play) override { f.CueListClicked(play); }
  void btnPlayClick() override { f.btnPlayClick(); }
  void SendCue() override { f.SendCue(); }
  void btnstoploopClick() override { f.btnstoploopClick(); }
  void keyend() override { f.keyend(); }
  void GoBack() override { f.GoBack(); }
  void btnRecordClick() override { f.btnRecordClick(); }
  void mreset() override { f.mreset(); }
  int MaxChannels() const override { return f.S.MaxChannels; }
  bool isRawChannel(int channel) const override { return f.S.RawChannels[channel]; }
  QString channelEditText(int channel) const override { return f.ChannelEdits.at(channel - 1)->text(); }
  void setChannelEditText(int channel, const QString& text) override {
    LevelEdit* edit = f.ChannelEdits.at(channel - 1);
    // A level the edit already shows (the selected cue's, not yet played) is committed all the
    // same: the command is obeyed on the output, not only on the screen.
    if (edit->text() == text)
      f.ChangeDmx(edit);
    else
      edit->setText(text);
  }
  void setCurrentLevel(int channel, float level) override { f.S.CurrentLevels[channel] = level; }
  void sendDMX() override { f.sendDMX(); }
  void setRemoteEdited(bool edited) override { f.RemoteEdited = edited; }
  int LogLevel() const override { return f.S.LogLevel; }
  void toolLog(const QString& line) override { f.toolLog(line); }
  void writeLog(const QString& line) override { WriteLog(line); }
  void setToolSendCaption(const QString& caption) override { f.ToolSendCaption = caption; }
  void focusCueList() override { f.cuelist->setFocus(); }
  void reportError(const QString& message) override { f.MyExceptionHandler(message); }

 private:
  Tform1& f;
};

void Tform1::createRemote() {
  remoteHost_ = std::make_unique<RemoteHostAdapter>(*this);
  RemoteSettings settings;
  settings.remotePort = quint16(S.RemotePort);
  settings.followSpotPort = quint16(S.FSPort);
  settings.netPort = quint16(S.NetPort);
  settings.peerAddress = S.PeerAddress;
  settings.pipeName = S.RemotePipeName;
  remote_ = std::make_unique<RemoteControl>(*remoteHost_, operator_, settings, &clock_);
  // OSC and MIDI commands take their turn with the other remote commands.
  if (osc_) osc_->setDispatcher(&remote_->dispatcher());
  if (midiMap_) midiMap_->setDispatcher(&remote_->dispatcher());
  connect(remote_.get(), &RemoteControl::connectingChanged, this, [](bool connecting) {
    if (connecting)
      QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
      QGuiApplication::restoreOverrideCursor();
  });
  webRemote_ = std::make_unique<WebRemoteLauncher>(*remote_);
  peerSender_ = [this](const QString& text) { remote_->sendToCompanion(text); };
  followSpotSender_ = [this](int) { remote_->SendFScue(); };
  replySender_ = [this](const QString&) { remote_->replyDone(); };
  remoteSaveRequest_ = [this] { return remote_->sendSaveRequest(); };
  connect(remote_.get(), &RemoteControl::vqlremoteChanged, this, [this](bool shown) {
    vqlremote->setText(shown ? "R" : "");
    vqlremote->setToolTip(shown ? "Connected to Remote" : "");
  });
  connect(remote_.get(), &RemoteControl::fsconnChanged, this, [this](bool shown) {
    fsconn->setText(shown ? "F" : "");
    fsconn->setToolTip(shown ? "Connected to Follow Spot display" : "");
  });
  connect(remote_.get(), &RemoteControl::netconnChanged, this, [this](bool shown) {
    S.PeerConnected = shown;
    netconn->setText(shown ? "⇄" : "");
    netconn->setToolTip(shown ? "Connected to Stagora" : "");
  });
}

void Tform1::holdRemoteWhileOperatorWindowsOpen() {
  // A command from outside must not change what the operator is working on in a dialog, a file
  // chooser or the cue editor (a cue selected, recorded or played under it): it waits until they
  // are closed, then runs in the order it arrived.
  operatorWindows_ = std::make_unique<OperatorWindowWatch>([this](bool open) {
    if (!remote_) return;
    if (open)
      remote_->dispatcher().hold();
    else
      remote_->dispatcher().release();
  });
  operatorWindows_->watchWhileShown(EditCue_.get());
}

void Tform1::btnRecordClick() { editing_->btnRecordClick(); }

void Tform1::menWebClick() {
  // The action has toggled its check already.
  webRemote_->apply(menWeb->isChecked());
  waitPumped(100);
}
