#pragma once

// Test doubles for the remote side: a main window that records every call, a clock whose waits are
// virtual time (events still run, briefly, for real), and small loopback helpers.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "console/remote/remote_clock.h"
#include "console/remote/remote_host.h"
#include "platform/clock.h"

class FakeRemoteHost : public RemoteHost {
 public:
  // Cue numbers x 100 by row; row 1 first.
  std::vector<int> cueNumbers{100, 200, 300, 333, 500, 1250};
  std::map<int, int> colours;
  std::map<int, QByteArray> descriptions;
  int currentCue = 1;
  int maxChannels = 24;
  std::set<int> rawChannels;
  std::map<int, QString> edits;
  std::map<int, float> currentLevels;
  int logLevel = 1;
  bool remoteEdited = false;
  QStringList calls;  // engine and selection calls in order, e.g. "selectCueRow 3"
  QStringList toolLines;
  QStringList logLines;
  QStringList errors;
  QString toolSendCaption;
  int focusCount = 0;
  int sendDmxCount = 0;
  QString throwOn;                             // a call name that throws (an engine failure)
  std::function<void(const QString&)> onCall;  // runs inside a recorded call

  int CueCount() const override { return int(cueNumbers.size()); }
  int cueNumber(int row) const override { return cueNumbers.at(row - 1); }
  int cueColour(int row) const override { return colours.count(row) ? colours.at(row) : 0; }
  QByteArray cueDescription(int row) const override {
    return descriptions.count(row) ? descriptions.at(row) : QByteArray();
  }
  int CurrentCue() const override { return currentCue; }
  void selectCueRow(int row) override { call("selectCueRow " + QString::number(row)); }
  void setCurrentCue(int row) override {
    currentCue = row;
    call("setCurrentCue " + QString::number(row));
  }
  void CueListClicked(int play) override { call("CueListClicked " + QString::number(play)); }
  void btnPlayClick() override { call("btnPlayClick"); }
  void SendCue() override { call("SendCue"); }
  void btnstoploopClick() override { call("btnstoploopClick"); }
  void keyend() override { call("keyend"); }
  void GoBack() override { call("GoBack"); }
  void btnRecordClick() override { call("btnRecordClick"); }
  void mreset() override { call("mreset"); }
  int MaxChannels() const override { return maxChannels; }
  bool isRawChannel(int channel) const override { return rawChannels.count(channel) > 0; }
  QString channelEditText(int channel) const override {
    return edits.count(channel) ? edits.at(channel) : QString();
  }
  void setChannelEditText(int channel, const QString& text) override {
    edits[channel] = text;
    call("setChannelEditText " + QString::number(channel) + " " + text);
  }
  void setCurrentLevel(int channel, float level) override {
    currentLevels[channel] = level;
    call("setCurrentLevel " + QString::number(channel));
  }
  void sendDMX() override {
    ++sendDmxCount;
    call("sendDMX");
  }
  void setRemoteEdited(bool edited) override { remoteEdited = edited; }
  int LogLevel() const override { return logLevel; }
  void toolLog(const QString& line) override { toolLines << line; }
  void writeLog(const QString& line) override { logLines << line; }
  void setToolSendCaption(const QString& caption) override { toolSendCaption = caption; }
  void focusCueList() override { ++focusCount; }
  void reportError(const QString& message) override { errors << message; }

 private:
  void call(const QString& what) {
    calls << what;
    if (!throwOn.isEmpty() && what.startsWith(throwOn)) throw std::runtime_error("engine failure");
    if (onCall) onCall(what);
  }
};

// Virtual time: a wait advances the clock by what was asked and lets events run for at most a
// millisecond of real time, so a 2 s deadline passes in a fraction of a second.
class FakeRemoteClock : public RemoteClock {
 public:
  qint64 now = 0;
  std::vector<int> waits;
  qint64 nowMs() override { return now; }
  void waitPumped(int ms) override {
    waits.push_back(ms);
    now += ms;
    systemClock().waitPumped(1);
  }
  void pumpEvents() override { ::pumpEvents(); }
};

// Runs events until `done` holds or `ms` of real time have passed; returns `done()`.
inline bool pumpUntil(const std::function<bool()>& done, int ms = 5000) {
  QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) systemClock().waitPumped(5);
  return done();
}

// Reads from a client socket until `expected` bytes have arrived (or the time runs out).
inline QByteArray readAtLeast(QIODevice& socket, qsizetype expected, int ms = 5000) {
  QByteArray got;
  pumpUntil(
      [&] {
        got += socket.readAll();
        return got.size() >= expected;
      },
      ms);
  return got;
}

// Everything that arrives within a few event rounds (to show that nothing arrived).
inline QByteArray drain(QIODevice& socket, int rounds = 20) {
  QByteArray got;
  for (int i = 0; i < rounds; ++i) {
    systemClock().waitPumped(2);
    got += socket.readAll();
  }
  return got;
}

inline QByteArray utf16le(const QString& text) {
  QByteArray out;
  for (QChar c : text) {
    out.append(char(c.unicode() & 0xFF));
    out.append(char(c.unicode() >> 8));
  }
  return out;
}
