#include "console/editors/colour_picker_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "console/editors/colour_pie.h"
#include "console/editors/colour_wheel.h"
#include "console/editors/fixtures_host.h"
#include "console/editors/fixtures_window.h"
#include "console/engine/console_state.h"
#include "console/patch/colour_picks.h"
#include "console/patch/fixture_colour_mix.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/pumped_wait.h"

namespace {

DialogResult askBeside(QWidget* window, const QString& title, const QString& text, DialogIcon icon,
                       DialogButtons buttons) {
  return showMessage(messageSpecBeside(window, QPoint(50, 100), title, text, icon, buttons));
}

int bgrOf(unsigned rgb) { return int((rgb & 0xff) << 16 | (rgb & 0xff00) | (rgb >> 16 & 0xff)); }

// Sets fields as a load does: no change flags, no "changed by hand" marks.
class UpdatingEdits {
 public:
  explicit UpdatingEdits(ConsoleState& s) : s_(s), was_(s.UpdatingEdits) { s_.UpdatingEdits = true; }
  ~UpdatingEdits() { s_.UpdatingEdits = was_; }

 private:
  ConsoleState& s_;
  bool was_;
};

}  // namespace

TColorPick::TColorPick(Tfixtures& fixtures) : QDialog(&fixtures, Qt::Tool), fixtures_(fixtures) {
  setObjectName("ColorPick");
  setWindowTitle("Select a Color");
  buildWindow();
  Image1->setSlices({palettePieColours().begin(), palettePieColours().end()});
  drawGelPie();
}

void TColorPick::buildWindow() {
  setFixedSize(318, 352);
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  top->addLayout(left);
  colortabs = new QTabWidget(this);
  colortabs->setObjectName("colortabs");
  colortabs->setFixedSize(264, 297);
  left->addWidget(colortabs);

  auto makePie = [this](const char* name) {
    auto* pie = new ColourPie;
    pie->setObjectName(name);
    pie->setFixedSize(258, 262);
    pie->installEventFilter(this);
    return pie;
  };
  Image1 = makePie("Image1");
  Image2 = makePie("Image2");
  Image2->setToolTip("Gel name");
  Image3 = makePie("Image3");
  HexaColorPicker1 = new ColourWheel(ColourWheel::Shape::Hexagon);
  HexaColorPicker1->setObjectName("HexaColorPicker1");
  HexaColorPicker1->setMinimumSize(93, 85);
  HexaColorPicker1->installEventFilter(this);
  auto* palette = new QWidget;
  auto* pl = new QVBoxLayout(palette);
  pl->setContentsMargins(0, 0, 0, 0);
  pl->addWidget(Image1);
  pl->addWidget(HexaColorPicker1);
  HexaColorPicker1->hide();
  colortabs->addTab(palette, "Palette");
  colortabs->addTab(Image2, "Gel #");
  colortabs->addTab(Image3, "User");
  HSVColorPicker1 = new ColourWheel;
  HSVColorPicker1->setObjectName("HSVColorPicker1");
  HSVColorPicker1->installEventFilter(this);
  colortabs->addTab(HSVColorPicker1, "Wheel");

  auto* options = new QWidget;
  auto* ol = new QVBoxLayout(options);
  for (QCheckBox** box : {&opt1, &opt2, &opt3, &opt4}) {
    *box = new QCheckBox(options);
    ol->addWidget(*box);
  }
  opt1->setObjectName("opt1");
  opt2->setObjectName("opt2");
  opt3->setObjectName("opt3");
  opt4->setObjectName("opt4");
  btnCSave = new QPushButton("Complete the\r\nSave", options);
  btnCSave->setObjectName("btnCSave");
  ol->addWidget(btnCSave);
  ol->addWidget(new QLabel("Same color as Channel:", options));
  auto* same = new QHBoxLayout;
  samecolor = new QLineEdit(options);
  samecolor->setObjectName("samecolor");
  samecolor->setMaxLength(4);
  samecolor->setAlignment(Qt::AlignCenter);
  samecolor->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), samecolor));
  btnSamAs = new QPushButton("Save", options);
  btnSamAs->setObjectName("btnSamAs");
  same->addWidget(samecolor);
  same->addWidget(btnSamAs);
  ol->addLayout(same);
  ol->addStretch();
  samecolor->installEventFilter(this);
  connect(samecolor, &QLineEdit::returnPressed, this, &TColorPick::SaveSameAs);
  connect(btnSamAs, &QPushButton::clicked, this, &TColorPick::SaveSameAs);
  colortabs->addTab(options, "Options");

  auto* buttons = new QHBoxLayout;
  btnexit = new QPushButton("Exit", this);
  btnexit->setObjectName("btnexit");
  gelcode = new QLabel(this);
  gelcode->setObjectName("gelcode");
  gelcode->setFixedSize(92, 25);
  gelcode->setAlignment(Qt::AlignCenter);
  QFont f = gelcode->font();
  f.setPointSize(14);
  gelcode->setFont(f);
  spSkinButton1 = new QPushButton("Save to User", this);
  spSkinButton1->setObjectName("spSkinButton1");
  spSkinButton1->setToolTip("Save this color to your palette");
  buttons->addWidget(btnexit);
  buttons->addWidget(gelcode);
  buttons->addWidget(spSkinButton1);
  left->addLayout(buttons);

  auto* right = new QVBoxLayout;
  trackValue = new QLabel(this);
  trackValue->setObjectName("trackValue");
  scTrackBar1 = new QSlider(Qt::Vertical, this);
  scTrackBar1->setObjectName("scTrackBar1");
  scTrackBar1->setRange(0, 100);
  scTrackBar1->setSingleStep(5);
  scTrackBar1->setPageStep(10);
  scTrackBar1->installEventFilter(this);
  right->addWidget(trackValue);
  right->addWidget(scTrackBar1, 1);
  right->addWidget(new QLabel("I", this));
  top->addLayout(right);

  connect(colortabs, &QTabWidget::currentChanged, this, &TColorPick::pageShown);
  connect(btnCSave, &QPushButton::clicked, this, &TColorPick::btnCSaveClick);
  connect(spSkinButton1, &QPushButton::clicked, this, &TColorPick::saveToUserClick);
  connect(btnexit, &QPushButton::clicked, this, &TColorPick::exitClick);
  connect(scTrackBar1, &QSlider::valueChanged, this, &TColorPick::trackBarChanged);
}

