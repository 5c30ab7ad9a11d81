#include "console/remote/remote_framing.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include "console/remote/remote_commands.h"
#include "tests/remote/remote_test_support.h"
#include "tests/support/test_clock.h"

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
  TestClock clock;  // the minute of silence never passes
  RemoteStreamReader reader(&device, std::make_unique<AnsiLineFramer>(), 60000, clock,
                            [&](const QString& m) { seen << m; });
  device.write("stop");
  device.seek(0);
  EXPECT_TRUE(seen.isEmpty());
  reader.finish();
  EXPECT_EQ(seen, QStringList{"stop"});
}

}  // namespace

TEST(RemoteFraming, ALineTooLongIsDroppedAndReportedOnceAtEverySplit) {
  const QByteArray longLine(RemoteFramer::kMaxMessage + 500, 'x');
  const QString head = QString(80, 'x');
  struct Case {
    const char* name;
    std::function<std::unique_ptr<RemoteFramer>()> make;
    QByteArray stream;
    QStringList expected;
  };
  const Case cases[] = {
      {"ansi",
       [] { return std::make_unique<AnsiLineFramer>(); },
       "play\r\n" + longLine + "\r\nstop\r\n",
       {"play", "stop"}},
      {"pipe",
       [] { return std::make_unique<Utf16LineFramer>(); },
       utf16le("play\r\n" + QString::fromLatin1(longLine) + "\r\nstop\r\n"),
       {"play", "stop"}},
      {"follow spot",
       [] { return std::make_unique<Utf16RecordFramer>(); },
       utf16le("play\x1e" + QString::fromLatin1(longLine) + "\x1estop\x1e"),
       {"play\x1e", "stop\x1e"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (qsizetype at : {qsizetype(0), qsizetype(7), qsizetype(100), qsizetype(c.stream.size() / 2),
                         c.stream.size() - 3, c.stream.size()}) {
      SCOPED_TRACE(at);
      auto framer = c.make();
      QStringList got = framed(*framer, c.stream, at);
      // The follow-spot framer joins what one read completes into one message.
      if (got.size() == 1 && c.expected.size() == 2) got = QStringList{c.expected[0], c.expected[1]};
      EXPECT_EQ(got.join('|'), c.expected.join('|'));
      EXPECT_EQ(framer->takeOverlong(), QStringList{head});
      EXPECT_FALSE(framer->flooded());
    }
  }
}

TEST(RemoteFraming, MegabytesWithoutAnEndAreAFloodNotMemory) {
  AnsiLineFramer ansi;
  Utf16LineFramer pipe;
  Utf16RecordFramer followSpot;
  const QByteArray block(64 * 1024, 'y');
  for (int i = 0; i < 16 && !ansi.flooded(); ++i) EXPECT_TRUE(ansi.feed(block).isEmpty());
  for (int i = 0; i < 16 && !pipe.flooded(); ++i) EXPECT_TRUE(pipe.feed(block).isEmpty());
  for (int i = 0; i < 16 && !followSpot.flooded(); ++i) EXPECT_TRUE(followSpot.feed(block).isEmpty());
  EXPECT_TRUE(ansi.flooded());
  EXPECT_TRUE(pipe.flooded());
  EXPECT_TRUE(followSpot.flooded());
  EXPECT_EQ(ansi.takeOverlong().size(), 1);
  EXPECT_EQ(pipe.takeOverlong().size(), 1);
  EXPECT_EQ(followSpot.takeOverlong().size(), 1);
}
