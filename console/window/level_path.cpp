// The level path: a level typed into a channel's edit reaches the output buffer through the soft
// patch, the proportional levels, the warm-up floor and the LED curve. Black-out, live and blind.

#include <QFile>
#include <QLabel>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include "console/editors/tools_window.h"
#include "console/engine/console_colours.h"
#include "console/engine/dmx_out_writer.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"
#include "console/patch/fixture_map.h"
#include "console/window/main_window.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "platform/timer_list.h"

void Tform1::traceLevel(const QString& line) {
  if (S.LogLevel > 1) WriteLog(line);
  if (S.LogLevel > 0) toolLog(line);
}

void Tform1::toolLog(const QString& line) {
  // The inspection tool shows these; a list bounded in lines and in characters keeps a long session
  // (or a peer sending long lines) from growing it forever.
  constexpr qsizetype kMaxLine = 4096;
  constexpr qsizetype kMaxLines = 5000;
  constexpr qsizetype kMaxChars = 1 << 20;
  ToolLogLines.append(line.size() > kMaxLine ? line.left(kMaxLine) : line);
  ToolLogChars += ToolLogLines.last().size();
  while (ToolLogLines.size() > kMaxLines || ToolLogChars > kMaxChars) {
    ToolLogChars -= ToolLogLines.first().size();
    ToolLogLines.removeFirst();
  }
  if (tools) tools->Display(ToolLogLines.last());
}

void Tform1::setEditTextQuietly(int i, const QString& text) {
  if (i < 0 || i >= int(ChannelEdits.size())) return;
  const bool was = S.UpdatingEdits;
  S.UpdatingEdits = true;
  ChannelEdits[i]->setText(text);
  S.UpdatingEdits = was;
}

void Tform1::ChangeDmx(LevelEdit* sender) {
  if (S.UpdatingEdits) return;
  S.ChangedEdit = sender->tag();
  if (S.LogLevel > 0) WriteLog("DMX " + QString::number(S.ChangedEdit) + " False");
  S.TypedEdit = S.ChangedEdit;
  if (!displayTimer->isActive()) S.Unrecorded = true;
  if (!S.TypingLevel) {
    ChangedDmx();
    return;
  }
  // "g" and "m" are key commands that also reach the edit: they are not part of a level.
  QString text = sender->text();
  text.remove(QChar('g'), Qt::CaseInsensitive);
  text.remove(QChar('m'), Qt::CaseInsensitive);
  if (text != sender->text()) setEditTextQuietly(sender->tag(), text);
  TimerList1->cancel("Keytimer");
  TimerList1->arm("Keytimer");
}

void Tform1::Timerlist1Events1Timer() {
  TimerList1->cancel("Keytimer");
  S.TypingLevel = false;
  DoLevel(S.TypedEdit);
}

void Tform1::commitTypedLevel() {
  if (TimerList1->isArmed("Keytimer")) Timerlist1Events1Timer();
}

void Tform1::DoLevel(int k) {
  S.TypingLevel = false;
  if (k < 0 || k >= int(ChannelEdits.size())) return;
  if (S.Patch.ChannelFixture[k + 1] > 0 && !S.TypedText.isEmpty()) {
    setled(S.Patch.ChannelFixture[k + 1], typedLevelText(ChannelEdits[k]->text(), S.TypedText));
    // The commit used up what was typed: the next level on this edit starts afresh.
    S.TypedText.clear();
    return;
  }
  ChangedDmx();
  if (!S.TypedText.isEmpty()) {
    const QString typed = S.TypedText;
    for (int i = 0; i < int(ChannelEdits.size()); ++i)
      if (S.ChannelSelected[i]) ChannelEdits[i]->setText(typed);
  }
  S.TypedText.clear();
}

void Tform1::ChangedDmx() {
  if (TimerList1->isArmed("Keytimer") || !S.CueChangesAllowed || S.UpdatingEdits) return;
  const int c = S.ChangedEdit;
  const int ch = c + 1;
  if (c < 0 || c >= int(ChannelEdits.size())) return;
  if (S.OneToOnePatch) {
    SetDmx(c);
    sendDMX();
    return;
  }
  const int v = levelFromNumber(StrToIntSafe(ChannelEdits[c]->text()), S.RawChannels[ch]);
  if (S.Patch.ChannelFixture[ch] > 0) {
    const int intensity = S.Patch.IntensityChannel[ch];
    if (intensity >= 0 && intensity < int(ChannelEdits.size())) {
      setEditTextQuietly(intensity, ChannelEdits[c]->text());
      SetDmx(intensity);
      sendDMX();
    }
    return;
  }
  if (c > 0 && S.Patch.IntensityOwner[c] > 0)
    setEditTextQuietly(S.Patch.IntensityOwner[c] - 1, ChannelEdits[c]->text());
  const DimmerTable& table = S.Patch.table(S.UseRepPlot);
  if (table[ch] == QLatin1String("||")) return;
  dmxout::writeChannel(S, dmxout::Writer::TypedLevel, ch, v, [this](const dmxout::Written& w) {
    S.CurrentLevels[w.address] = float(w.byte);
    traceLevel("DMX: " + QString::number(w.address) + "@" + QString::number(w.byte));
  });
  // The committed edit is marked as changed, as the direct writers mark theirs.
  ChannelEdits[c]->setFontColor(kChangedColour);
  S.ChannelColors[c] = kChangedColour;
  sendDMX();
}

