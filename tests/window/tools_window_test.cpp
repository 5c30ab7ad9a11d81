// The inspection tool on the real main window: logging while it is shown, the bounded memo, DMX
// input from the widget simulator, the follow-spot test line on loopback, Art-Net nodes on loopback
// and the fixture map behind its fields.

#include "console/editors/tools_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include "console/output/art_net_link.h"
#include "console/output/widget_link.h"
#include "console/patch/fixture_library.h"
#include "console/patch/soft_patch_file.h"
#include "tests/window/console_window_fixture.h"

namespace {

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ToolConsole : ConsoleWindow {
  Ttools& tool() { return *form->tools; }
  void startShow() {
    writeShow({cue(100, {{1, 50}})});
    for (int i = 0; i < 8; ++i) dialogs.answer(DialogResult::No);  // new side files from scratch
    start();
    dialogs.answers.clear();
    ASSERT_TRUE(QFile::exists(S.FixtureMapFile));
    ASSERT_NE(form->tools, nullptr);
    dialogs.shown.clear();
    dialogs.answerDefaults = false;
    // A fixture library of the test's own: the program folder's is shared with the tests that run
    // beside this one, and the hints read it whenever the map changes.
    S.FixtureLibraryFile = path("show.lfix");
    ASSERT_TRUE(writeFixtureLibrary(S.FixtureLibraryFile, {}).ok());
  }
};

}  // namespace

TEST(InspectionTool, LoggingFollowsTheWindowAndTheMemoIsBounded) {
  ToolConsole c;
  c.startShow();
  c.S.LogLevel = 2;
  c.S.toolsLeft = 30;
  c.S.toolsTop = 40;
  c.tool().show();
  EXPECT_EQ(c.S.LogLevel, 1);
  EXPECT_EQ(c.tool().windowTitle(), "Inspection Tool");
  EXPECT_FALSE(c.tool().mem->text().isEmpty());

  c.form->toolLog("first trace");
  EXPECT_EQ(c.tool().logLines().last(), "first trace");
  for (int i = 0; i < Ttools::kMaxLogLines + 500; ++i) c.form->toolLog("Sent: " + QString::number(i));
  const QStringList lines = c.tool().logLines();
  EXPECT_EQ(lines.size(), Ttools::kMaxLogLines);
  EXPECT_EQ(lines.last(), "Sent: " + QString::number(Ttools::kMaxLogLines + 499));
  EXPECT_LE(c.form->ToolLogLines.size(), Ttools::kMaxLogLines);

  // The key last pressed in the main window, as its key code.
  c.form->FormKeyDown(QKeyEvent(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier));
  EXPECT_EQ(c.tool().keyp->text(), "118");

  c.tool().Button1->click();
  EXPECT_TRUE(c.tool().logLines().isEmpty());
  EXPECT_TRUE(c.form->ToolLogLines.isEmpty());

  c.tool().resize(c.tool().width() + 20, c.tool().height() + 30);
  const QSize size = c.tool().size();
  c.tool().close();
  EXPECT_EQ(c.S.LogLevel, 0);
  EXPECT_EQ(c.S.toolsWidth, size.width());
  EXPECT_EQ(c.S.toolsHeight, size.height());
  c.S.LogLevel = -1;
  c.tool().show();
  EXPECT_EQ(c.S.LogLevel, 1);
  c.tool().reject();  // Esc closes it the same way
  EXPECT_EQ(c.S.LogLevel, 0);
}

TEST(InspectionTool, ReadsDmxInputFromTheWidget) {
  ToolConsole c;
  c.startShow();
  c.widget.setFrameHandler([&](const WidgetSimulator::Frame& f) {
    if (f.label == 8) c.widget.sendDmxInput(QByteArray("\x10\x20\xFF", 3));
  });
  c.tool().show();
  c.settle();
  c.widget.clearFrames();

  c.tool().Button7->click();
  EXPECT_EQ(c.tool().Button7->text(), "Reading...");
  EXPECT_TRUE(c.form->dmx()->link().ReadingDmxIn);
  waitForEvents([&] {
    for (const QString& l : c.tool().logLines())
      if (l.startsWith("DMX in: ")) return true;
    return false;
  });
  c.clock.advance(50);  // the read lasts 50 ms
  ASSERT_EQ(c.tool().Button7->text(), "Read DMX In");
  EXPECT_FALSE(c.form->dmx()->link().ReadingDmxIn);
  waitForEvents([&] { return c.widget.frames().size() >= 2; });
  std::vector<QByteArray> requests;
  for (const auto& f : c.widget.frames())
    if (f.label == 8 || (f.label == 6 && f.payload.size() == 1)) requests.push_back(f.raw);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], QByteArray("\x7E\x08\x01\x00\x00\xE7", 6));
  EXPECT_EQ(requests[1], QByteArray("\x7E\x06\x01\x00\x00\xE7", 6));
  EXPECT_TRUE(c.dialogs.shown.empty());

  // Closing during a read ends it.
  c.tool().Button7->click();
  c.tool().close();
  EXPECT_EQ(c.tool().Button7->text(), "Read DMX In");
  EXPECT_FALSE(c.form->dmx()->link().ReadingDmxIn);
}

