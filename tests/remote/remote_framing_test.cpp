#include "console/remote/remote_framing.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include "console/remote/remote_commands.h"
#include "tests/remote/remote_test_support.h"

namespace {

// Feeds `stream` in two reads split at `at`, then flushes; returns every message.
QStringList framed(RemoteFramer& framer, const QByteArray& stream, qsizetype at) {
  QStringList out = framer.feed(stream.left(at));
  out += framer.feed(stream.mid(at));
  if (const QString rest = framer.flush(); !rest.isEmpty()) out << rest;
  return out;
}

TEST(RemoteFraming, AnsiLinesAtEverySplit) {
  const QByteArray stream = "goto 3\r\nplay\rstop\nset 1@50\r\n\r\nread 2";
  const QStringList expected{"goto 3", "play", "stop", "set 1@50", "read 2"};
  for (qsizetype at = 0; at <= stream.size(); ++at) {
    SCOPED_TRACE(at);
    AnsiLineFramer framer;
    EXPECT_EQ(framed(framer, stream, at), expected);
  }
}

TEST(RemoteFraming, AnsiLinesKeepWindows1252Text) {
  AnsiLineFramer framer;
  EXPECT_EQ(framer.feed("caf\xe9\r\n"), QStringList{QString::fromUtf8("café")});
  EXPECT_FALSE(framer.hasPending());
  EXPECT_TRUE(framer.feed("sto").isEmpty());
  EXPECT_TRUE(framer.hasPending());
  EXPECT_EQ(framer.flush(), "sto");
}

TEST(RemoteFraming, PipeMessagesAtEverySplitIncludingOddBytes) {
  const QString text = QString::fromUtf8("set 12@50\r\nplay 3\r\n\r\ngoto 1€\r\n");
  const QByteArray stream = utf16le(text);
  const QStringList expected{"set 12@50", "play 3", QString::fromUtf8("goto 1€")};
  for (qsizetype at = 0; at <= stream.size(); ++at) {
    SCOPED_TRACE(at);
    Utf16LineFramer framer;
    EXPECT_EQ(framed(framer, stream, at), expected);
  }
}

TEST(RemoteFraming, FollowSpotReadsEndAtTheLastSeparator) {
  const QString rs{QChar(kRecordSeparator)};
  Utf16RecordFramer framer;
  EXPECT_EQ(framer.feed(utf16le("goto 2" + rs + "play" + rs + "st")),
            QStringList{"goto 2" + rs + "play" + rs});
  EXPECT_TRUE(framer.hasPending());
  EXPECT_EQ(framer.feed(utf16le("op" + rs)), QStringList{"stop" + rs});
  EXPECT_FALSE(framer.hasPending());
}

TEST(RemoteFraming, FollowSpotTextEndsAtItsFirstNul) {
  const QString rs{QChar(kRecordSeparator)};
  const QChar nul(0);
  Utf16RecordFramer framer;
  // What follows the NUL in the same read is no command, separator or not.
  EXPECT_EQ(framer.feed(utf16le("end" + QString(nul) + "play 3" + rs)), QStringList{"end"});
  EXPECT_FALSE(framer.hasPending());
  EXPECT_EQ(framer.feed(utf16le("goto 2" + rs + "play" + QString(nul) + "back" + rs)),
            QStringList{"goto 2" + rs + "play"});
  // Text held from an earlier read ends at the NUL too; an odd byte after the NUL is dropped.
  EXPECT_EQ(framer.feed(utf16le("st")), QStringList{});
  EXPECT_EQ(framer.feed(utf16le("op" + QString(nul)) + QByteArray("x", 1)), QStringList{"stop"});
  EXPECT_FALSE(framer.hasPending());
  // A read that starts with a NUL gives nothing.
  EXPECT_EQ(framer.feed(utf16le(QString(nul) + "black" + rs)), QStringList{});
  EXPECT_EQ(framer.feed(utf16le("end" + rs)), QStringList{"end" + rs});
}

TEST(RemoteFraming, FollowSpotTextIsTheSameAtEverySplit) {
  const QString rs{QChar(kRecordSeparator)};
  const QByteArray stream = utf16le("goto 2" + rs + "play" + rs + "back");
  for (qsizetype at = 0; at <= stream.size(); ++at) {
    SCOPED_TRACE(at);
    Utf16RecordFramer framer;
    EXPECT_EQ(framed(framer, stream, at).join(""), "goto 2" + rs + "play" + rs + "back");
  }
}

TEST(RemoteStreamReader, TextWithoutEndGoesOutWhenTheStreamCloses) {
  QBuffer device;
  device.open(QIODevice::ReadWrite);
  QStringList seen;
  RemoteStreamReader reader(&device, std::make_unique<AnsiLineFramer>(), 60000,
                            [&](const QString& m) { seen << m; });
  device.write("stop");
  device.seek(0);
  EXPECT_TRUE(seen.isEmpty());
  reader.finish();
  EXPECT_EQ(seen, QStringList{"stop"});
}

}  // namespace