QString TColorPick::folder() const { return fixtures_.host().programFolder(); }

QString TColorPick::gelTable() const {
  const bool lime = fixtures_.fivecolor->isChecked() && fixtures_.whiteLabel->text() != "White";
  return gelfiles::path(folder(), lime ? gelfiles::kLimeTable : gelfiles::kWhiteTable);
}

void TColorPick::drawGelPie() {
  pie = gelPieList(gelTable());
  Image2->setSlices(pie.colours);
}

bool TColorPick::drawDesignerPie() {
  const QString name = fixtures_.host().state().UserName;
  const std::optional<PieList> list = designerPieList(folder(), name);
  if (!list) {
    showMessage("Unknown User", "The user " + name + " not found. Please check the User in Preferences.",
                DialogIcon::Warning, DialogButtons::Cancel);
    return false;
  }
  pie = *list;
  Image3->setSlices(pie.colours);
  return true;
}

void TColorPick::showPicker(bool fiveColours) {
  Image1->setVisible(fiveColours);
  HexaColorPicker1->setVisible(!fiveColours);
  const QString name = fixtures_.host().state().UserName;
  if (!name.isEmpty()) {
    colortabs->setTabText(UserPage, name);
    spSkinButton1->setText("Save to " + name);
  }
  if (colortabs->currentIndex() == PalettePage)
    pageShown(PalettePage);
  else
    colortabs->setCurrentIndex(PalettePage);
  scTrackBar1->setValue(fieldNumber(fixtures_.value->text()));
  if (!isVisible()) {
    const QRect g = fixtures_.frameGeometry();
    move(g.right() + 1, g.top());
  }
  show();
  raise();
}