TEST(InspectionTool, SendsTheTestLineToTheFollowSpotClient) {
  ToolConsole c;
  c.startShow();
  c.tool().show();
  c.tool().Mesg->setText("focus 3");
  c.tool().IPconnect->click();  // no client: nothing, no dialog
  EXPECT_TRUE(c.dialogs.shown.empty());

  QTcpSocket client;
  client.connectToHost(QHostAddress::LocalHost, c.form->remote()->followSpotPort());
  ASSERT_TRUE(client.waitForConnected(3000));
  waitForEvents([&] { return c.form->ToolSendCaption == "Send"; });
  c.tool().IPconnect->click();
  QByteArray got;
  waitForEvents([&] {
    got += client.readAll();
    return got.contains("focus 3\r\n");
  });
  EXPECT_TRUE(got.endsWith("focus 3\r\n"));
}

TEST(InspectionTool, PollFindsTheLoopbackNodesAndPicksThem) {
  ToolConsole c;
  c.S.ArtNetPort = 0;
  c.startShow();
  QUdpSocket node1, node2;
  ASSERT_TRUE(node1.bind(QHostAddress("127.0.0.1"), 0, QAbstractSocket::DontShareAddress));
  ASSERT_TRUE(node2.bind(QHostAddress("127.0.0.2"), node1.localPort(), QAbstractSocket::DontShareAddress));
  TMArtnetDecoder& link = c.form->createArtNetDecoder();
  link.setDestinationPort(node1.localPort());
  // Polls go to the loopback nodes only.
  setBroadcastSource([] {
    return QList<QHostAddress>{QHostAddress("127.0.0.1"), QHostAddress("127.0.0.2")};
  });
  auto reply = [](const char* longName, const QByteArray& ip) {
    QByteArray p(239, '\0');
    p.replace(0, 8, QByteArray("Art-Net\0", 8));
    p[9] = 0x21;
    p.replace(10, 4, ip);
    p.replace(44, qsizetype(strlen(longName)), longName);
    return p;
  };
  auto answer = [&](QUdpSocket& node, QByteArray packet, int delayMs) {
    QObject::connect(&node, &QUdpSocket::readyRead, &node, [&node, packet, delayMs, port = link.port()] {
      while (node.hasPendingDatagrams()) {
        QByteArray d(qsizetype(node.pendingDatagramSize()), '\0');
        node.readDatagram(d.data(), d.size());
        QTimer::singleShot(delayMs, &node, [&node, packet, port] {
          node.writeDatagram(packet, QHostAddress::LocalHost, port);
        });
      }
    });
  };
  answer(node1, reply("First node", QByteArray("\x7F\x00\x00\x01", 4)), 0);
  answer(node2, reply("Second node", QByteArray("\x7F\x00\x00\x02", 4)), 400);

  c.tool().show();
  c.tool().BitBtn3->click();
  EXPECT_EQ(c.tool().NetList->count(), 1);
  EXPECT_EQ(c.tool().NetList->currentText(), "127.0.0.1");
  waitForEvents([&] { return c.tool().NetList->count() == 2; });
  EXPECT_EQ(c.tool().NetList->itemText(1), "127.0.0.2");
  EXPECT_TRUE(c.tool().logLines().join("\n").contains("Second node"));

  c.tool().BitBtn4->click();
  c.tool().NetList->setCurrentIndex(1);
  c.tool().BitBtn5->click();
  EXPECT_EQ(c.S.ArtNode1, "127.0.0.1");
  EXPECT_EQ(c.S.ArtNode2, "127.0.0.2");
  setBroadcastSource([] { return QList<QHostAddress>{}; });

  // A poll nobody answered leaves the list empty: a pick then keeps the destination it had.
  c.tool().NetList->clear();
  for (const QString& typed : {QString(), QString("  ")}) {
    c.tool().NetList->setEditText(typed);
    c.tool().BitBtn4->click();
    c.tool().BitBtn5->click();
    EXPECT_EQ(c.S.ArtNode1, "127.0.0.1");
    EXPECT_EQ(c.S.ArtNode2, "127.0.0.2");
  }
}

