// The remote's page without a browser: every handler over a real pipe connection to a console's
// end of the pipe in the test, and the reply polling driven by a browser timer on a clock the test
// moves.

#include "webremote/remote_page.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "tests/support/test_clock.h"
#include "tests/webremote/webremote_test_support.h"
#include "webremote/remote_pipe_client.h"

using namespace webremote_test;

namespace {

struct Page {
  ConsolePipe console;
  QTemporaryDir replies;
  RemoteShared ownShared;
  RemoteShared& shared;
  std::unique_ptr<RemotePipeClient> pipe;
  std::unique_ptr<RemotePage> page;

  explicit Page(RemoteShared* sharedWith = nullptr, bool consoleListening = true)
      : shared(sharedWith ? *sharedWith : ownShared) {
    if (consoleListening) {
      EXPECT_TRUE(console.start());
    }
    pipe = std::make_unique<RemotePipeClient>(console.name(), 500);
    page = std::make_unique<RemotePage>(shared, *pipe, replies.path());
    QObject::connect(pipe.get(), &RemotePipeClient::disconnected,
                     [this] { page->PipeClient1PipeDisconnect(); });
    page->IWAppFormCreate();
  }
  RemotePageState& st() { return page->state(); }
  void click(const QString& control, const QString& retValue = {}) {
    ASSERT_TRUE(page->dispatch(control, retValue)) << control.toStdString();
  }
  // Every message that reached the console, once the writes have arrived.
  QStringList sent() {
    QCoreApplication::processEvents();
    waitUntil([] { return false; }, 30);
    return console.messages();
  }
  QString memoTop() const { return page->state().Memo1.value(0); }
  void reply(const QByteArray& line) { writeReplyFile(replies.path(), line); }
  bool replyWaiting() const { return QFileInfo::exists(replies.filePath("read.txt")); }
};

// The browser's side of the page timer, on virtual time: after every answer it arms the timer anew
// from the page's state, and when the interval has passed it sends the page the timer's event,
// as the browser does.
struct BrowserTimer {
  RemotePage& page;
  TestClock clock;
  ClockTimer timer{clock};
  int ticks = 0;

  explicit BrowserTimer(RemotePage& p) : page(p) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &ClockTimer::timeout, [this] {
      page.dispatch("IWTimer1");
      ++ticks;
      rearm();
    });
  }
  void rearm() {
    if (page.state().timerEnabled)
      timer.start(page.state().timerInterval);
    else
      timer.stop();
  }
  void click(const QString& control) {
    page.dispatch(control);
    rearm();
  }
  void advance(qint64 ms) { clock.advance(int(ms)); }
};

TEST(RemotePage, CreationConnectsThePipe) {
  Page p;
  EXPECT_EQ(p.st().Memo1, QStringList{"Connected"});
  EXPECT_TRUE(waitUntil([&] { return p.console.connections() == 1; }));
  EXPECT_TRUE(p.st().btnSend && p.st().btnnext && p.st().btnback);
  EXPECT_FALSE(p.st().timerEnabled);
}

struct KeypadCase {
  const char* name;
  QString commandLine, channel, level;
  QStringList clicks;
  QString wantCommandLine, wantChannel, wantLevel;
  QStringList wantSent;
};

