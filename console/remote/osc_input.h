#pragma once

// What the console does with one received OSC datagram. Four kinds of address are understood:
//
//   /eos/user/0/chan/BAND   float LEVEL     sound-to-light level of band 1..4 (a DMX value)
//   /TC/time                "hh:mm:ss:ff"   time code, acted on while the trigger is armed
//   OSCAddress              text command    (a string; an integer or float is taken as its text)
//   OSCAddress + "/play"    text command    (a string only)
//
// Text commands, lower-cased and matched as prefixes in this order (the first match wins):
//   play CUE | goto CUE | black | enable | disable | end
// CUE is a cue number with "." as the decimal separator (the locale's separator is accepted too).
//
// The received address is the pattern and the console's address the literal, so a sender may use
// OSC wildcards; in a bundle the first matching message is used. A datagram that is not a
// well-formed OSC packet, or whose message lacks the argument expected, is dropped without effect.
//
// Everything runs on the main thread. With the remote dispatcher set, levels, commands and the
// time-code GO all go through it like every other remote command: one at a time in arrival order,
// after any open question. What waits there is limited per sender address and in total: beyond
// that, datagrams are dropped, with one log line until the waiting ones have run. Without a
// dispatcher, levels take effect at once, also while an earlier command is still running (in a
// dialog or a wait that lets events run); commands run one at a time in arrival order: one that
// arrives while another runs is queued behind it. A command
// that is not recognised is reported in the "OSC message error" dialog after it has run, quoting at
// most 80 characters of it; errors of commands that arrived while that dialog was open are logged
// instead of shown.

#include <QHash>
#include <QHostAddress>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>

#include "console/remote/osc_host.h"
#include "console/remote/osc_timecode.h"
#include "console/remote/sound_to_light.h"

inline const QString kOscEosPrefix = QStringLiteral("/eos/user/0/chan/");
inline const QString kOscTimecodeAddress = QStringLiteral("/TC/time");
inline const QString kOscUnknownTypeTag = QStringLiteral("UNKNOWN_TYPETAG");

class RemoteDispatcher;

class OscInput {
 public:
  OscInput(OscHost& host, Operator& op);

  // Commands and the time-code GO go through the remote dispatcher when one is set (they then run
  // from the event loop, after any open question); without one they run at once.
  void setDispatcher(RemoteDispatcher* dispatcher) { dispatcher_ = dispatcher; }
  // Whom the OSC dialogs are put to.
  Operator& op() const { return dialogs_.op(); }
  void setOperator(Operator& op) { dialogs_.setOperator(op); }

  // The address of the text commands ([Settings] OSCAddress, "/vqlight" by default).
  const QString& OSCAddress() const { return address_; }
  void setOSCAddress(const QString& address);
  // The text of the last command argument received at OSCAddress (empty after other datagrams).
  const QString& OSCArgument() const { return argument_; }

  SoundToLight& bands() { return bands_; }
  OscTimecode& timecode() { return timecode_; }

  // One received datagram (the listener's read event) and the address it came from (null when
  // not known).
  void handleDatagram(std::span<const uint8_t> datagram, const QHostAddress& sender = {});
  // A status text of the listener: written to the log file when LogLevel is above 0.
  void IdUDPServer1Status(const QString& status);

  // Interprets one text command (queued behind a command that is still running).
  void ParseOSCmsg(const QString& command);
  // Sets one band (text "1".."4"; anything else is ignored) to a level.
  void SetOSCLevel(const QString& band, double level);
  // Presses GO once when the time-code trigger is armed and frames has reached it.
  void TimeCodecheck(qint64 frames);

  // Commands waiting behind a running one are limited; more are dropped and logged.
  static constexpr std::size_t kMaxQueuedCommands = 64;
  // What waits in the dispatcher: per sender address, and in all (also what came without one).
  static constexpr int kMaxWaitingPerSender = 256;
  static constexpr int kMaxWaitingInAll = 1024;
  int waitingInDispatcher() const { return waitingInAll_; }

 private:
  void runCommand(const QString& description, std::function<void()> command);
  // Posts to the dispatcher within the limits; false when dropped.
  bool post(std::function<void()> work);
  void handle(std::span<const uint8_t> datagram);
  void reportUnrecognised();
  void interpret(const QString& command);
  void selectCue(int row);
  int findCueRow(double cueNumber) const;

  OscHost& host_;
  OscDialogGate dialogs_;
  SoundToLight bands_;
  OscTimecode timecode_;
  QString address_ = QStringLiteral("/vqlight");
  std::string addressUtf8_ = "/vqlight";
  std::string playAddressUtf8_ = "/vqlight/play";
  QString argument_;
  RemoteDispatcher* dispatcher_ = nullptr;
  std::deque<std::pair<std::function<void()>, quint64>> commands_;  // with their arrival numbers
  std::deque<std::pair<QString, quint64>> unrecognised_;  // commands to report, once no command runs
  quint64 arrival_ = 0;                                   // the arrival number of the command that runs
  bool commandRunning_ = false;
  QHostAddress sender_;                   // of the datagram being handled
  QHash<QHostAddress, int> waitingFrom_;  // posted and not yet run, per sender address
  int waitingInAll_ = 0;
  bool dropLogged_ = false;  // since the dispatcher last ran everything posted from here
};
