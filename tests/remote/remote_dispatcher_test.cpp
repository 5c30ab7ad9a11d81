#include "console/remote/remote_dispatcher.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QStringList>
#include <memory>

#include "platform/operator.h"
#include "tests/remote/remote_test_support.h"

namespace {
// An operator whose question is opened and answered by the test.
class ScriptedOperator : public Operator {
 public:
  using Operator::ask;
  DialogResult ask(const MessageSpec& question) override { return defaultAnswer(question); }
  bool questionOpen() const override { return open; }
  void whenNoQuestionOpen(QObject* context, std::function<void()> then) override {
    waiters.emplace_back(context, std::move(then));
  }
  void answer() {
    open = false;
    for (auto& [context, then] : std::exchange(waiters, {})) Operator::whenNoQuestionOpen(context, then);
  }
  bool open = false;
  std::vector<std::pair<QObject*, std::function<void()>>> waiters;
};

void drainEvents() {
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
}
}  // namespace

TEST(RemoteDispatcher, CommandsRunFromTheEventLoopInOrderAndWaitWhileAQuestionIsOpen) {
  ScriptedOperator op;
  RemoteDispatcher dispatcher(op);
  QStringList ran;
  op.open = true;
  for (const QString c : {"goto 1", "play", "set 5@20"}) dispatcher.post([&ran, c](QObject*) { ran << c; });
  EXPECT_TRUE(ran.isEmpty()) << "nothing runs inside the call that posts";
  drainEvents();
  EXPECT_TRUE(ran.isEmpty()) << "nothing runs while the question is open";
  EXPECT_EQ(dispatcher.waiting(), 3);
  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return ran.size() == 3; }));
  EXPECT_EQ(ran, (QStringList{"goto 1", "play", "set 5@20"}));
}

TEST(RemoteDispatcher, ACommandThatWaitsLettingEventsRunIsNeverOvertaken) {
  // Its own question holds later commands back anyway; a plain pumped wait (a fade, a pause) does
  // not, and there only the run in progress keeps the next command out.
  for (const bool asks : {true, false}) {
    SCOPED_TRACE(asks ? "waits on a question" : "waits without a question");
    ScriptedOperator op;
    RemoteDispatcher dispatcher(op);
    QStringList ran;
    dispatcher.post([&](QObject*) {
      ran << "first begins";
      op.open = asks;
      dispatcher.post([&](QObject*) { ran << "second"; });
      drainEvents();  // its event loop runs while the later command waits
      op.open = false;
      ran << "first ends";
    });
    ASSERT_TRUE(pumpUntil([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (QStringList{"first begins", "first ends", "second"}));
  }
}

TEST(RemoteDispatcher, NothingRunsWhileHeldAndTheWaitingCommandsRunInOrderOnceTheLastHoldIsReleased) {
  ScriptedOperator op;
  RemoteDispatcher dispatcher(op);
  QStringList ran;
  dispatcher.hold();
  dispatcher.hold();  // a file chooser opened from an editor
  for (const QString c : {"goto 5", "set 7@33", "record"}) dispatcher.post([&ran, c](QObject*) { ran << c; });
  drainEvents();
  EXPECT_TRUE(ran.isEmpty());
  dispatcher.release();
  drainEvents();
  EXPECT_TRUE(ran.isEmpty()) << "one hold is still taken";
  EXPECT_TRUE(dispatcher.held());
  // A question opens as the last window closes: the commands wait for its answer too.
  op.open = true;
  dispatcher.release();
  drainEvents();
  EXPECT_TRUE(ran.isEmpty());
  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return ran.size() == 3; }));
  EXPECT_EQ(ran, (QStringList{"goto 5", "set 7@33", "record"}));
  dispatcher.release();  // one release too many changes nothing
  EXPECT_FALSE(dispatcher.held());
}

TEST(RemoteDispatcher, ACommandThatOpensAWindowLeavesTheCommandsBehindItWaitingUntilItCloses) {
  ScriptedOperator op;
  RemoteDispatcher dispatcher(op);
  QStringList ran;
  dispatcher.post([&](QObject*) {
    ran << "opens";
    dispatcher.hold();  // the window stays open after the command returns
  });
  dispatcher.post([&](QObject*) { ran << "behind"; });
  ASSERT_TRUE(pumpUntil([&] { return ran.size() == 1; }));
  drainEvents();
  EXPECT_EQ(ran, QStringList{"opens"});
  EXPECT_EQ(dispatcher.waiting(), 1);
  dispatcher.release();
  ASSERT_TRUE(pumpUntil([&] { return ran.size() == 2; }));
  EXPECT_EQ(ran.last(), "behind");
}

TEST(RemoteDispatcher, AConnectionThatClosesMeanwhileIsSeenAsGoneAndItsCommandStillRuns) {
  ScriptedOperator op;
  RemoteDispatcher dispatcher(op);
  auto connection = std::make_unique<QObject>();
  QObject* seen = connection.get();
  bool ran = false;
  op.open = true;
  dispatcher.post(connection.get(), [&](QObject* origin) {
    seen = origin;
    ran = true;
  });
  connection.reset();
  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return ran; }));
  EXPECT_EQ(seen, nullptr);
}

TEST(RemoteDispatcher, AConnectionWithTooManyWaitingCommandsIsHeldBackUntilSomeRun) {
  ScriptedOperator op;
  RemoteDispatcher dispatcher(op);
  QObject connection;
  QObject other;
  int roomSignals = 0;
  QObject::connect(&dispatcher, &RemoteDispatcher::roomAgain, [&] { ++roomSignals; });
  op.open = true;
  for (int i = 0; i < RemoteDispatcher::kMaxWaitingPerOrigin; ++i) {
    EXPECT_TRUE(dispatcher.hasRoomFor(&connection));
    dispatcher.post(&connection, [](QObject*) {});
  }
  EXPECT_FALSE(dispatcher.hasRoomFor(&connection));
  EXPECT_TRUE(dispatcher.hasRoomFor(&other));
  op.answer();
  ASSERT_TRUE(pumpUntil([&] { return dispatcher.waiting() == 0; }));
  EXPECT_TRUE(dispatcher.hasRoomFor(&connection));
  EXPECT_EQ(roomSignals, 1);
}