TEST(RemotePage, KeypadAndLevelButtons) {
  const KeypadCase cases[] = {
      {"1 2 Full", "", "", "", {"btn1", "btn2", "btnFull"}, "", "12", "100", {"set 12@100"}},
      {"6 0 0 is above 512", "", "", "", {"btn6", "btn0", "btn0"}, "", "512", "", {}},
      {"a fourth digit", "", "", "", {"btn1", "btn2", "btn3", "btn4"}, "", "512", "", {}},
      {"digits go to a command line", "Set ", "7", "", {"btn1", "btn2"}, "Set 12", "7", "", {}},
      {"+10 at 95", "", "5", "95", {"btnplus10"}, "", "5", "100", {"set 5@100"}},
      {"-10 at 3", "", "5", "3", {"btnminus10"}, "", "5", "0", {"set 5@0"}},
      {"-1 on empty", "", "5", "", {"btnminus1"}, "", "5", "0", {"set 5@0"}},
      {"+1 on empty", "", "5", "", {"btnplus1"}, "", "5", "1", {"set 5@1"}},
      {"+10 on empty", "", "5", "", {"btnplus10"}, "", "5", "10", {"set 5@10"}},
      {"-10 on empty", "", "5", "", {"btnminus10"}, "", "5", "0", {"set 5@0"}},
      {"+1 on text that is no number", "", "5", "x", {"btnplus1"}, "", "5", "1", {"set 5@1"}},
      {"Out", "", "9", "50", {"btnOut"}, "", "9", "0", {"set 9@0"}},
      {"Full without a channel", "", "", "20", {"btnFull"}, "", "", "100", {}},
      {"dot and at need a command line", "", "", "", {"btndot", "btnat"}, "", "", "", {}},
      {"dot and at append", "Set 1", "", "", {"btnat", "btn5", "btndot"}, "Set 1@5.", "", "", {}},
      {"Play on 12", "12", "", "", {"btnPlay"}, "Play 12", "", "", {}},
      {"Play on 12345", "12345", "", "", {"btnPlay"}, "Play 12345", "", "", {}},
      {"Play on 123456", "123456", "", "", {"btnPlay"}, "Play ", "", "", {}},
      {"Play on empty", "", "", "", {"btnPlay"}, "Play ", "", "", {}},
      {"Set on 1234", "1234", "", "", {"btnSet"}, "Set 1234", "", "", {}},
      {"Set on 12345", "12345", "", "", {"btnSet"}, "Set ", "", "", {}},
      {"Set on empty", "", "", "", {"btnSet"}, "Set ", "", "", {}},
      {"hello is dropped", "hello", "", "", {"btnSend"}, "", "", "", {}},
      {"blanks stay", "   ", "", "", {"btnSend"}, "   ", "", "", {}},
      {"12@50 becomes a set", "12@50", "", "", {"btnSend"}, "", "12", "50", {"set 12@50"}},
      {"SET typed in capitals", "SET 3@40", "", "", {"btnSend"}, "", "3", "40", {"SET 3@40"}},
      {"Set button then keypad",
       "",
       "",
       "",
       {"btnSet", "btn4", "btnat", "btn7", "btn5", "btnSend"},
       "",
       "4",
       "75",
       {"Set 4@75"}},
      {"set without @ is dropped", "set 12", "", "", {"btnSend"}, "", "", "", {}},
      {"Read", "", "7", "", {"btnRead"}, "", "7", "", {"read 7"}},
      {"Read without a channel", "", "", "", {"btnRead"}, "", "", "", {}},
      {"Record", "", "", "", {"btnRecord"}, "", "", "", {"record"}},
      {"clicking the command line empties it", "play 3", "", "", {"IWEdit1"}, "", "", "", {}},
      {"clicking the channel box empties it", "", "12", "40", {"chnl"}, "", "", "40", {}},
  };
  for (const KeypadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Page p;
    p.st().IWEdit1 = c.commandLine;
    p.st().chnl = c.channel;
    p.st().level = c.level;
    for (const QString& control : c.clicks) p.click(control);
    EXPECT_EQ(p.st().IWEdit1, c.wantCommandLine);
    EXPECT_EQ(p.st().chnl, c.wantChannel);
    EXPECT_EQ(p.st().level, c.wantLevel);
    EXPECT_EQ(p.sent(), c.wantSent);
    if (!c.wantSent.isEmpty()) {
      EXPECT_EQ(p.memoTop(), "Sent " + c.wantSent.last());
    }
  }
}

TEST(RemotePage, ClickingAnEditMovesTheFocusToSend) {
  Page p;
  p.click("chnl");
  EXPECT_EQ(p.st().focus, "btnSend");
}

