#include "console/editors/preferences_window.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "console/editors/s2l_window.h"
#include "console/engine/console_settings.h"
#include "console/engine/console_state.h"
#include "console/engine/preference_rules.h"
#include "console/engine/tavro_utils.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

namespace {

QLineEdit* digitsEdit(QWidget* parent, const char* name, int maxLength, const QString& pattern = "[0-9]*") {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(maxLength);
  e->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), e));
  return e;
}

int numberOf(const QString& text, int fallback = 0) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  return ok ? v : fallback;
}

// The clock colours on offer (0x00BBGGRR).
const std::pair<const char*, int> kClockColours[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

}  // namespace

TPreferences::TPreferences(ConsoleState& state, PreferencesHost host, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      S(state),
      host_(std::move(host)) {
  setObjectName("Preferences");
  setWindowTitle("Preferences");
  auto* layout = new QVBoxLayout(this);
  // Twenty-odd rows share the window's designed 670 pixels of height.
  layout->setSpacing(DpiScale(3));
  layout->setContentsMargins(DpiScale(8), DpiScale(6), DpiScale(8), DpiScale(6));
  auto button = [this, layout](const char* name, const QString& caption, const QString& hint = {}) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setToolTip(hint);
    layout->addWidget(b);
    return b;
  };
  auto labelled = [this, layout](const QString& caption, QWidget* field) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(caption, this));
    row->addWidget(field);
    layout->addLayout(row);
  };

  QPushButton* user = button("btnUser", "Set User Palette", "Select the current Designer's palette");
  connect(user, &QPushButton::clicked, this, [this] {
    if (host_.selectUser) host_.selectUser();
  });

  QStringList styles = host_.styleNames ? host_.styleNames() : QStringList();
  styleMenu = radioMenu("styleMenu", styles, [this, styles](int i) {
    const QString name = styles.value(i);
    if (host_.setStyle) host_.setStyle(name);
  });
  QPushButton* style = button("spSkinMenuButton1", "Select UI Style");
  connect(style, &QPushButton::clicked, this, [this] { styleMenu->popup(mapToGlobal(QPoint(16, 140))); });

  QPushButton* setclock = button("setclock", "Set Clock Color");
  auto* clkColor = new QComboBox(this);
  clkColor->setObjectName("ClkColor");
  for (const auto& [name, bgr] : kClockColours) clkColor->addItem(name, bgr);
  clkColor->hide();
  layout->addWidget(clkColor);
  connect(setclock, &QPushButton::clicked, this, [setclock, clkColor] {
    setclock->hide();
    clkColor->show();
  });
  connect(clkColor, &QComboBox::activated, this, [this, setclock, clkColor](int i) {
    S.ClkColor = clkColor->itemData(i).toInt();
    if (host_.setClockColour) host_.setClockColour(S.ClkColor);
    clkColor->hide();
    setclock->show();
  });

  renumberButton = button("spSkinButton1", "Renumber Cues");
  connect(renumberButton, &QPushButton::clicked, this, &TPreferences::spSkinButton1Click);
  increment = digitsEdit(this, "increment", 6);
  labelled("Increment", increment);
  connect(increment, &QLineEdit::textChanged, this, [this](const QString& t) {
    if (!loading_) S.Increment = t.isEmpty() ? 10 : numberOf(t, 10);
  });
  warmup = digitsEdit(this, "warmup", 2);
  warmup->setToolTip("Minimum DMX level for Intensity");
  labelled("Warm Up Level", warmup);
  connect(warmup, &QLineEdit::textChanged, this, [this] {
    if (!loading_) warmupChange();
  });
  maxchannels = digitsEdit(this, "maxchannels", 4);
  labelled("# of Channels", maxchannels);
  connect(maxchannels, &QLineEdit::textEdited, this, [this](const QString& t) {
    const QString capped = capChannelCountText(t, S.InterfaceType);
    if (capped != t) maxchannels->setText(capped);
    btnexit->setEnabled(true);
  });
  connect(maxchannels, &QLineEdit::editingFinished, this, &TPreferences::maxchannelsExit);

  QPushButton* s2l = button("spSkinButton2", "Set S2L Channels", "Channels by band for the ETC program");
  S2Lset = new TS2Lset(host_.bandFile, host_.applyBand, host_.applyBandMinimum, this);
  connect(s2l, &QPushButton::clicked, this, [this] {
    S2Lset->move(x(), y() + 190);
    S2Lset->exec();
  });
  QPushButton* cuefont = button("cuefont", "Set Cue List Font");
  connect(cuefont, &QPushButton::clicked, this, [this] {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, host_.cueListFont ? host_.cueListFont() : font(), this);
    if (ok && host_.setCueListFont) host_.setCueListFont(chosen);
  });

  backgroundMenu = radioMenu("backgroundMenu", {"Light", "Skin", "Black"}, [this](int i) {
    S.DarkColor = i;
    if (host_.applyCueListLook) host_.applyCueListLook(i);
  });
  QPushButton* background =
      button("cuebackground", "Set Cue Background", "Set the background color of the cue list");
  connect(background, &QPushButton::clicked, this,
          [this] { backgroundMenu->popup(mapToGlobal(QPoint(16, 250))); });
  fileSourceMenu = radioMenu("fileSourceMenu", {"Files follow Stagora", "Files follow the Cue File"},
                             [this](int i) { chooseFileSource(i == 0); });
  QPushButton* files =
      button("filepref", "Set Auxillary files source", "Softpatch, Fixture, Group, and Scene file source");
  connect(files, &QPushButton::clicked, this,
          [this] { fileSourceMenu->popup(mapToGlobal(QPoint(16, 288))); });
  static const int kWheel[] = {1, 2, 5, 10};
  wheelMenu = radioMenu("wheelMenu", {"1 per move", "2 per move", "5 per move", "10 per move"},
                        [this](int i) { S.Wheel = kWheel[i]; });
  QPushButton* wheel = button("spSkinMenuButton4", "Set Mouse Wheel step", "Level increment per whell move");
  connect(wheel, &QPushButton::clicked, this, [this] { wheelMenu->popup(mapToGlobal(QPoint(16, 324))); });
  scrollmax100 = new QRadioButton("Color Scrollers go 0-100", this);
  scrollmax100->setObjectName("scrollmax100");
  scrollmax255 = new QRadioButton("Color Scrollers go 0-255", this);
  scrollmax255->setObjectName("scrollmax255");
  layout->addWidget(scrollmax100);
  layout->addWidget(scrollmax255);
  connect(scrollmax100, &QRadioButton::clicked, this, [this] { setScrollerRange(false); });
  connect(scrollmax255, &QRadioButton::clicked, this, [this] { setScrollerRange(true); });
  fadeMenu = radioMenu("fadeMenu", {"1 second", "2 seconds", "3 seconds", "4 seconds", "5 seconds"},
                       [this](int i) { S.FadeTime = i + 1; });
  QPushButton* fade = button("scButton1", "Set Fade Default", "Default fade time for new cues");
  connect(fade, &QPushButton::clicked, this, [this] { fadeMenu->popup(mapToGlobal(QPoint(16, 402))); });
  QStringList refresh;
  for (const DisplayRefresh& r : kDisplayRefresh) refresh << r.caption;
  refreshMenu = radioMenu("refreshMenu", refresh, [this](int i) {
    const int interval = kDisplayRefresh[size_t(i)].interval;
    if (host_.setDisplayInterval) host_.setDisplayInterval(interval);
    S.DisplayInterval = interval;
    S.ShowProgress = interval > 0;
  });
  QPushButton* display = button("spSkinMenuButton2", "Set Display Refresh", "Progress Display refresh");
  connect(display, &QPushButton::clicked, this, [this] { refreshMenu->popup(mapToGlobal(QPoint(16, 436))); });

  auto check = [this, layout](const char* name, const QString& caption, const QString& hint) {
    auto* c = new QCheckBox(caption, this);
    c->setObjectName(name);
    c->setToolTip(hint);
    layout->addWidget(c);
    return c;
  };
  CueAdvance = check("CueAdvance", "Advance then Play", "ETC mode");
  connect(CueAdvance, &QCheckBox::toggled, this, [this](bool on) { S.ETCmode = on; });
  promptfornew =
      check("promptfornew", "Prompt for Save or Add", "Enter will prompt to record as a new cue or not.");
  connect(promptfornew, &QCheckBox::toggled, this, [this](bool on) { S.Newprompt = on; });
  promptforscroll = check("promptforscroll", "Prompt for Mover/Scroller cue",
                          "Save will prompt to add a mover/scroller cue or not.");
  connect(promptforscroll, &QCheckBox::toggled, this, [this](bool on) { S.Scrollprompt = on; });
  Checkdimmer = check("Checkdimmer", "Show Dimmer patches", "Softpatch Dimmer column click shows Channel");
  connect(Checkdimmer, &QCheckBox::toggled, this, [this](bool on) { S.dimmerprompt = on ? 3 : -2000; });
  usecurve = check("usecurve", "Use LED curve", "Activates use of LED.txt curve");
  connect(usecurve, &QCheckBox::toggled, this, [this](bool on) {
    if (loading_) return;
    S.LEDcurve = on;
    // Both ways: the curve tables follow the setting.
    if (host_.loadCurve) host_.loadCurve();
  });
  netaddr = digitsEdit(this, "netaddr", 15, "[0-9.]*");
  netaddr->setToolTip("IP address");
  labelled("Stagora Divuvaz addr:", netaddr);
  tnetport = digitsEdit(this, "tnetport", 5);
  tnetport->setToolTip("IP Port #");
  labelled("", tnetport);
  oscportnum = digitsEdit(this, "oscportnum", 5);
  labelled("OSC port #:", oscportnum);
  layout->addStretch(1);
  btnexit = button("btnexit", "Exit");
  connect(btnexit, &QPushButton::clicked, this, &TPreferences::btnexitClick);
  setFixedSize(DpiScale(250), DpiScale(670));
}