void TColorPick::showOptions() {
  if (!isVisible()) showPicker(fixtures_.fivecolor->isChecked());
  saveToUserClick();
}

void TColorPick::pageShown(int index) {
  if (index != OptionsPage) fixtures_.filternum->clear();
  ConsoleState& S = fixtures_.host().state();
  switch (index) {
    case PalettePage:
      gelcode->clear();
      spSkinButton1->setEnabled(true);
      break;
    case GelPage:
      drawGelPie();
      spSkinButton1->setEnabled(true);
      break;
    case UserPage:
      if (S.UserLetter.isEmpty()) {
        showMessage("Designer not selected",
                    "A Designer has not been selected. Please use Prefernces to choose.", DialogIcon::Warning,
                    DialogButtons::Ok);
        break;
      }
      gelcode->clear();
      drawDesignerPie();
      spSkinButton1->setEnabled(true);
      break;
    case WheelPage:
      spSkinButton1->setEnabled(true);
      break;
    case OptionsPage: {
      const QString code = fixtures_.filternum->text();
      opt1->setText("Add as a Gel color to " + S.UserName + "'s Palette");
      opt2->setText("Change the colors of Gel " + code + " on " + S.UserName + "'s Palette");
      opt3->setText("Change the colors of Gel " + code + " for this fixture");
      opt4->setText("Change the colors of Gel " + code + " for All fixtures");
      btnCSave->setText("Complete the\r\nSave");
      opt1->setEnabled(true);
      opt2->setEnabled(!code.isEmpty());
      opt4->setEnabled(!code.isEmpty());
      opt3->setEnabled(!code.isEmpty() && fixtures_.pickfixture->currentIndex() > 0);
      for (QCheckBox* box : {opt1, opt2, opt3, opt4}) box->setChecked(false);
      break;
    }
  }
}

void TColorPick::saveToUserClick() {
  SaveReturnTab = colortabs->currentIndex();
  colortabs->setCurrentIndex(OptionsPage);
  spSkinButton1->setEnabled(false);
}

void TColorPick::exitClick() {
  fixtures_.btncolor->setFocus();
  hide();
}

void TColorPick::paletteHover(QPoint at) {
  fixtures_.filternum->clear();
  QFont f = gelcode->font();
  f.setPointSize(10);
  gelcode->setFont(f);
  const QString table = gelfiles::path(folder(), gelfiles::kPaletteColourTable);
  gelcode->setText(paletteColour(table, Image1->colourAt(at)).name);
}

void TColorPick::pieHover(QPoint at) {
  const ColourPie* shown = colortabs->currentIndex() == GelPage ? Image2 : Image3;
  const QString key = pie.keyOf(shown->colourAt(at));
  if (key.isEmpty()) return;
  QFont f = gelcode->font();
  f.setPointSize(12);
  gelcode->setFont(f);
  gelcode->setText(key);
}

void TColorPick::paletteClick(QPoint at) {
  const unsigned rgb = Image1->colourAt(at);
  const PaletteColour c = paletteColour(gelfiles::path(folder(), gelfiles::kPaletteColourTable), rgb);
  fixtures_.filternum->clear();
  {
    UpdatingEdits updating(fixtures_.host().state());
    fixtures_.fred->setText(c.levels[0]);
    fixtures_.fgreen->setText(c.levels[1]);
    fixtures_.fblue->setText(c.levels[2]);
    if (fixtures_.fAmber->isEnabled()) fixtures_.fAmber->setText(c.levels[3]);
    if (fixtures_.fWhite->isEnabled()) fixtures_.fWhite->setText(c.levels[4]);
  }
  fixtures_.filternum->clear();
  fixtures_.setSwatch(bgrOf(rgb));
  followOnWheel(rgb);
  fixtures_.SaveGelPending = false;
}