TEST(RemotePage, MemoHasTheNewestLineOnTopAndIsBounded) {
  Page p;
  p.st().chnl = "1";
  p.click("btnFull");
  p.click("btnOut");
  EXPECT_EQ(p.st().Memo1, (QStringList{"Sent set 1@0", "Sent set 1@100", "Connected"}));
  for (int i = 0; i < RemotePage::kMemoLines + 20; ++i) p.page->insertMemo(QString::number(i));
  EXPECT_EQ(p.st().Memo1.size(), RemotePage::kMemoLines);
  EXPECT_EQ(p.memoTop(), QString::number(RemotePage::kMemoLines + 19));
}

TEST(RemotePage, UnsavedChangesAskBeforeAGo) {
  struct Answer {
    const char* retValue;
    QString sent;
  };
  for (const Answer& a :
       {Answer{"True", "record"}, Answer{"TRUE", "record"}, Answer{"False", "reset"}, Answer{"", "reset"}}) {
    for (const char* go : {"btnnext", "btnback"}) {
      SCOPED_TRACE(std::string(go) + " answered " + a.retValue);
      Page p;
      p.st().IWEdit1 = "12@50";
      p.click("btnSend");
      EXPECT_TRUE(p.shared.unsaved);
      p.click(go);
      EXPECT_TRUE(p.st().confirmPending);
      EXPECT_TRUE(p.st().btnSend) << "no GO went out";
      EXPECT_FALSE(p.st().timerEnabled);
      p.click("MyConfirmCallback", a.retValue);
      EXPECT_FALSE(p.st().confirmPending);
      EXPECT_FALSE(p.shared.unsaved);
      EXPECT_EQ(p.sent(), (QStringList{"set 12@50", a.sent})) << "the GO itself is not repeated";
    }
  }
}

TEST(RemotePage, PlayTypedWhileUnsavedAsksToo) {
  Page p;
  p.shared.unsaved = true;
  p.st().IWEdit1 = "play 4";
  p.click("btnSend");
  EXPECT_TRUE(p.st().confirmPending);
  EXPECT_EQ(p.st().IWEdit1, "");
  EXPECT_TRUE(p.sent().isEmpty());
}

TEST(RemotePage, AnAnswerWithoutAQuestionIsIgnored) {
  Page p;
  p.shared.unsaved = true;
  p.click("MyConfirmCallback", "False");
  EXPECT_TRUE(p.sent().isEmpty());
  EXPECT_TRUE(p.shared.unsaved);
}

TEST(RemotePage, UnsavedIsSharedByEverySession) {
  RemoteShared shared;
  Page a(&shared), b(&shared);
  a.st().chnl = "3";
  a.click("btnFull");
  b.click("btnnext");
  EXPECT_TRUE(b.st().confirmPending);
  b.click("MyConfirmCallback", "True");
  EXPECT_FALSE(shared.unsaved);
  EXPECT_EQ(b.sent(), QStringList{"record"});
}

TEST(RemotePage, GoDisablesSendNextBackUntilDone) {
  for (const char* go : {"btnnext", "btnback", "btnSend"}) {
    SCOPED_TRACE(go);
    Page p;
    if (QString(go) == "btnSend") p.st().IWEdit1 = "play 4";
    p.click(go);
    EXPECT_FALSE(p.st().btnSend || p.st().btnnext || p.st().btnback);
    EXPECT_TRUE(p.st().timerEnabled);
    EXPECT_EQ(p.st().timerInterval, 1000);
    // Clicks on the disabled buttons do nothing.
    p.click("btnnext");
    p.click("btnback");
    p.st().IWEdit1 = "play 9";
    p.click("btnSend");
    const QString expected = QString(go) == "btnnext"   ? "play next"
                             : QString(go) == "btnback" ? "back"
                                                        : "play 4";
    EXPECT_EQ(p.sent(), QStringList{expected});
    p.reply("done");
    p.click("IWTimer1");
    EXPECT_TRUE(p.st().btnSend && p.st().btnnext && p.st().btnback);
    EXPECT_FALSE(p.st().timerEnabled);
    EXPECT_FALSE(p.replyWaiting()) << "the reply file is consumed";
  }
}