TEST(InspectionTool, WriteAndReadOneAddressOfTheMap) {
  ToolConsole c;
  c.startShow();
  Ttools& t = c.tool();
  t.show();
  const QString map = c.S.FixtureMapFile;
  ASSERT_TRUE(QFile::exists(map));

  // Refused: the file is not touched.
  const QByteArray before = fileBytes(map);
  struct Refused {
    const char *rec, *addr, *min, *value, *color;
  };
  // The last channel's address (16 = MaxChannels) is refused like those beyond it.
  for (const Refused& r : {Refused{"15", "15", "20", "3", ""}, Refused{"16", "15", "-1", "4", "2"},
                           Refused{"17", "16", "20", "3", "1"}, Refused{"0", "1", "1", "1", "1"},
                           Refused{"5", "", "1", "1", "1"}}) {
    t.fmrec->setText(r.rec);
    t.fmaddr->setText(r.addr);
    t.fmmin->setText(r.min);
    t.fmvalue->setText(r.value);
    t.fmcolor->setText(r.color);
    t.BitBtn1->click();
    EXPECT_EQ(fileBytes(map), before) << r.rec << " " << r.color;
  }

  t.fmrec->setText("15");
  t.fmaddr->setText("15");
  t.fmmin->setText("-1");
  t.fmvalue->setText("4");
  t.fmcolor->setText("2");
  c.form->ChannelEdits[0]->setToolTip("stale hint");
  c.dialogs.answer(DialogResult::Ok);  // the hints, read again, find no type 4 in the library
  t.BitBtn1->click();
  EXPECT_NE(c.form->ChannelEdits[0]->toolTip(), "stale hint") << "the channel hints are read again";
  ASSERT_EQ(c.dialogs.count("Fixture list problem "), 1);
  c.dialogs.shown.clear();
  EXPECT_TRUE(t.fmaddr->text().isEmpty());
  EXPECT_TRUE(t.fmvalue->text().isEmpty());
  EXPECT_EQ(c.S.Fixtures.FixtureStart[15], 15);
  EXPECT_EQ(c.S.Fixtures.FixtureTypes[15], 4);
  EXPECT_EQ(c.S.Fixtures.FixtureAttributes[15], 2);
  EXPECT_EQ(c.S.Fixtures.WarmUpLevels[15], 0);

  t.fmmin->clear();
  t.fmcolor->clear();
  t.BitBtn2->click();
  EXPECT_EQ(t.fmaddr->text(), "15");
  EXPECT_EQ(t.fmmin->text(), "-1");
  EXPECT_EQ(t.fmvalue->text(), "4");
  EXPECT_EQ(t.fmcolor->text(), "2");
  // Read takes any address of the map, also beyond the channel count.
  t.fmrec->setText("1024");
  t.BitBtn2->click();
  EXPECT_EQ(t.fmaddr->text(), "0");
  t.fmrec->setText("1025");
  t.fmaddr->setText("x");
  t.BitBtn2->click();
  EXPECT_EQ(t.fmaddr->text(), "x") << "no such address";

  // The dump shows the record in the memo.
  t.Button2->click();
  const QStringList lines = t.logLines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines[0].startsWith("FMap[0] 0 0 ")) << lines[0].toStdString();
  EXPECT_TRUE(lines[0].endsWith(" 15 0 ")) << lines[0].toStdString();
  EXPECT_TRUE(c.dialogs.shown.empty());
}

TEST(InspectionTool, RebuildWithAMissingTypeLeavesTheMapAndWarmUpResetReloads) {
  ToolConsole c;
  c.startShow();
  Ttools& t = c.tool();
  t.show();
  c.S.FixtureLibraryFile = c.path("show.lfix");
  FixtureTypeRecord par;
  par.id = 3;
  par.name = "Par";
  par.channelCount = 1;
  ASSERT_TRUE(writeFixtureLibrary(c.S.FixtureLibraryFile, {par}).ok());
  t.fmrec->setText("5");
  t.fmaddr->setText("5");
  t.fmmin->setText("-1");
  t.fmvalue->setText("42");
  t.fmcolor->setText("0");
  c.dialogs.answer(DialogResult::Ok);  // the hints, read again, find no type 42 in the library
  t.BitBtn1->click();
  ASSERT_EQ(c.dialogs.count("Fixture list problem "), 1);
  c.dialogs.shown.clear();
  const QByteArray before = fileBytes(c.S.FixtureMapFile);

  c.dialogs.answer(DialogResult::Yes);
  c.dialogs.answer(DialogResult::Ok);
  t.btnRebuild->click();
  ASSERT_EQ(c.dialogs.shown.size(), 2u);
  EXPECT_EQ(c.dialogs.shown[0].title, "Rebuild fixture map");
  EXPECT_EQ(c.dialogs.shown[0].position, QPoint(200, 100));
  EXPECT_EQ(c.dialogs.shown[1].title, "Fixture file problem");
  EXPECT_EQ(c.dialogs.shown[1].text, "The light number42is missing.");
  EXPECT_EQ(fileBytes(c.S.FixtureMapFile), before);
  EXPECT_FALSE(QFile::exists(c.path("show.nmap")));

  c.S.WarmUp = 25;
  c.dialogs.answer(DialogResult::Ok);  // and again after the warm-up reset
  t.Button5->click();
  EXPECT_EQ(c.dialogs.count("Fixture list problem "), 1);
  EXPECT_EQ(c.S.Fixtures.WarmUpLevels[4], 25);
  EXPECT_EQ(c.S.Fixtures.WarmUpLevels[5], 0);

  t.Button4->click();
  EXPECT_EQ(t.logLines(), QStringList{"3 Par, "});
}

