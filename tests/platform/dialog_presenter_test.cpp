#include <gtest/gtest.h>

#include <vector>

#include "platform/message_dialog.h"

TEST(DialogPresenter, RealDialogsGoToTheInstalledPresenterAndWithoutOneGetTheirDefault) {
  if (!qEnvironmentVariable("VQ_DIALOG_LOG").isEmpty())
    GTEST_SKIP() << "dialogs are answered from the environment";
  std::vector<QString> presented;
  setDialogPresenter([&](const MessageSpec& spec) {
    presented.push_back(spec.title);
    return DialogResult::No;
  });
  EXPECT_EQ(showMessage("Shown", "text", DialogIcon::Confirmation, DialogButtons::YesNo), DialogResult::No);
  EXPECT_EQ(presented, std::vector<QString>{"Shown"});

  // A test handler comes first.
  setDialogHandler([](const MessageSpec&) { return DialogResult::Retry; });
  EXPECT_EQ(showMessage("Handled", "text", DialogIcon::Warning, DialogButtons::Retry), DialogResult::Retry);
  setDialogHandler({});
  EXPECT_EQ(presented.size(), 1u);

  setDialogPresenter({});
  EXPECT_EQ(showMessage("Nobody", "text", DialogIcon::Confirmation, DialogButtons::YesNo),
            defaultAnswer(DialogButtons::YesNo));
}
