// The Art-Net link and MIDI input on the real main window: the link from start-up to shut-down with
// nodes on loopback, the "MIDI Input" menu over a fake MIDI system, and MIDI driving the show.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "console/editors/submaster_window.h"
#include "console/engine/submasters.h"
#include "console/output/art_net_link.h"
#include "console/remote/midi_input.h"
#include "console/window/main_window.h"
#include "platform/ini_file.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"
#include "tests/support/event_wait.h"

namespace {

// A node on loopback that keeps the ArtDmx packets it receives.
struct Node {
  explicit Node(const QString& address, quint16 port = 0) {
    EXPECT_TRUE(socket.bind(QHostAddress(address), port, QAbstractSocket::DontShareAddress));
    QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
      while (socket.hasPendingDatagrams()) {
        QByteArray d(qsizetype(socket.pendingDatagramSize()), '\0');
        socket.readDatagram(d.data(), d.size());
        received.push_back(d);
      }
    });
  }
  QUdpSocket socket;
  std::vector<QByteArray> received;
};

class FakeMidiPort : public MidiPort {
 public:
  explicit FakeMidiPort(QStringList n, int* openedOut) : names(std::move(n)), opened(openedOut) {}
  QStringList deviceNames() override { return names; }
  bool open(int index, Sink sink) override {
    if (index == refuse || index >= names.size()) return false;
    *opened = index;
    sink_ = std::move(sink);
    return true;
  }
  void close() override {
    *opened = -1;
    sink_ = nullptr;
  }
  void send(std::initializer_list<uint8_t> bytes) {
    const std::vector<uint8_t> m(bytes);
    if (sink_) sink_(m);
  }
  QStringList names;
  int refuse = -1;
  int* opened;

 private:
  Sink sink_;
};

// The console on the Art-Net interface (600 channels: two universes) with both nodes on loopback and
// a show of three cues.
struct ArtNetConsole {
  QTemporaryDir dir;
  cue_test::CurrentDirGuard cwd;
  ConsoleState S;
  DialogRecorder dialogs;
  Node node1{"127.0.0.1"};
  Node node2{"127.0.0.2", node1.socket.localPort()};
  std::unique_ptr<Tform1> form;

  explicit ArtNetConsole(const QString& extraSettings = {}) {
    std::vector<CueRecord> cues;
    for (int n = 1; n <= 3; ++n) {
      CueRecord c = cue_test::cue(n * 100, QString("Cue %1").arg(n), 20, 20);
      c.channelCountField = 600 * 10 + 1;
      c.levels[0] = char(n * 50);
      cues.push_back(c);
    }
    cue_test::writeCueFile(dir.filePath("show.lcue"), cues);
    S.MainIniFile = dir.filePath("vqlighting.ini");
    cue_test::writeText(
        S.MainIniFile,
        QString("[Settings]\nMaxChannels=600\nDMXdevice=7\nConnection=2\nArtNode1=127.0.0.1\n"
                "ArtNode2=127.0.0.2\nFileSource=0\nFSPort=0\nOSCListen=0\n%1\n[CueFile]\nLast=%2\n")
            .arg(extraSettings, dir.filePath("show.lcue")));
    S.RemotePort = 0;
    S.ArtNetPort = 0;
    form = std::make_unique<Tform1>(S, QStringList{"vqlighting"}, nullptr);
    if (form->artNet()) form->artNet()->setDestinationPort(node1.socket.localPort());
  }
  // Opens the interface and the show; the show's side-file questions get their default answers, and
  // the interface reports no problem.
  void start() {
    dialogs.answerDefaults = true;
    form->StartupStage2();
    form->FormActivate();
    for (const MessageSpec& d : dialogs.shown) {
      EXPECT_FALSE(d.text.contains("What happened?")) << d.text.toStdString();
      EXPECT_NE(d.title, "Communications Error");
      EXPECT_NE(d.title, "Interface Mismatch");
    }
    dialogs.shown.clear();
    dialogs.answerDefaults = false;
  }
  QStringList midiItems() const {
    QStringList out;
    for (QAction* a : form->MIDIInput1->actions()) out << a->text() + (a->isChecked() ? " *" : "");
    return out;
  }
};

}  // namespace

