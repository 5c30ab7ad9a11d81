#pragma once

// The scene dialog (`TForm7`, "Scenes"): the scenes of the show's scene file, saving the channel
// levels as a scene, loading a scene into the level edits (or adding it to the channels at zero),
// deleting scenes, swapping in another scene file and giving a scene a bump key F5..F12.

#include <QDialog>
#include <QString>
#include <functional>

struct ConsoleState;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// What the scene dialog needs of the main window.
class SceneHost {
 public:
  virtual ~SceneHost() = default;
  virtual ConsoleState& state() = 0;
  // The text of channel ch's level edit (1-based), and writing it (the caller sets UpdatingEdits).
  virtual QString levelEditText(int ch) = 0;
  virtual void setLevelEditText(int ch, const QString& text) = 0;
  virtual void setLevelEditColour(int ch, int bgr) = 0;
  // The program's own path (the rep scene file is the program's path with ".scne").
  virtual QString programPath() = 0;
  // A file could not be read or written: the application's error handler.
  virtual void fileError(const QString& message) = 0;
};

class TForm7 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm7(SceneHost& host, QWidget* parent = nullptr);
  ~TForm7() override;

  void FormCreate();
  void FormActivate();
  void Readlist();
  void btnclick();
  void scenelistClick(int row);
  void sceneaddChange();
  void loadsaveClick();
  void loadaddClick();
  void ChangeScene();
  void bumpFkeyCloseUp();
  void userepClick();
  void exitClick();

  // Another scene file chosen in "Open a different Scene file" (replaceable in tests): "" when
  // cancelled.
  std::function<QString()> chooseSceneFile;

  int SceneCount = 0;
  int SelectedScene = 0;  // grid row of the selected scene (record + 1); 0 none
  bool SceneAddMode = false;
  bool BumpKeyChanged = false;
  QString SavedButtonCaption;

  QLabel* textbox = nullptr;
  QTableWidget* scenelist = nullptr;
  QLineEdit* sceneadd = nullptr;
  QPushButton* loadsave = nullptr;
  QPushButton* loadadd = nullptr;
  QPushButton* exit = nullptr;
  QComboBox* bumpFkey = nullptr;
  QCheckBox* userep = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString sceneFile() const;
  int rowKey(int row) const;
  void clearList();

  SceneHost& host_;
};