void Tform1::SetDmx(int I) {
  const int ch = I + 1;
  if (I < 0 || I >= int(ChannelEdits.size())) {
    showMessage("Could not change channel value", "Please click on a channel first to select it.",
                DialogIcon::Error);
    return;
  }
  const QString t = ChannelEdits[I]->text();
  // An empty edit stands for 0: the warm-up floor of the writer lifts it.
  const int typed = t.isEmpty() ? 0 : levelFromNumber(StrToIntSafe(t), S.RawChannels[ch]);
  auto isMover = [this](int address) {
    return address >= 1 && address <= kMaxChannelLimit &&
           (S.Fixtures.FixtureStart[address] == kMoverScrollerChannel || S.MoverChannels[address]);
  };
  const bool oneToOne = S.OneToOnePatch;
  QString trace =
      "DMX: " + QString::number(ch) + "@" +
      QString::number(dmxout::flooredLevel(S, dmxout::rulesOf(dmxout::Writer::DirectLevel), ch, ch, typed));
  bool faderMoved = false;
  dmxout::writeChannel(S, dmxout::Writer::DirectLevel, ch, typed, [&](const dmxout::Written& w) {
    if (isMover(w.address)) S.ScrollerChanged = true;
    if (w.byte < 0) faderMoved = true;
    if (oneToOne) return;
    if (w.byte >= 0 && !S.LedChannels[ch])
      trace = "DMX: " + QString::number(w.address) + "@" +
              QString::number(proportionalLevel(w.level, S.Patch.PatchPercent[w.address]));
    traceLevel(trace);
  });
  if (faderMoved) syncSubmasterFaders();  // the fader's own change handling applies the submaster
  if (S.ChangedEdit >= 0 && S.ChangedEdit < int(ChannelEdits.size())) {
    ChannelEdits[S.ChangedEdit]->setFontColor(kChangedColour);
    S.ChannelColors[S.ChangedEdit] = kChangedColour;
  }
}

void Tform1::setled(int startaddr, const QString& towhat) {
  S.TypingLevel = false;
  if (towhat.isEmpty()) return;
  int p = -1;
  for (int i = towhat.size() - 1; i >= 0; --i)
    if (towhat[i] < '0' || towhat[i] > '9') {
      p = i;
      break;
    }
  auto applyToSelectedFixtures = [this](const QString& text) {
    for (int i = 0; i < int(ChannelEdits.size()); ++i) {
      if (!ChannelMarks[i]->isVisible() || S.Patch.ChannelFixture[i + 1] <= 0) continue;
      setEditTextQuietly(i, text);
      const int intensity = S.Patch.IntensityChannel[i + 1];
      if (intensity >= 0 && intensity < int(ChannelEdits.size())) ChannelEdits[intensity]->setText(text);
    }
  };
  if (p < 0) {
    S.TypedText = towhat;
    applyToSelectedFixtures(S.TypedText);
  } else {
    S.TypedText = towhat.left(p);
    loadcolors(startaddr, towhat.mid(p));
    if (S.TypedText.isEmpty()) {
      const int intensity = S.Patch.IntensityChannel[S.TypedEdit + 1];
      if (intensity >= 0 && intensity < int(ChannelEdits.size()))
        ChannelEdits[S.TypedEdit]->setText(ChannelEdits[intensity]->text());
    } else {
      applyToSelectedFixtures(S.TypedText);
    }
  }
  sendDMX();
}

int Tform1::ledintens(int which) {
  if (which < 1 || which > kMaxChannelLimit) return -1;
  const std::optional<int> index = fixtureIntensity_.lookup(S.FixtureMapFile, S.FixtureLibraryFile, which);
  if (!index) {
    showMessage("LED intensity problem",
                "Could not set intensity for fixture at " + QString::number(which) + ".", DialogIcon::Error);
    return -1;
  }
  return *index;
}