TEST(ArtNetWindow, UniversesGoOutFromTheFirstFrameAndTheLinkEndsWithTheConsole) {
  ArtNetConsole c;
  ASSERT_NE(c.form->artNet(), nullptr);
  c.start();
  waitForEvents([&] { return !c.node1.received.empty() && !c.node2.received.empty(); });
  EXPECT_TRUE(c.S.InterfaceOpen);
  EXPECT_TRUE(c.dialogs.shown.empty()) << c.dialogs.shown[0].text.toStdString();
  // Universe 0 to ArtNode1 and universe 1 to ArtNode2, each a whole ArtDmx.
  for (const QByteArray& d : c.node1.received) {
    ASSERT_EQ(d.size(), 530);
    EXPECT_EQ(d.left(12), QByteArray("Art-Net\0\x00\x50\x00\x0e", 12));
    EXPECT_EQ(d[14], '\0');
  }
  for (const QByteArray& d : c.node2.received) EXPECT_EQ(d[14], '\1');
  EXPECT_EQ(c.node1.received.size(), c.node2.received.size());

  // Closing sends the warm-up frame through the link, then frees it and its port.
  const quint16 port = c.form->artNet()->port();
  const size_t before = c.node1.received.size();
  c.form->close();
  EXPECT_EQ(c.form->artNet(), nullptr);
  QUdpSocket again;
  EXPECT_TRUE(again.bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress));
  waitForEvents([&] { return c.node1.received.size() > before; });
  EXPECT_GT(c.node1.received.size(), before);
}

TEST(ArtNetWindow, APortInUseIsReportedAndStartUpGoesOn) {
  QUdpSocket holder;
  ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
  QTemporaryDir dir;
  ConsoleState S;
  S.MainIniFile = dir.filePath("vqlighting.ini");
  cue_test::writeText(S.MainIniFile, "[Settings]\nOSCListen=0\nFSPort=0\n");
  S.RemotePort = 0;
  S.ArtNetPort = holder.localPort();
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  Tform1 form(S, QStringList{"vqlighting"}, nullptr);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "ArtNet connection problem");
  EXPECT_EQ(dialogs.shown[0].text, "An ArtNet connection is already in use.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
  EXPECT_EQ(form.artNet(), nullptr);
  // A later creation (the inspection tool's poll) reports the error to its caller.
  EXPECT_THROW(form.createArtNetDecoder(), std::runtime_error);
  holder.close();
  EXPECT_NO_THROW(form.createArtNetDecoder());
  EXPECT_NE(form.artNet(), nullptr);
}

TEST(MidiWindow, TheMenuOffersTheDevicesAndOpensTheOneNamed) {
  ArtNetConsole c("MidiInPort=Pads & Knobs");
  // This machine has no MIDI system: "None" only, and nothing failed.
  EXPECT_EQ(c.midiItems(), QStringList{"None *"});
  EXPECT_EQ(c.S.MidiSurface, -1);
  EXPECT_EQ(c.S.MidiInPort, "Pads  Knobs") << "the name is kept without its \"&\"";

  int opened = -1;
  c.form->setMidiPort(std::make_unique<FakeMidiPort>(QStringList{"Fader Box", "Pads & Knobs"}, &opened));
  EXPECT_EQ(c.midiItems(), QStringList({"None", "Fader Box", "Pads && Knobs *"}));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(c.S.MidiSurface, 1);

  c.form->MidiDeviceItems[0]->trigger();
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(c.S.MidiSurface, 0);
  EXPECT_EQ(c.S.MidiInPort, "Fader Box");
  EXPECT_EQ(c.midiItems(), QStringList({"None", "Fader Box *", "Pads && Knobs"}));

  c.form->NoMidi1->trigger();
  EXPECT_EQ(opened, -1);
  EXPECT_EQ(c.S.MidiSurface, -1);
  EXPECT_EQ(c.S.MidiInPort, "None");
  EXPECT_EQ(c.midiItems(), QStringList({"None *", "Fader Box", "Pads && Knobs"}));
}

TEST(MidiWindow, AMissingOrFailingDeviceLeavesNone) {
  ArtNetConsole c("MidiInPort=Gone");
  int opened = -1;
  c.form->setMidiPort(std::make_unique<FakeMidiPort>(QStringList{"Fader Box"}, &opened));
  EXPECT_EQ(c.midiItems(), QStringList({"None *", "Fader Box"}));
  EXPECT_EQ(opened, -1);
  EXPECT_EQ(c.S.MidiSurface, -1);

  c.S.MidiInPort = "Fader Box";
  auto refusing = std::make_unique<FakeMidiPort>(QStringList{"Fader Box"}, &opened);
  refusing->refuse = 0;
  c.form->setMidiPort(std::move(refusing));
  EXPECT_EQ(c.midiItems(), QStringList({"None *", "Fader Box"}));
  EXPECT_EQ(c.S.MidiSurface, -1);
  EXPECT_EQ(c.S.MidiInPort, "None");
  EXPECT_TRUE(c.dialogs.shown.empty());
}