TEST(InspectionTool, NewMapReplacesTheFixturesAndHintsRebuildSavesThePatch) {
  ToolConsole c;
  c.startShow();
  Ttools& t = c.tool();
  t.show();
  t.fmrec->setText("3");
  t.fmaddr->setText("3");
  t.fmmin->setText("-1");
  t.fmvalue->setText("7");
  t.fmcolor->setText("99");
  c.dialogs.answer(DialogResult::Ok);  // the hints, read again, find no type 7 in the library
  t.BitBtn1->click();
  ASSERT_EQ(c.S.Fixtures.FixtureStart[3], 3);
  ASSERT_EQ(c.dialogs.count("Fixture list problem "), 1);
  c.dialogs.shown.clear();

  c.dialogs.answer(DialogResult::Cancel);
  t.Button3->click();
  EXPECT_EQ(c.S.Fixtures.FixtureStart[3], 3);
  c.dialogs.answer(DialogResult::Ok);
  c.dialogs.answer(DialogResult::No);  // no existing map as the base
  t.Button3->click();
  ASSERT_EQ(c.dialogs.shown.size(), 3u);
  EXPECT_EQ(c.dialogs.shown[1].text,
            "Just a reminder - this will create an all new file. Your current fixtures will be gone.");
  EXPECT_EQ(c.S.Fixtures.FixtureStart[3], 0);
  EXPECT_EQ(QFile(c.S.FixtureMapFile).size(), 8192);

  // Without fixtures the hints rebuild changes no description and saves the patch grid.
  c.dialogs.shown.clear();
  c.S.FixtureLibraryFile = c.path("show.lfix");
  ASSERT_TRUE(writeFixtureLibrary(c.S.FixtureLibraryFile, {}).ok());
  const QByteArray patch = fileBytes(c.S.SoftPatchFile);
  ASSERT_NE(patch, patchFileBytes(c.form->patchGrid()));  // still in the one-to-one file's form
  c.dialogs.answer(DialogResult::Ok);
  t.Button6->click();
  ASSERT_EQ(c.dialogs.shown.size(), 1u);
  EXPECT_EQ(c.dialogs.shown[0].text,
            "Clicking OK will rebuild the channel hints based on all the fixture addresses.");
  EXPECT_EQ(fileBytes(c.S.SoftPatchFile), patchFileBytes(c.form->patchGrid()));
}

// A node that answers (or announces itself) while the tool is open, without a poll of the tool's,
// shows in the log and the node list.
TEST(InspectionTool, AReplyArrivingWhileTheToolIsOpenIsLogged) {
  ToolConsole c;
  c.S.ArtNetPort = 0;
  c.startShow();
  TMArtnetDecoder& link = c.form->createArtNetDecoder();
  c.tool().show();
  QByteArray reply(239, '\0');
  reply.replace(0, 8, QByteArray("Art-Net\0", 8));
  reply[9] = 0x21;
  reply.replace(10, 4, QByteArray("\x7F\x00\x00\x01", 4));
  reply.replace(44, 9, "Late node");
  QUdpSocket node;
  ASSERT_TRUE(node.bind(QHostAddress::LocalHost, 0));
  node.writeDatagram(reply, QHostAddress::LocalHost, link.port());
  waitForEvents([&] { return c.tool().logLines().contains("Late node"); });
  ASSERT_TRUE(c.tool().logLines().contains("Late node"));
  EXPECT_TRUE(c.tool().logLines().contains("> 127.0.0.1"));
  EXPECT_EQ(c.tool().NetList->findText("127.0.0.1"), 0);
}
