#include "console/editors/select_user_window.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "console/engine/console_settings.h"
#include "console/engine/console_state.h"
#include "console/patch/gel_palettes.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"

Tusers::Tusers(ConsoleState& state, const QString& folder, QWidget* parent)
    : QDialog(parent), S(state), folder_(folder) {
  setObjectName("users");
  setWindowTitle("Select User");
  auto* grid = new QGridLayout(this);
  userlist = new QComboBox(this);
  userlist->setObjectName("userlist");
  userlist->setEditable(true);
  userletter = new QComboBox(this);
  userletter->setObjectName("userletter");
  userletter->setEditable(true);
  userletter->installEventFilter(this);
  userletter->lineEdit()->installEventFilter(this);
  grid->addWidget(new QLabel("Name", this), 0, 0);
  grid->addWidget(new QLabel("Letter", this), 0, 1);
  grid->addWidget(userlist, 1, 0);
  grid->addWidget(userletter, 1, 1);
  btnexit = new QPushButton("Exit", this);
  btnselect = new QPushButton("Select", this);
  btnnew = new QPushButton("New User", this);
  grid->addWidget(btnexit, 2, 0);
  grid->addWidget(btnselect, 2, 1);
  grid->addWidget(btnnew, 3, 0, 1, 2);
  connect(userlist, &QComboBox::activated, userletter, &QComboBox::setCurrentIndex);
  connect(userletter, &QComboBox::activated, userlist, &QComboBox::setCurrentIndex);
  connect(btnexit, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnselect, &QPushButton::clicked, this, &Tusers::selectClick);
  connect(btnnew, &QPushButton::clicked, this, &Tusers::newUserClick);
  LoadUsers();
}

void Tusers::LoadUsers() {
  btnselect->setText("Select");
  const DesignerList list = loadUsers(folder_);
  userlist->clear();
  userletter->clear();
  userlist->addItems(list.names);
  userletter->addItems(list.letters);
  const int at = list.indexOf(S.UserName);
  userlist->setCurrentIndex(at);
  userletter->setCurrentIndex(at);
}

void Tusers::showEvent(QShowEvent* event) {
  LoadUsers();
  QDialog::showEvent(event);
}

bool Tusers::eventFilter(QObject* watched, QEvent* event) {
  // Keys typed into the box reach the box, which hands them to its line without filters.
  if ((watched == userletter || watched == userletter->lineEdit()) && event->type() == QEvent::KeyRelease)
    userletter->setEditText(userletter->currentText().toUpper());
  return QDialog::eventFilter(watched, event);
}

void Tusers::newUserClick() {
  btnselect->setText("Save");
  userlist->setCurrentIndex(-1);
  userletter->setCurrentIndex(-1);
  userlist->setEditText(QString());
  userletter->setEditText(QString());
  userlist->setFocus();
}

bool Tusers::SaveUser() {
  if (const auto refused = saveUser(folder_, userlist->currentText(), userletter->currentText())) {
    showMessage(refused->title, refused->text, refused->error ? DialogIcon::Error : DialogIcon::Information,
                refused->error ? DialogButtons::Cancel : DialogButtons::Ok);
    return false;
  }
  return true;
}

void Tusers::selectClick() {
  const QString name = userlist->currentText().trimmed();
  const QString letter = userletter->currentText().trimmed().left(1).toUpper();
  // A new designer is taken into use only once it is in the palette file.
  if (btnselect->text() == "Save" && !SaveUser()) return;
  if (name.isEmpty() || letter.isEmpty()) return;
  S.UserName = name;
  S.UserLetter = letter;
  IniFile settings(S.MainIniFile);
  writeUserSettings(settings, S);
  if (!settings.save())
    showMessage("File Error",
                "The settings file " + S.MainIniFile + " could not be written.\n" + settings.errorString(),
                DialogIcon::Error, DialogButtons::Cancel);
  LoadUsers();
}