void TColorPick::loadLevels(const ColourString& colour) {
  const GelFields f = gelFields(colour, fixtures_.threecolor->isChecked(), fixtures_.fAmber->isEnabled(),
                                fixtures_.fWhite->isEnabled());
  UpdatingEdits updating(fixtures_.host().state());
  fixtures_.fred->setText(f.red);
  fixtures_.fgreen->setText(f.green);
  fixtures_.fblue->setText(f.blue);
  if (f.setAmber) fixtures_.fAmber->setText(f.amber);
  if (f.setWhite) fixtures_.fWhite->setText(f.white);
  LastGelLevels = colour.levelsText();
}

void TColorPick::gelClick(QPoint at) {
  fixtures_.filternum->clear();
  const QString table = gelTable();
  gelcode->clear();
  const unsigned rgb = Image2->colourAt(at);
  const QString key = pie.keyOf(rgb);
  if (key.isEmpty()) return;
  gelcode->setText(key);
  loadLevels(ColourString::parse(IniFile(table).readString("Values", key, kMissingColour)));
  fixtures_.GelTyped = false;
  fixtures_.filternum->setText(key);
  fixtures_.setSwatch(bgrOf(rgb));
  followOnWheel(rgb);
  fixtures_.SaveGelPending = false;
}

// Loads the designer colour under the point; its key, or empty when no slice is there.
static QString whichPie(TColorPick& picker, Tfixtures& fixtures, QPoint at,
                        const std::function<void(const ColourString&)>& load) {
  const unsigned rgb = picker.Image3->colourAt(at);
  picker.gelcode->clear();
  const QString key = picker.pie.keyOf(rgb);
  if (key.isEmpty()) return key;
  picker.gelcode->setText(key);
  if (fixtures.pickfixture->currentIndex() < 0) return QString();
  const ConsoleState& S = fixtures.host().state();
  load(ColourString::parse(
      designerColour(fixtures.host().programFolder(), S.UserName, key, fixtures.selectedTypeIdText())));
  fixtures.setSwatch(bgrOf(rgb));
  picker.followOnWheel(rgb);
  fixtures.SaveGelPending = false;
  return key;
}

void TColorPick::designerClick(QPoint at) {
  const QString key = whichPie(*this, fixtures_, at, [this](const ColourString& c) { loadLevels(c); });
  if (key.isEmpty()) return;
  fixtures_.filternum->setText(key);
  fixtures_.GelTyped = false;
}

void TColorPick::designerRightRelease(QPoint at) {
  const QString key = whichPie(*this, fixtures_, at, [this](const ColourString& c) { loadLevels(c); });
  if (key.isEmpty()) return;
  if (askBeside(this, "Delete a Color", "Do you want to delete " + key + "?", DialogIcon::Confirmation,
                DialogButtons::YesNo) != DialogResult::Yes)
    return;
  const ConsoleState& S = fixtures_.host().state();
  if (!deleteDesignerColour(folder(), S.UserName, key))
    showMessage("File Error", "The color " + key + " could not be deleted.", DialogIcon::Error,
                DialogButtons::Cancel);
  drawDesignerPie();
  gelcode->clear();
}

void TColorPick::btnCSaveClick() {
  const ConsoleState& S = fixtures_.host().state();
  ColourSave s;
  s.threeColour = fixtures_.threecolor->isChecked();
  s.lastGelLevels = LastGelLevels;
  s.swatchRed = fixtures_.SwatchColour & 0xff;
  s.swatchGreen = fixtures_.SwatchColour >> 8 & 0xff;
  s.swatchBlue = fixtures_.SwatchColour >> 16 & 0xff;
  s.red = fixtures_.fred->text();
  s.green = fixtures_.fgreen->text();
  s.blue = fixtures_.fblue->text();
  s.amber = fixtures_.fAmber->text();
  s.white = fixtures_.fWhite->text();
  s.addToPalette = opt1->isChecked();
  s.changeOnPalette = opt2->isChecked();
  s.changeForFixture = opt3->isChecked();
  s.changeForAll = opt4->isChecked();
  s.gelCode = fixtures_.filternum->text();
  s.typeId = fixtures_.selectedTypeIdText();
  for (int i = 1; i < fixtures_.pickfixture->count(); ++i) {
    const QString text = fixtures_.pickfixture->itemText(i);
    const qsizetype dash = text.indexOf(" -");
    s.allTypeIds << (dash < 0 ? QString() : text.left(dash));
  }
  const ColourSaveResult r = completeSave(folder(), S.UserName, S.UserLetter, s);
  if (r.message) {
    askBeside(this, r.message->title, r.message->text,
              r.message->title == "Duplicate palette" ? DialogIcon::Warning : DialogIcon::Error,
              DialogButtons::Cancel);
    return;
  }
  LastGelLevels = s.lastGelLevels;
  fixtures_.SaveGelPending = false;
  drawDesignerPie();
  colortabs->setCurrentIndex(SaveReturnTab);
}