QMenu* TPreferences::radioMenu(const QString& name, const QStringList& captions,
                               const std::function<void(int)>& chosen) {
  auto* menu = new QMenu(this);
  menu->setObjectName(name);
  auto* group = new QActionGroup(menu);
  for (int i = 0; i < captions.size(); ++i) {
    QAction* a = menu->addAction(captions[i]);
    a->setCheckable(true);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [chosen, i] { chosen(i); });
  }
  return menu;
}

void TPreferences::checkItem(QMenu* menu, int index) {
  if (QAction* a = menu->actions().value(index)) a->setChecked(true);
}

void TPreferences::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TPreferences::FormShow() {
  loading_ = true;
  checkItem(backgroundMenu, S.DarkColor);
  increment->setText(QString::number(S.Increment));
  warmup->setText(QString::number(S.WarmUp));
  netaddr->setText(S.PeerAddress);
  tnetport->setText(QString::number(S.NetPort));
  maxchannels->setMaxLength(channelCountDigits(S.InterfaceType));
  maxchannels->setText(QString::number(S.MaxChannels));
  scrollmax100->setChecked(S.MaxfixtureRange == 2);
  scrollmax255->setChecked(S.MaxfixtureRange != 2);
  CueAdvance->setChecked(S.ETCmode);
  promptfornew->setChecked(S.Newprompt);
  promptforscroll->setChecked(S.Scrollprompt);
  Checkdimmer->setChecked(S.dimmerprompt >= 0);
  usecurve->setChecked(S.LEDcurve);
  checkItem(fileSourceMenu, S.FileSource ? 0 : 1);
  const QStringList styles = host_.styleNames ? host_.styleNames() : QStringList();
  checkItem(styleMenu, int(styles.indexOf(host_.activeStyle ? host_.activeStyle() : S.Style)));
  const int interval = host_.displayInterval ? host_.displayInterval() : S.DisplayInterval;
  for (size_t i = 0; i < kDisplayRefresh.size(); ++i)
    if ((i == 0 && !S.ShowProgress) || (S.ShowProgress && kDisplayRefresh[i].interval == interval))
      checkItem(refreshMenu, int(i));
  checkItem(fadeMenu, S.FadeTime - 1);
  for (int i : {0, 1, 2, 3})
    if (QList<int>{1, 2, 5, 10}.at(i) == S.Wheel) checkItem(wheelMenu, i);
  oscportnum->setText(QString::number(host_.oscPort ? host_.oscPort() : S.OSCListen));
  oscportnum->setToolTip("Listening Port for " + S.OSCAddress);
  loading_ = false;
  RestartPending = false;
  btnexit->setEnabled(true);
  btnexit->setFocus();
}

