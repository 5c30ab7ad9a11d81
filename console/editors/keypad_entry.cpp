#include "console/editors/keypad_entry.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

#include "console/editors/window_placement.h"
#include "console/engine/channel_groups.h"
#include "platform/message_dialog.h"

TKeyEntry::TKeyEntry(KeypadHost& host, QWidget* parent) : QDialog(parent, Qt::Tool), host_(host) {
  setObjectName("KeyEntry");
  setWindowTitle("Keyboard Entry");
  KeyEdit1 = new QComboBox(this);
  KeyEdit1->setObjectName("KeyEdit1");
  KeyEdit1->setEditable(true);
  KeyEdit1->setInsertPolicy(QComboBox::NoInsert);
  KeyEdit1->setMaxVisibleItems(10);
  KeyEdit1->setCompleter(nullptr);
  KeyEdit1->setFixedSize(282, 24);
  KeyEdit1->setToolTip("strt/fin*lev");
  QFont font("Tahoma");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  KeyEdit1->setFont(font);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(KeyEdit1);
  KeyEdit1->lineEdit()->installEventFilter(this);
  KeyEdit1->installEventFilter(this);
  // Choosing a line from the history runs it again (it is not added a second time).
  connect(KeyEdit1, &QComboBox::activated, this, [this](int index) {
    KeyEdit1->setEditText(KeyEdit1->itemText(index));
    parsetext();
  });
}

QStringList TKeyEntry::history() const {
  QStringList lines;
  for (int i = 0; i < KeyEdit1->count(); ++i) lines << KeyEdit1->itemText(i);
  return lines;
}

void TKeyEntry::focusLineAtEnd() {
  KeyEdit1->setFocus();
  KeyEdit1->lineEdit()->setCursorPosition(int(KeyEdit1->currentText().size()));
}

void TKeyEntry::setOne(int index, const QString& level) {
  if (host_.isDirect(index) && KeypadAltMode) {
    AltDown = true;
    host_.setLevelDirect(index, level);
  } else {
    host_.setLevelText(index, level);
  }
}

void TKeyEntry::FillSingle(int index, const QString& level) {
  host_.selectChannel(index);
  setOne(index, level);
}

void TKeyEntry::Fillrange(int first, int last, const QString& level) {
  for (int i = std::min(first, last); i <= std::max(first, last); ++i) FillSingle(i, level);
}

void TKeyEntry::FillGroup(QChar key, const QString& level) {
  const int group = groupIndexOfKey(key);
  if (group >= 0) host_.groupset(group);
  for (int i = 0; i < host_.maxChannels(); ++i)
    if (host_.isSelected(i)) setOne(i, level);
}

bool TKeyEntry::parsetext() {
  host_.clearSelection();
  const KeypadParse p = ::parsetext(KeyEdit1->currentText(), host_.maxChannels());
  if (p.error == KeypadParse::Error::LevelMissing) {
    showMessage("Level Missing or Incorrect",
                "You did not indicate a valid light level.\n\rPlease use either \"*\" or \"@\".",
                DialogIcon::Warning, DialogButtons::Retry);
    focusLineAtEnd();
    return false;
  }
  for (const KeypadOp& op : p.ops) {
    switch (op.kind) {
      case KeypadOp::Kind::Single:
        FillSingle(op.first - 1, p.level);
        break;
      case KeypadOp::Kind::Range:
        if (op.except > 0) {
          const int x = op.except - 1;
          const QString saved = host_.levelText(x);
          Fillrange(op.first - 1, op.last - 1, p.level);
          host_.deselectChannel(x);
          host_.setLevelText(x, saved);
        } else {
          Fillrange(op.first - 1, op.last - 1, p.level);
        }
        break;
      case KeypadOp::Kind::Group:
        FillGroup(op.groupKey, p.level);
        break;
    }
  }
  if (p.error == KeypadParse::Error::Problem) {
    showMessage("Problem", "Your entry could not be parsed correctly, sorry.", DialogIcon::Error,
                DialogButtons::Retry);
    KeypadAltMode = false;
    focusLineAtEnd();
    return false;
  }
  KeyEdit1->lineEdit()->setSelection(int(KeyEdit1->currentText().size()),
                                     -int(KeyEdit1->currentText().size()));
  host_.sendDMX();
  KeypadAltMode = false;
  host_.focusCueList();
  return true;
}

void TKeyEntry::submit(const QString& line) {
  KeyEdit1->setEditText(line);
  parsetext();
  KeyEdit1->addItem(line);
  if (KeyEdit1->count() > 10) KeyEdit1->removeItem(0);
  KeyEdit1->setEditText(QString());
}

bool TKeyEntry::eventFilter(QObject* watched, QEvent* event) {
  QLineEdit* line = KeyEdit1->lineEdit();
  if (watched == line && event->type() == QEvent::Enter) {
    line->selectAll();
    return false;
  }
  if (watched != line && watched != KeyEdit1) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool alt = key->modifiers() & Qt::AltModifier;
    AltDown = alt;
    if (!KeypadAltMode && alt && KeyEdit1->currentText().endsWith('*')) KeypadAltMode = true;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      submit(KeyEdit1->currentText());
      return true;
    }
    // With Alt held the digits come from the releases below; the presses type nothing.
    if (alt) return true;
    if (key->text() == "-" && KeyEdit1->currentText().isEmpty()) return true;
    return false;
  }
  if (event->type() == QEvent::KeyRelease && KeypadAltMode) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat() && key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9) {
      // Both digit rows and the numeric keypad append their digit.
      KeyEdit1->setEditText(KeyEdit1->currentText() + QChar('0' + (key->key() - Qt::Key_0)));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TKeyEntry::showEvent(QShowEvent* event) {
  if (QWidget* main = host_.mainWindow())
    placeWindow(*this, QRect(clientRect(*main).topLeft() + host_.keypadOffsets(), size()), main);
  QDialog::showEvent(event);
}

void TKeyEntry::done(int result) {
  if (QWidget* main = host_.mainWindow(); main && isVisible()) {
    const QPoint offsets = clientRect(*this).topLeft() - clientRect(*main).topLeft();
    host_.saveKeypadOffsets(offsets.y(), offsets.x());
  }
  QDialog::done(result);
}
