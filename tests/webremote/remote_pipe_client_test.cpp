// The remote's pipe client against a local server in the test: what bytes reach the console.

#include "webremote/remote_pipe_client.h"

#include <gtest/gtest.h>

#include "tests/webremote/webremote_test_support.h"

using namespace webremote_test;

namespace {

TEST(RemotePipeClient, EncodesUtf16LittleEndianWithoutMark) {
  struct Case {
    QString text;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"", QByteArray()},
      {"\r\n", QByteArray("\x0D\x00\x0A\x00", 4)},
      {"é€", QByteArray("\xE9\x00\xAC\x20", 4)},
      {"set 1@2", utf16le("set 1@2")},
  };
  for (const Case& c : cases) EXPECT_EQ(RemotePipeClient::encode(c.text), c.bytes) << c.text.toStdString();
}

TEST(RemotePipeClient, OneCommandArrivesAsItsExactBytes) {
  ConsolePipe console;
  ASSERT_TRUE(console.start());
  RemotePipeClient client(console.name());
  ASSERT_TRUE(client.connectPipe());
  ASSERT_TRUE(client.send("set 12@100\r\n"));
  // s e t ' ' 1 2 @ 1 0 0 CR LF, each character as its low byte then 0x00.
  const QByteArray expected(
      "s\x00"
      "e\x00"
      "t\x00"
      " \x00"
      "1\x00"
      "2\x00"
      "@\x00"
      "1\x00"
      "0\x00"
      "0\x00"
      "\r\x00"
      "\n\x00",
      24);
  ASSERT_TRUE(waitUntil([&] { return console.bytes().size() >= expected.size(); }));
  EXPECT_EQ(console.bytes(), expected);
  ASSERT_TRUE(client.send("play next\r\n"));
  ASSERT_TRUE(console.waitForMessages(2));
  EXPECT_EQ(console.messages(), (QStringList{"set 12@100", "play next"}));
}

TEST(RemotePipeClient, NothingToConnectTo) {
  ConsolePipe console;  // never listens
  RemotePipeClient client(console.name(), 200);
  EXPECT_FALSE(client.connectPipe());
  EXPECT_FALSE(client.isConnected());
  EXPECT_FALSE(client.send("record\r\n"));
}

TEST(RemotePipeClient, TheConsoleGoingAwayIsReportedAndSendsFail) {
  ConsolePipe console;
  ASSERT_TRUE(console.start());
  RemotePipeClient client(console.name());
  int disconnects = 0;
  QObject::connect(&client, &RemotePipeClient::disconnected, [&] { ++disconnects; });
  ASSERT_TRUE(client.connectPipe());
  ASSERT_TRUE(waitUntil([&] { return console.connections() == 1; }));
  console.stop();
  ASSERT_TRUE(waitUntil([&] { return disconnects == 1; }));
  EXPECT_FALSE(client.send("record\r\n"));
  // Ending the connection from this side reports nothing.
  ASSERT_TRUE(console.start());
  ASSERT_TRUE(client.connectPipe());
  client.disconnectPipe();
  waitUntil([] { return false; }, 50);
  EXPECT_EQ(disconnects, 1);
}

}  // namespace