void TPreferences::spSkinButton1Click() {
  if (host_.renumberCues) host_.renumberCues(S.Increment);
}

void TPreferences::warmupChange() {
  S.WarmUp = numberOf(warmup->text());
  if (host_.rewriteWarmUp) host_.rewriteWarmUp(S.WarmUp);
}

void TPreferences::maxchannelsExit() {
  const int n = numberOf(maxchannels->text());
  if (n <= 0) return;
  btnexit->setEnabled(true);
  for (int c = 1; c <= patch::kMaxChannels; ++c)
    if (S.Patch.ChannelFixture[size_t(c)] > n) {
      showMessage("More channels needed", "There are fixture addresses beyond " + maxchannels->text() + ".",
                  DialogIcon::Warning, DialogButtons::Cancel);
      btnexit->setEnabled(false);
      return;
    }
}

void TPreferences::setScrollerRange(bool to255) {
  S.Maxfixture = !to255;
  S.MaxfixtureRange = to255 ? 1 : 2;
  for (int c = 1; c <= S.MaxChannels; ++c)
    if (S.Fixtures.FixtureStart[size_t(c)] == 2000) S.RawChannels[size_t(c)] = to255;
}

void TPreferences::chooseFileSource(bool followProgram) {
  S.FileSource = followProgram;
  showMessage("Patch file change", "Changing the Patch file source requires a restart.", DialogIcon::Warning);
  RestartPending = true;
  btnexitClick();
}