TEST(RemotePage, ReadFillsTheLevelBoxWithoutSendingASet) {
  Page p;
  p.st().chnl = "7";
  p.click("btnRead");
  EXPECT_TRUE(p.st().timerEnabled);
  EXPECT_EQ(p.st().timerInterval, 100);
  p.click("IWTimer1");
  EXPECT_EQ(p.shared.missCount, 1);
  p.reply("read40");
  p.click("IWTimer1");
  EXPECT_EQ(p.st().level, "40");
  EXPECT_EQ(p.shared.missCount, 0);
  EXPECT_FALSE(p.st().timerEnabled);
  EXPECT_FALSE(p.shared.unsaved);
  EXPECT_EQ(p.sent(), QStringList{"read 7"});
}

TEST(RemotePage, ReplyLines) {
  struct ReplyCase {
    const char* name;
    QByteArray file;
    QString wantLevel;
  };
  const ReplyCase cases[] = {
      {"three digits", "read100", "100"}, {"characters 5 to 7 only", "read12345", "123"},
      {"an empty level", "read", ""},     {"not a reply", "save", "55"},
      {"case counts", "READ40", "55"},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    Page p;
    p.st().chnl = "7";
    p.st().level = "55";
    p.click("btnRead");
    p.reply(c.file);
    p.click("IWTimer1");
    EXPECT_EQ(p.st().level, c.wantLevel);
    EXPECT_FALSE(p.st().timerEnabled) << "any reply stops the timer";
    EXPECT_FALSE(p.replyWaiting());
  }
}

TEST(RemotePage, ATickOfAStoppedTimerCountsNothing) {
  Page p;
  p.reply("done");
  p.click("IWTimer1");
  EXPECT_EQ(p.shared.missCount, 0);
  EXPECT_TRUE(p.replyWaiting()) << "the file is left for a page that waits";
}

TEST(RemotePage, NoResponseAfterElevenEmptyTicks) {
  struct PollCase {
    const char* name;
    QString control;
    qint64 lastQuietMs;  // no "No Response" yet at this time
  };
  for (const PollCase& c : {PollCase{"GO", "btnnext", 10999}, PollCase{"read", "btnRead", 1099}}) {
    SCOPED_TRACE(c.name);
    Page p;
    p.st().chnl = "7";
    BrowserTimer browser{*p.page};
    browser.click(c.control);
    browser.advance(c.lastQuietMs);
    EXPECT_EQ(browser.ticks, 10);
    EXPECT_NE(p.memoTop(), "No Response");
    browser.advance(1);
    EXPECT_EQ(browser.ticks, 11);
    EXPECT_EQ(p.memoTop(), "No Response");
    EXPECT_FALSE(p.st().timerEnabled);
    EXPECT_TRUE(p.st().btnSend && p.st().btnnext && p.st().btnback);
    EXPECT_EQ(p.shared.missCount, 0);
    browser.advance(60000);
    EXPECT_EQ(browser.ticks, 11) << "polling has stopped";
  }
}

TEST(RemotePage, TheMissCountStartsFromZeroEachTimePollingStarts) {
  Page p;
  p.shared.missCount = 9;  // left over from polls of another session
  BrowserTimer browser{*p.page};
  browser.click("btnnext");
  browser.advance(10000);
  EXPECT_NE(p.memoTop(), "No Response");
  browser.advance(1000);
  EXPECT_EQ(p.memoTop(), "No Response");
}

TEST(RemotePage, AGoPendingKeepsPollingPastOtherReplies) {
  for (const QByteArray& other : {QByteArray("read40"), QByteArray("save")}) {
    SCOPED_TRACE(other.toStdString());
    Page p;
    p.st().level = "5";
    BrowserTimer browser{*p.page};
    browser.click("btnnext");
    browser.advance(3000);
    p.reply(other);
    browser.advance(1000);
    EXPECT_FALSE(p.st().btnSend) << "the GO has not answered yet";
    EXPECT_TRUE(p.st().timerEnabled);
    EXPECT_EQ(p.st().timerInterval, 1000);
    EXPECT_EQ(p.st().level, other.startsWith("read") ? "40" : "5");
    p.reply("done");
    browser.advance(1000);
    EXPECT_TRUE(p.st().btnSend && p.st().btnnext && p.st().btnback);
    EXPECT_FALSE(p.st().timerEnabled);
  }
  // Without a later "done" the GO still ends in "No Response".
  Page p;
  BrowserTimer browser{*p.page};
  browser.click("btnback");
  p.reply("save");
  browser.advance(1000);
  browser.advance(11000);
  EXPECT_EQ(p.memoTop(), "No Response");
  EXPECT_TRUE(p.st().btnSend && p.st().btnnext && p.st().btnback);
}