void TColorPick::SaveSameAs() {
  const QString typed = samecolor->text();
  if (typed.isEmpty()) return;
  const std::vector<int> starts = fixtures_.checkedStarts();
  if (starts.empty()) {
    showMessage(messageSpecBeside(this, QPoint(0, 100), "No selected Channels",
                                  "Please start over, first selecting the channels to change.",
                                  DialogIcon::Warning, DialogButtons::Cancel));
    fixtures_.btnexitClick();
    return;
  }
  ConsoleState& S = fixtures_.host().state();
  const int channel = typed.toInt();
  fixtures_.shownow->setChecked(true);
  const SameColourSource source =
      sameColourSource(channel, S.MaxChannels, S.Patch.ChannelFixture, S.Fixtures, fixtures_.FixtureTypeIds);
  fixtures_.FixtureFromChannel = source.fromChannel;
  if (source.result == SameColourSource::NotAnLed) {
    askBeside(this, "Not an LED", "Channel " + typed + " is not registered as an LED instrument. ",
              DialogIcon::Warning, DialogButtons::Cancel);
    return;
  }
  if (source.result == SameColourSource::UnknownType) {
    askBeside(this, "Unknown fixture type",
              "The fixture type " + QString::number(source.typeId) + " of channel " + typed +
                  " is not in the fixture library.",
              DialogIcon::Warning, DialogButtons::Cancel);
    return;
  }
  const int row = source.typeRow + 1;
  fixtures_.pickfixture->setCurrentIndex(row);
  const QString kept = fixtures_.FixGroupText();
  fixtures_.populatefixture(row);
  fixtures_.showcolors(source.start);
  fixtures_.fixgroup->setToolTip("," + kept);
  fixtures_.FixgroupPicks(starts);
  fixtures_.host().waitPumped(25);
  fixtures_.btnexitClick();
}

void TColorPick::wheelPick(QPoint at) {
  const std::optional<unsigned> rgb = HSVColorPicker1->colourAt(at);
  if (!rgb) return;  // outside the wheel: no colour
  applyPicked(*rgb);
  fixtures_.value->setText(QString::number(wheelIntensity(ColourWheel::saturationOf(*rgb))));
}

void TColorPick::hexagonPick(QPoint at) {
  if (const std::optional<unsigned> rgb = HexaColorPicker1->colourAt(at)) {
    applyPicked(*rgb);
    followOnWheel(*rgb);
  }
}

void TColorPick::followOnWheel(unsigned rgb) {
  HSVColorPicker1->setSelected(rgb, int(std::lrint(fieldNumber(fixtures_.value->text()) * 2.55)));
}

void TColorPick::applyPicked(unsigned rgb) {
  const int r = int(rgb >> 16 & 0xff), g = int(rgb >> 8 & 0xff), b = int(rgb & 0xff);
  {
    UpdatingEdits updating(fixtures_.host().state());
    fixtures_.fred->setText(QString::number(r));
    fixtures_.fgreen->setText(QString::number(g));
    fixtures_.fblue->setText(QString::number(b));
    fixtures_.fWhite->setText("0");
    fixtures_.fAmber->setText("0");
    if (fixtures_.fourcolor->isChecked() || fixtures_.fivecolor->isChecked()) {
      const QString level = QString::number(luminance(r, g, b));
      if (fixtures_.fWhite->isEnabled()) fixtures_.fWhite->setText(level);
      if (fixtures_.fAmber->isEnabled()) fixtures_.fAmber->setText(level);
    }
  }
  fixtures_.setSwatch(bgrOf(rgb));
}