bool TPreferences::btnexitClick() {
  S.PeerAddress = netaddr->text();
  S.NetPort = numberOf(tnetport->text());
  if (host_.applyCompanion) host_.applyCompanion();
  if (Checkdimmer->isChecked())
    S.dimmerprompt = 0;
  else
    S.dimmerprompt = -2000;
  if (maxchannels->text().isEmpty()) maxchannels->setText("128");
  const int channels = numberOf(maxchannels->text());
  // The channel count typed holds from the next start.
  S.SettingsMaxChannels = channels;
  IniFile ini(S.MainIniFile);
  writePreferenceSettings(ini, S, oscportnum->text(),
                          host_.displayInterval ? host_.displayInterval() : S.DisplayInterval);
  if (channels != S.MaxChannels && !RestartPending) {
    showMessage("Channel count change", "Changing the number of channels requires a restart.",
                DialogIcon::Warning);
    RestartPending = true;
  }
  if (!ini.save())
    showMessage("Preferences",
                "The settings file " + S.MainIniFile + " could not be written.\n" + ini.errorString(),
                DialogIcon::Error);

  // The OSC listener moves only here, once, and only to a port number there can be.
  const int port = numberOf(oscportnum->text(), -1);
  const int current = host_.oscPort ? host_.oscPort() : S.OSCListen;
  if (port != current) {
    const bool valid = port >= 1 && port <= 65535;
    if (!valid || !host_.rebindOsc || !host_.rebindOsc(port)) {
      showMessage("OSC Network problem",
                  valid ? "The OSC receive port " + oscportnum->text() + " is already in use."
                        : "The OSC receive port " + oscportnum->text() + " is not a valid port number.",
                  DialogIcon::Warning);
      return false;
    }
    S.OSCListen = port;
  }
  if (host_.focusCueList) host_.focusCueList();
  close();
  if (RestartPending && host_.restart) host_.restart();
  return true;
}