TEST(RemotePage, ReadWhileAGoWaits) {
  Page p;
  p.st().chnl = "7";
  BrowserTimer browser{*p.page};
  browser.click("btnnext");
  browser.click("btnRead");
  EXPECT_EQ(p.st().timerInterval, 100);
  p.reply("read33");
  browser.advance(100);
  EXPECT_EQ(p.st().level, "33");
  EXPECT_FALSE(p.st().btnnext);
  EXPECT_EQ(p.st().timerInterval, 1000) << "back to the GO's pace";
  p.reply("done");
  browser.advance(1000);
  EXPECT_TRUE(p.st().btnnext);
}

TEST(RemotePage, PostedTextsCarryNoLineBreakAndAreBounded) {
  Page p;
  const QString line = "12@50\r\nplay 1\n";
  const QString channel = "4\r\n", level = "1234";
  p.page->setPostedTexts(&line, &channel, &level);
  EXPECT_EQ(p.st().IWEdit1, "12@50play 1");
  EXPECT_EQ(p.st().chnl, "4");
  EXPECT_EQ(p.st().level, "123");
  p.click("btnSend");
  ASSERT_TRUE(p.console.waitForMessages(1));
  EXPECT_EQ(p.console.bytes().count(QByteArray("\r\0\n\0", 4)), 1) << "one event, one command";
  const QString longLine(5000, 'x');
  p.page->setPostedTexts(&longLine, nullptr, nullptr);
  EXPECT_EQ(p.st().IWEdit1.size(), RemotePage::kCommandLineMax);
  EXPECT_EQ(p.st().chnl, "12") << "texts not posted stay";
}

TEST(RemotePage, UnknownControlsAreRefused) {
  Page p;
  EXPECT_FALSE(p.page->dispatch("btn10"));
  EXPECT_FALSE(p.page->dispatch("Memo1"));
  EXPECT_FALSE(p.page->dispatch(""));
}

TEST(RemotePage, AConsoleWithoutItsPipeServer) {
  Page p(nullptr, /*consoleListening=*/false);
  EXPECT_EQ(p.st().Memo1, QStringList{"Unable to Connect"});
  p.click("btnRecord");
  EXPECT_EQ(p.st().Memo1, (QStringList{"Not Sent", "Unable to Connect", "Unable to Connect"}));
  // The connection is tried again before each send: once the console listens, it works.
  ASSERT_TRUE(p.console.start());
  p.click("btnRecord");
  EXPECT_EQ(p.st().Memo1.mid(0, 2), (QStringList{"Sent record", "Connected"}));
  EXPECT_EQ(p.sent(), QStringList{"record"});
}

TEST(RemotePage, TheConsoleStoppingItsPipeServerIsSeen) {
  Page p;
  ASSERT_TRUE(waitUntil([&] { return p.console.connections() == 1; }));
  p.console.stop();
  ASSERT_TRUE(waitUntil([&] { return p.memoTop() == "Disconnected"; }));
  p.click("btnRecord");
  EXPECT_EQ(p.st().Memo1.mid(0, 2), (QStringList{"Not Sent", "Unable to Connect"}));
}

TEST(RemotePage, DestroyingThePageClosesItsPipe) {
  Page p;
  ASSERT_TRUE(waitUntil([&] { return p.console.openConnections() == 1; }));
  p.page->IWAppFormDestroy();
  EXPECT_TRUE(waitUntil([&] { return p.console.openConnections() == 0; }));
}

}  // namespace