TEST(MidiWindow, NotesAndProgramsDriveTheShowOnceItIsRead) {
  ArtNetConsole c("MidiInPort=Fader Box");
  int opened = -1;
  auto port = std::make_unique<FakeMidiPort>(QStringList{"Fader Box"}, &opened);
  FakeMidiPort* midi = port.get();
  c.form->setMidiPort(std::move(port));
  ASSERT_EQ(opened, 0);

  // Before the show is read nothing is acted on, and nothing is kept for later.
  midi->send({0x90, 3, 100});
  QCoreApplication::processEvents();
  EXPECT_EQ(c.form->midiInput().MessageCount(), 0);
  c.start();
  ASSERT_TRUE(c.S.MidiReady);
  const int rowBefore = c.S.Rows.CurrentCue;
  QCoreApplication::processEvents();
  EXPECT_EQ(c.S.Rows.CurrentCue, rowBefore);
  EXPECT_TRUE(c.form->currentcue1->text().isEmpty());

  // Note 3 is cue 2: selected and played.
  midi->send({0x91, 3, 0});
  waitForEvents([&] { return c.form->currentcue1->text() == "2"; });
  EXPECT_EQ(c.form->currentRow(), 2);
  // Program change 2 selects cue 1 without playing it.
  midi->send({0xC0, 2, 0});
  waitForEvents([&] { return c.form->currentRow() == 1; });
  EXPECT_EQ(c.S.Rows.CurrentCue, 1);
  EXPECT_EQ(c.form->currentcue1->text(), "2");
  EXPECT_TRUE(c.dialogs.shown.empty());

  // Shut-down closes the input and keeps the device's name.
  c.form->close();
  EXPECT_EQ(opened, -1);
  EXPECT_EQ(IniFile(c.S.MainIniFile).readString("Settings", "MidiInPort", ""), "Fader Box");
}

// Controllers 3-10 move the submaster faders and the output, a strip with no submaster moves
// nothing, and while the device is in use the window's faders refuse the mouse.
TEST(MidiWindow, ControllersMoveTheSubmasterFaders) {
  ArtNetConsole c("MidiInPort=Fader Box");
  cue_test::writeText(c.dir.filePath("show.subs"),
                      "[Submasters]\r\nsubtitle0=Wash\r\n[SubmasterLevels]\r\nSublevels0=255,0,200,\r\n");
  int opened = -1;
  auto port = std::make_unique<FakeMidiPort>(QStringList{"Fader Box"}, &opened);
  FakeMidiPort* midi = port.get();
  c.form->setMidiPort(std::move(port));
  c.start();
  TForm3& subs = c.form->submasters();
  ASSERT_EQ(subs.title(0), "Wash");

  midi->send({0xB0, 3, 127});
  waitForEvents([&] { return subs.fader(0) == 100; });
  EXPECT_EQ(c.S.MidiControls[0], 100);
  EXPECT_EQ(c.S.DmxOutBuffer[0], 255);
  EXPECT_EQ(c.S.DmxOutBuffer[2], 200);
  // Controller 23 picks strip 1 up: it never pulls the fader below where controller 3 left it.
  midi->send({0xB0, 23, 64});
  waitForEvents([&] { return c.form->midiInput().MessageCount() == 0; });
  EXPECT_EQ(subs.fader(0), 100);
  midi->send({0xB0, 3, 0});
  waitForEvents([&] { return subs.fader(0) == 0; });
  EXPECT_EQ(c.S.DmxOutBuffer[0], 0);

  midi->send({0xB0, 4, 127});  // strip 2 holds no submaster
  QCoreApplication::processEvents();
  EXPECT_EQ(subs.fader(1), 0);

  c.dialogs.answer(DialogResult::Cancel);
  EXPECT_TRUE(subs.engine().faderPressed(0, false));
  EXPECT_EQ(c.dialogs.count("Midi device active"), 1);
}
