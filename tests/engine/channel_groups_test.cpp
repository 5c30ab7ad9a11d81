#include "console/engine/channel_groups.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(ChannelGroups, OnlyOneKeyWithOrWithoutABom) {
  QTemporaryDir dir;
  for (const QByteArray& bom : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
    const QString path = dir.filePath("show.lgrp");
    write(path, bom + "[groups]\r\nGC=5,6\r\n");
    const ChannelGroupTexts g = LoadGroups(path);
    for (int i = 0; i < kGroupCount; ++i) EXPECT_EQ(g[size_t(i)], i == 12 ? "5,6" : "") << i;
  }
  const ChannelGroupTexts none = LoadGroups(dir.filePath("missing.lgrp"));
  for (const QString& s : none) EXPECT_TRUE(s.isEmpty());
}

TEST(ChannelGroups, SaveKeepsForeignSectionsAndWrites32KeysInOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.lgrp");
  write(path, "[Other]\nkeep=1\n[Groups]\ng3=9\nextra=x\n");
  ChannelGroupTexts g;
  g[0] = "1,2";
  g[31] = "30";
  ASSERT_TRUE(saveGroups(path, g));
  const QString text = QString::fromUtf8(read(path));
  EXPECT_TRUE(text.contains("[Other]"));
  EXPECT_TRUE(text.contains("keep=1"));
  EXPECT_TRUE(text.contains("extra=x"));
  int last = -1;
  for (int i = 0; i < kGroupCount; ++i) {
    const QString key = groupFileKey(i) + "=";
    const int at = int(text.indexOf("\n" + key));
    ASSERT_GT(at, last) << key.toStdString();
    last = at;
  }
  EXPECT_TRUE(text.contains("\ng0=1,2"));
  EXPECT_TRUE(text.contains("\ng3=\n") || text.contains("\ng3=\r\n"));
  EXPECT_TRUE(text.contains("\ngv=30"));
  EXPECT_EQ(LoadGroups(path), g);
}
