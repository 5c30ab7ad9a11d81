#include "console/editors/select_user_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "console/engine/console_state.h"
#include "platform/ini_file.h"
#include "tests/support/dialog_recorder.h"

namespace {

void writeText(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

struct SelectUserTest : ::testing::Test {
  void SetUp() override {
    writeText(dir.filePath("Users.pal"), "[Users]\nAnn=A\nBob=B\n");
    writeText(dir.filePath("newuser.gels"), "1|2|3\n");
    S.MainIniFile = dir.filePath("vqlighting.ini");
    S.UserName = "bob";
    users = std::make_unique<Tusers>(S, dir.path());
  }
  QTemporaryDir dir;
  ConsoleState S;
  std::unique_ptr<Tusers> users;
};

}  // namespace

TEST_F(SelectUserTest, ListsAndSelectsTheDesignerInUse) {
  EXPECT_EQ(users->userlist->count(), 2);
  EXPECT_EQ(users->userlist->currentText(), "Bob");
  EXPECT_EQ(users->userletter->currentText(), "B");
  users->userlist->setCurrentIndex(0);
  users->userletter->setCurrentIndex(0);
  users->selectClick();
  EXPECT_EQ(S.UserName, "Ann");
  EXPECT_EQ(S.UserLetter, "A");
  const IniFile settings(S.MainIniFile);
  EXPECT_EQ(settings.readString("User", "Name", ""), "Ann");
  EXPECT_EQ(settings.readString("User", "Letter", ""), "A");
}

TEST_F(SelectUserTest, ANewDesignerIsTakenOnlyWhenSaved) {
  DialogRecorder dialogs;
  users->newUserClick();
  EXPECT_EQ(users->btnselect->text(), "Save");
  EXPECT_EQ(users->userlist->currentText(), "");
  users->userlist->setEditText("Cy");
  QTest::keyClick(users->userletter->lineEdit(), Qt::Key_R, Qt::NoModifier);
  EXPECT_EQ(users->userletter->currentText(), "R");  // upper-cased as typed
  dialogs.answer(DialogResult::Cancel);
  users->selectClick();
  EXPECT_EQ(dialogs.count("Reserved Letter"), 1);
  EXPECT_EQ(S.UserName, "bob");  // refused: the designer in use stays
  EXPECT_FALSE(QFile::exists(S.MainIniFile));

  users->userletter->setEditText("c");
  users->selectClick();
  EXPECT_EQ(S.UserName, "Cy");
  EXPECT_EQ(S.UserLetter, "C");
  EXPECT_EQ(users->btnselect->text(), "Select");
  EXPECT_EQ(users->userlist->count(), 3);
  EXPECT_EQ(users->userlist->currentText(), "Cy");
  EXPECT_EQ(IniFile(dir.filePath("Users.pal")).readString("Cy", "C0", ""), "1|2|3");
}

// Typed as an operator types, into the letter box that has the focus, each letter turns upper case.
TEST_F(SelectUserTest, TheLetterTypedIntoTheBoxTurnsUpperCase) {
  users->show();
  users->newUserClick();
  users->userletter->setFocus();
  QTest::keyClick(users->userletter, Qt::Key_Q, Qt::NoModifier);
  EXPECT_EQ(users->userletter->currentText(), "Q");
  QTest::keyClicks(users->userletter, "z");
  EXPECT_EQ(users->userletter->currentText(), "QZ");
}
