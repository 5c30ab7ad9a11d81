#include "console/editors/loop_file_list.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "console/engine/cue_loop_file.h"
#include "tests/engine/cue_test_util.h"

namespace {

TEST(LoopFileList, CreatedWithKeyZeroAndFirstFreeKeyOne) {
  QTemporaryDir dir;
  LoopFileList list(dir.filePath("show.lcue"));
  EXPECT_EQ(list.path(), dir.filePath("show.loop"));
  EXPECT_FALSE(list.exists());
  EXPECT_EQ(list.findFreeKey(), 1);
  ASSERT_TRUE(list.exists());
  EXPECT_EQ(QString::fromUtf8(cue_test::readBytes(list.path())).simplified(), "[Files] 0=");
}

TEST(LoopFileList, KeysAreFilledInOrderFreedAndReused) {
  QTemporaryDir dir;
  const QString cueFile = dir.filePath("show.lcue");
  LoopFileList list(cueFile);
  ASSERT_TRUE(list.setFile(1, "/shows/a.lcue"));
  ASSERT_TRUE(list.setFile(2, "/shows/b.lcue"));
  EXPECT_EQ(list.findFreeKey(), 3);
  EXPECT_EQ(LookupFile(cueFile, 2), "/shows/b.lcue") << "the engine finds what the editor wrote";
  ASSERT_TRUE(list.setFile(1, QString()));
  EXPECT_EQ(list.findFreeKey(), 1);
  EXPECT_TRUE(QString::fromUtf8(cue_test::readBytes(list.path())).contains("1=")) << "a freed key stays";
}

TEST(LoopFileList, TwentyFilesAtMost) {
  QTemporaryDir dir;
  LoopFileList list(dir.filePath("show.lcue"));
  for (int key = 1; key <= LoopFileList::kMaxLoopFiles; ++key) {
    ASSERT_EQ(list.findFreeKey(), key);
    ASSERT_TRUE(list.setFile(key, QString("/shows/loop%1.lcue").arg(key)));
  }
  EXPECT_EQ(list.findFreeKey(), 0);
}

}  // namespace