void Tform1::Loadcurve() {
  QFile file(findFileNoCase(programFolder(), "led.txt"));
  int i = 0;
  QString line;
  bool failed = !file.open(QIODevice::ReadOnly | QIODevice::Text);
  if (!failed) {
    QTextStream in(&file);
    for (; i < 256; ++i) {
      if (in.atEnd()) {
        line.clear();
        failed = true;
        break;
      }
      line = in.readLine();
      const int comma = line.indexOf(',');
      bool ok = false;
      const int v = comma < 0 ? 0 : line.mid(comma + 1).trimmed().toInt(&ok);
      if (!ok) {
        failed = true;
        break;
      }
      S.LedCurve[i] = clampDmx(v);
    }
  } else {
    line.clear();
  }
  if (failed)
    showMessage("Could not Load",
                "Problem reading LED curve:\r\n\"" + line + "\" at line " + QString::number(i),
                DialogIcon::Error);
  loadLedChannels();
}

void Tform1::loadLedChannels() {
  // The map as stored: the warm-up levels held in memory have no negative entries.
  FixtureMapFile map;
  FixtureMap::Table start{}, warmUp{};
  if (S.FixtureMapFile.isEmpty() || !map.open(S.FixtureMapFile) ||
      !map.readTable(FixtureMapRecord::Start, start) || !map.readTable(FixtureMapRecord::WarmUp, warmUp))
    return;  // no map yet: the first activation makes it and reads it
  map.close();
  for (int ch = 1; ch <= S.MaxChannels && ch <= kMaxChannelLimit; ++ch) {
    if (warmUp[size_t(ch)] < 0) continue;
    const int fixture = start[size_t(ch)];
    S.LedChannels[ch] = S.LEDcurve && fixture > 0 && fixture != kMoverScrollerChannel;
  }
}

void Tform1::playscreen() {
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    ChannelMarks[ch - 1]->hide();
    S.ChannelSelected[ch - 1] = false;
    const int v = levelFromNumber(StrToIntSafe(ChannelEdits[ch - 1]->text()), S.RawChannels[ch]);
    dmxout::writeChannel(S, dmxout::Writer::Playscreen, ch, v,
                         [this](const dmxout::Written& w) { S.CurrentLevels[w.address] = float(w.level); });
  }
  sendDMX();
  S.CueLevels = QByteArray(reinterpret_cast<const char*>(S.DmxOutBuffer.data()), kMaxChannelLimit);
  CueDone();
}

void Tform1::applyWarmUpLevels(bool showInEdits) {
  // Raw channels keep their levels; every other patched address goes to its warm-up level.
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (S.RawChannels[ch]) continue;
    dmxout::writeChannel(S, dmxout::Writer::WarmUp, ch, 0, [&](const dmxout::Written& w) {
      S.CurrentLevels[w.address] = float(w.level);
      S.LevelSteps[w.address] = 0;
      if (showInEdits) ChannelEdits[ch - 1]->setText(QString::number(dmxToPercent(w.level)));
    });
  }
}

void Tform1::btnBlackClick() {
  FadeTimer->stop();
  S.DimmerCheckRunning = false;
  S.FadeIdle = true;
  if (S.InterfaceOpen) {
    S.LiveMode = S.LiveChosen = true;
    showLiveMode();
    displayTimer->stop();
    S.FadeTotalTicks = 0;
    S.FadeTick = 0;
    S.ShownSeconds = 0;
    S.UpdatingEdits = true;
    for (int ch = 1; ch <= S.MaxChannels; ++ch) {
      ChannelMarks[ch - 1]->hide();
      S.ChannelSelected[ch - 1] = false;
      S.ChannelLocked[ch - 1] = false;
    }
    applyWarmUpLevels(true);
    if (S.LogLevel > 0)
      toolLog("Black= " + QString::fromLatin1(HexDump(QByteArray(
                              reinterpret_cast<const char*>(S.DmxOutBuffer.data()), S.MaxChannels))));
    sendDMX();
    S.CueLevels = QByteArray(reinterpret_cast<const char*>(S.DmxOutBuffer.data()), kMaxChannelLimit);
  }
  for (int i = 0; i < kSubmasterCount; ++i) S.SubSliders[i] = S.SubAdditive[i] ? 0 : 100;
  syncSubmasterFaders();
  S.Unrecorded = false;
  S.UpdatingEdits = false;
}

void Tform1::btnLiveclicked() {
  S.LiveMode = !S.LiveMode;
  S.LiveChosen = S.LiveMode;
  showLiveMode();
  if (S.LiveMode) {
    playscreen();
    S.AutoAdvance = autoAdvanceHint();
  }
  btnLive->repaint();
}

void Tform1::showLiveMode() {
  btnLive->setToolTip(S.LiveChosen ? "Live mode - F4" : "Blind mode - F4");
  btnLive->setText(S.LiveChosen ? "Live" : "Blind");
}
