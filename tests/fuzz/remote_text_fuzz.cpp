// The remote text commands behind each of their framers: the remote server's Windows-1252 lines,
// the web remote's UTF-16 lines and the follow-spot prompter's UTF-16 records.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "console/remote/remote_commands.h"
#include "console/remote/remote_framing.h"
#include "platform/message_dialog.h"
#include "tests/remote/remote_test_support.h"

namespace {

class InstantClock : public RemoteClock {
 public:
  qint64 now = 0;
  qint64 nowMs() override { return now; }
  void waitPumped(int ms) override { now += ms; }
  void pumpEvents() override {}
};

class Replies : public RemoteReplies {
 public:
  void senderror(const QString& reply) override { last = reply; }
  bool remoteClientConnected() const override { return true; }
  void postWebReply(const QString& text) override { last = text; }
  QString last;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static const bool quiet = [] {
    setDialogHandler([](const MessageSpec& spec) { return defaultAnswer(spec); });
    return true;
  }();
  (void)quiet;
  if (size < 2) return 0;
  FakeRemoteHost host;
  InstantClock clock;
  Replies replies;
  RemoteCommands commands(host, clock, replies);
  std::unique_ptr<RemoteFramer> framer;
  const int kind = data[0] % 3;
  if (kind == 0)
    framer = std::make_unique<AnsiLineFramer>();
  else if (kind == 1)
    framer = std::make_unique<Utf16LineFramer>();
  else
    framer = std::make_unique<Utf16RecordFramer>();
  const QByteArray stream(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
  const qsizetype split = stream.isEmpty() ? 0 : data[1] % (stream.size() + 1);
  auto run = [&](const QString& message) {
    if (kind == 2)
      commands.ParseMsg(message);
    else
      commands.ProcessMsg(message);
  };
  for (const QString& m : framer->feed(stream.left(split))) run(m);
  for (const QString& m : framer->feed(stream.mid(split))) run(m);
  framer->takeOverlong();
  if (const QString rest = framer->flush(); !rest.isEmpty()) run(rest);
  return 0;
}
