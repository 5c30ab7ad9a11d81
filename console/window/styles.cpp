#include "console/window/styles.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOption>

#include "platform/message_dialog.h"

namespace {
// A style paints backgrounds and borders through its sheet and gives colours through the palette,
// so widgets that carry their own text colour (the level edits, the cue rows) keep it. A dark style
// sets every background role with its text colour, so that nothing drawn from the palette (radio
// marks, combo boxes, lists, disabled text) ends up light on light.
struct Style {
  const char* name;
  int skin;            // 0x00BBGGRR
  const char* text;    // palette text colour, "" for the platform's palette
  const char* window;  // window and tool bar background
  const char* base;    // edit and list background
  const char* button;
  const char* highlight;
  const char* sheet;
};

// In the dark styles a tool bar too narrow for its buttons shows its extension button in the
// highlight colour, so that the buttons behind it are seen to be there.
const Style kStyles[] = {
    // The channel grid keeps dark level edits and tabs in the light style too: the level colours
    // (yellow, magenta, cyan, green) and the yellow captions of full pages are made for a dark
    // ground.
    {"Windows", 0xF0F0F0, "", "", "", "", "",
     "QTabWidget#dimpages QLineEdit { background-color: #2e3236; border: 1px solid #8a9099; }"
     "QTabWidget#dimpages QTabBar { color: #f0f0f0; }"
     "QTabWidget#dimpages QTabBar::tab { background: #4a4e54; padding: 4px 10px; margin-right: 1px; }"
     "QTabWidget#dimpages QTabBar::tab:selected { background: #2e3236; }"},
    {"Slate Classico", 0x5A5048, "#e8ecf0", "#48505a", "#2e343b", "#5b6570", "#6d8fb3",
     "QMainWindow, QDialog, QTabWidget, QToolBar, QStatusBar { background-color: #48505a; }"
     "QLineEdit, QTableWidget, QTableView { background-color: #2e343b; selection-background-color: #6d8fb3; }"
     "QMenuBar, QMenu { background-color: #3c434b; } QMenu::item:selected { background-color: #6d8fb3; }"
     "QPushButton, QToolButton { background-color: #5b6570; border: 1px solid #2e343b; padding: 3px; }"
     "QToolButton#qt_toolbar_ext_button { background-color: #6d8fb3; padding: 0px; border: none; }"
     "QComboBox { background-color: #5b6570; color: #e8ecf0; border: 1px solid #2e343b; padding: 2px 6px; }"
     "QComboBox QAbstractItemView { background-color: #2e343b; color: #e8ecf0; "
     "selection-background-color: #6d8fb3; }"
     "QTabBar::tab { background: #3c434b; padding: 4px 10px; } QTabBar::tab:selected { background: #5b6570; "
     "}"},
    {"Charcoal Dark Slate", 0x3A3330, "#dcdcdc", "#30333a", "#1f2125", "#41454d", "#4a6a8a",
     "QMainWindow, QDialog, QTabWidget, QToolBar, QStatusBar { background-color: #30333a; }"
     "QLineEdit, QTableWidget, QTableView { background-color: #1f2125; selection-background-color: #4a6a8a; }"
     "QMenuBar, QMenu { background-color: #26282d; } QMenu::item:selected { background-color: #4a6a8a; }"
     "QPushButton, QToolButton { background-color: #41454d; border: 1px solid #1f2125; padding: 3px; }"
     "QToolButton#qt_toolbar_ext_button { background-color: #4a6a8a; padding: 0px; border: none; }"
     "QComboBox { background-color: #41454d; color: #dcdcdc; border: 1px solid #1f2125; padding: 2px 6px; }"
     "QComboBox QAbstractItemView { background-color: #1f2125; color: #dcdcdc; "
     "selection-background-color: #4a6a8a; }"
     "QTabBar::tab { background: #26282d; padding: 4px 10px; } QTabBar::tab:selected { background: #41454d; "
     "}"},
};

// The base style with check boxes, radio buttons and list check marks that stand out on any
// ground: the base style draws their frames a shade darker than the window, faint on a light window
// and lost on a dark one, so an unticked box seemed missing. A frame between the text colour and
// the ground is drawn over them.
class ReadableIndicatorStyle : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_IndicatorCheckBox && element != PE_IndicatorRadioButton) return;
    const QPalette::ColorGroup group = option->state & State_Enabled ? QPalette::Active : QPalette::Disabled;
    const QColor text = option->palette.color(group, QPalette::Text);
    const QColor ground = option->palette.color(group, QPalette::Base);
    const QColor frame = QColor::fromRgbF(0.85f * text.redF() + 0.15f * ground.redF(),
                                          0.85f * text.greenF() + 0.15f * ground.greenF(),
                                          0.85f * text.blueF() + 0.15f * ground.blueF());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, element == PE_IndicatorRadioButton);
    painter->setPen(QPen(frame, 1));
    painter->setBrush(Qt::NoBrush);
    const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    if (element == PE_IndicatorRadioButton)
      painter->drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    else
      painter->drawRect(box);
    painter->restore();
  }
};

const Style* find(const QString& name) {
  for (const Style& s : kStyles)
    if (name.compare(s.name, Qt::CaseInsensitive) == 0) return &s;
  return nullptr;
}

QString& active() {
  static QString name = "Windows";
  return name;
}
}  // namespace

QStringList builtInStyleNames() {
  QStringList out;
  for (const Style& s : kStyles) out << s.name;
  return out;
}

bool applyStyle(const QString& name) {
  const Style* s = find(name);
  if (!s) {
    showMessage("Style Manager", "Style \"" + name + "\" not found.", DialogIcon::Error);
    return false;
  }
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    static bool indicatorsReadable = false;
    if (!indicatorsReadable) {
      indicatorsReadable = true;
      app->setStyleSheet(QString());
      QApplication::setStyle(new ReadableIndicatorStyle);
    }
    QPalette palette = QApplication::style()->standardPalette();
    if (*s->text) {
      const QColor text(s->text);
      for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        palette.setColor(role, text);
      palette.setColor(QPalette::BrightText, Qt::white);
      palette.setColor(QPalette::HighlightedText, Qt::white);
      palette.setColor(QPalette::Window, QColor(s->window));
      palette.setColor(QPalette::Base, QColor(s->base));
      palette.setColor(QPalette::AlternateBase, QColor(s->window));
      palette.setColor(QPalette::ToolTipBase, QColor(s->base));
      palette.setColor(QPalette::Button, QColor(s->button));
      palette.setColor(QPalette::Highlight, QColor(s->highlight));
      const QColor dimmed = text.darker(160);
      for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, dimmed);
      palette.setColor(QPalette::PlaceholderText, dimmed);
    }
    QApplication::setPalette(palette);
    app->setStyleSheet(s->sheet);
  }
  active() = s->name;
  return true;
}

QString activeStyleName() { return active(); }

int styleSkinColour(const QString& name) {
  const Style* s = find(name);
  return s ? s->skin : 0xF0F0F0;
}