void TColorPick::trackBarChanged(int v) {
  trackValue->setText(QString::number(v));
  fixtures_.value->setText(QString::number(v));
}

bool TColorPick::eventFilter(QObject* watched, QEvent* event) {
  // The channel number takes digits only; Backspace is not taken either.
  if (watched == samecolor && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backspace)
    return true;
  if (watched == scTrackBar1) {
    if (event->type() == QEvent::Enter) scTrackBar1->setFocus();
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      const std::pair<int, TrackKey> keys[] = {{Qt::Key_PageUp, TrackKey::PageUp},
                                               {Qt::Key_Home, TrackKey::Home},
                                               {Qt::Key_PageDown, TrackKey::PageDown},
                                               {Qt::Key_End, TrackKey::End}};
      for (auto [k, step] : keys)
        if (k == key) {
          scTrackBar1->setValue(trackBarKey(scTrackBar1->value(), step));
          return true;
        }
    }
    return false;
  }
  auto* mouse = dynamic_cast<QMouseEvent*>(event);
  if (watched == Image2 && event->type() == QEvent::Leave && !fixtures_.filternum->text().isEmpty())
    gelcode->setText(fixtures_.filternum->text());
  if ((watched == HSVColorPicker1 || watched == HexaColorPicker1) && event->type() == QEvent::FocusOut)
    PickerDragging = false;
  if (!mouse) return false;
  const QPoint at = mouse->position().toPoint();
  if (watched == HSVColorPicker1) {
    if (event->type() == QEvent::MouseButtonPress) PickerDragging = true;
    if (event->type() == QEvent::MouseButtonRelease) PickerDragging = false;
    if (event->type() == QEvent::MouseMove && PickerDragging) wheelPick(at);
    return false;
  }
  if (watched == HexaColorPicker1) {
    if (event->type() == QEvent::MouseButtonPress) {
      PickerDragging = true;
      hexagonPick(at);
    }
    if (event->type() == QEvent::MouseButtonRelease) PickerDragging = false;
    if (event->type() == QEvent::MouseMove && PickerDragging) hexagonPick(at);
    return false;
  }
  const bool left = mouse->button() == Qt::LeftButton;
  const bool right = mouse->button() == Qt::RightButton;
  switch (event->type()) {
    case QEvent::MouseMove:
      if (watched == Image1)
        paletteHover(at);
      else
        pieHover(at);
      break;
    case QEvent::MouseButtonPress:
      if (right && watched == Image3) PieRightButton = true;
      if (!left) break;
      if (watched == Image1) paletteClick(at);
      if (watched == Image2) gelClick(at);
      if (watched == Image3) designerClick(at);
      break;
    case QEvent::MouseButtonRelease:
      if (right && watched == Image3 && PieRightButton) {
        PieRightButton = false;
        designerRightRelease(at);
      }
      break;
    default:
      break;
  }
  return false;
}

TColorPick& installColourPicker(Tfixtures& fixtures) {
  auto* picker = new TColorPick(fixtures);
  fixtures.showColourPicker = [picker](bool fiveColours) { picker->showPicker(fiveColours); };
  fixtures.showPickerOptions = [picker] { picker->showOptions(); };
  fixtures.closeColourPicker = [picker] { picker->hide(); };
  fixtures.pickerGelCode = [picker] { return picker->gelcode->text(); };
  fixtures.pickerIntensity = [picker](int intensity) {
    ColourWheel& wheel = *picker->HSVColorPicker1;
    wheel.setSelected(wheel.selectedColour().value_or(0xffffffu), int(std::lrint(intensity * 2.55)));
  };
  return *picker;
}
