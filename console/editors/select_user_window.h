#pragma once

// "Select User": the designers of "Users.pal" by name and letter; adds a designer with the starter
// palette and makes one the designer in use (kept in the settings file).

#include <QDialog>

class QComboBox;
class QPushButton;
struct ConsoleState;

class Tusers : public QDialog {
  Q_OBJECT
 public:
  // `folder`: the program folder the palette files are in.
  Tusers(ConsoleState& state, const QString& folder, QWidget* parent = nullptr);

  // Reads the designers again and selects the one in use.
  void LoadUsers();
  // Adds the designer typed in; false (after its message) when refused.
  bool SaveUser();
  void newUserClick();
  void selectClick();

  QComboBox* userlist = nullptr;
  QComboBox* userletter = nullptr;
  QPushButton* btnexit = nullptr;
  QPushButton* btnselect = nullptr;
  QPushButton* btnnew = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ConsoleState& S;
  QString folder_;
};
