// OSC text commands and the dispatch of received datagrams to them.

#include "console/remote/osc_input.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "tests/remote/osc_test_support.h"
#include "tests/support/dialog_recorder.h"

namespace {

const QStringList kPlayCue3 = {"selectRow 3", "CueListClicked 0", "btnPlayClick"};

struct CommandCase {
  const char* command;
  QStringList calls;
  bool error;  // "OSC message error" shown
};

class OscCommandTable : public ::testing::TestWithParam<CommandCase> {};

TEST_P(OscCommandTable, CarriesOutOrRejects) {
  const CommandCase& c = GetParam();
  FakeOscHost host;
  OscInput input(host, testOperator());
  DialogRecorder dialogs;
  if (c.error) dialogs.answer(DialogResult::Ok);

  input.ParseOSCmsg(QString::fromUtf8(c.command));

  EXPECT_EQ(host.calls, c.calls);
  ASSERT_EQ(dialogs.shown.size(), c.error ? 1u : 0u);
  if (c.error) {
    EXPECT_EQ(dialogs.shown[0].title, "OSC message error");
    EXPECT_EQ(dialogs.shown[0].text,
              "OSC message \"" + QString::fromUtf8(c.command) + "\"\n\rcould not be recognized.");
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::Ok);
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Information);
  }
}

// Cues of the fake: 1, 2, 3, 3.5, 5, 12.5 on rows 1 to 6.
INSTANTIATE_TEST_SUITE_P(
    Commands, OscCommandTable,
    ::testing::Values(
        CommandCase{"play 3", kPlayCue3, false}, CommandCase{"PLAY 3", kPlayCue3, false},
        CommandCase{"Play 3.00", kPlayCue3, false},
        CommandCase{"play 2.999", kPlayCue3, false},  // 299.9 rounds to 300
        CommandCase{"play 12.5", {"selectRow 6", "CueListClicked 0", "btnPlayClick"}, false},
        CommandCase{"play 99", {"btnPlayClick"}, false},  // no such cue: GO on the current one
        CommandCase{"goto 3.5", {"selectRow 4", "CueListClicked 0"}, false},
        CommandCase{"goto   5 ", {"selectRow 5", "CueListClicked 0"}, false},
        CommandCase{"goto 99", {}, false}, CommandCase{"goto 1e2", {}, false},
        CommandCase{"black", {"btnBlackClick"}, false}, CommandCase{"blackout now", {"btnBlackClick"}, false},
        CommandCase{"enable", {"Readosc", "setEosenabled 1"}, false}, CommandCase{"end", {"keyend"}, false},
        CommandCase{"END", {"keyend"}, false}, CommandCase{"", {}, false},
        // Errors: no number, not a number, nothing that matches.
        CommandCase{"play", {}, true}, CommandCase{"play3", {}, true}, CommandCase{"play ", {}, true},
        CommandCase{"play x", {}, true}, CommandCase{"goto three", {}, true},
        CommandCase{"play inf", {}, true}, CommandCase{"play nan", {}, true},
        CommandCase{"goto 3.5.1", {}, true}, CommandCase{"hello", {}, true}, CommandCase{"5", {}, true},
        CommandCase{"stop", {}, true}, CommandCase{"pläy 3", {}, true}));

TEST(OscCommands, CueNumbersTakeThePointWhateverTheLocale) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.ParseOSCmsg("goto 3.5");
  input.ParseOSCmsg("goto 12,5");  // the locale's own separator is understood as well
  QLocale::setDefault(saved);
  EXPECT_EQ(host.calls, (QStringList{"selectRow 4", "CueListClicked 0", "selectRow 6", "CueListClicked 0"}));
}

TEST(OscCommands, EngineFailureIsReportedAsUnrecognised) {
  FakeOscHost host;
  host.throwOn = "CueListClicked";
  OscInput input(host, testOperator());
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  input.ParseOSCmsg("play 3");
  EXPECT_EQ(host.calls, (QStringList{"selectRow 3", "CueListClicked 0"}));  // no GO after the failure
  EXPECT_EQ(dialogs.count("OSC message error"), 1);
}

TEST(OscCommands, CommandsAreLoggedAboveLevelZero) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.ParseOSCmsg("end");
  host.logLevel = 0;
  input.ParseOSCmsg("black");
  EXPECT_EQ(host.logLines, QStringList{"OSC In: end"});
}

TEST(OscCommands, EnableAndDisableDriveTheBandsAndTheFlag) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  host.bands = &input.bands();
  input.bands().setBand(1, "|1|2|");
  input.bands().setBand(3, "|7|");
  host.readoscMinimums = {0, 40, 0, 60, 0};

  input.ParseOSCmsg("enable");
  EXPECT_TRUE(host.eosenabled);
  EXPECT_EQ(input.bands().S2LMinimum(1), 40);
  EXPECT_EQ(input.bands().S2LMinimum(3), 60);
  for (int a : {1, 2, 7}) EXPECT_EQ(host.output[a], -1) << "enable sets no level";

  input.ParseOSCmsg("disable");
  EXPECT_FALSE(host.eosenabled);
  for (int b = 1; b <= 4; ++b) EXPECT_EQ(input.bands().S2LMinimum(b), 0);
  for (int a : {1, 2, 7}) EXPECT_EQ(host.output[a], 0) << a;
  EXPECT_EQ(host.sendDmxCount, 2);  // bands 2 and 4 are empty and send nothing
}

// A command that arrives while another still runs (here: inside GO, which lets events run) waits
// until the running one is done.
TEST(OscCommands, ACommandArrivingDuringAnotherRunsAfterIt) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  const OscBytes black = oscString("/vqlight", "black");
  host.onCall = [&](const QString& what) {
    if (what == "btnPlayClick") {
      input.handleDatagram(bytesOf(black));
      host.calls << "btnPlayClick returns";
    }
  };
  input.handleDatagram(bytesOf(oscString("/vqlight", "play 99")));
  EXPECT_EQ(host.calls, (QStringList{"btnPlayClick", "btnPlayClick returns", "btnBlackClick"}));
}

// While the error dialog is open, input goes on; a second error is logged, not stacked.
TEST(OscCommands, OneErrorDialogAtATime) {
  FakeOscHost host;
  host.logLevel = 0;
  OscInput input(host, testOperator());
  DialogRecorder dialogs;
  bool nested = false;
  setDialogHandler([&](const MessageSpec& spec) {
    dialogs.shown.push_back(spec);
    if (!nested) {
      nested = true;
      input.handleDatagram(bytesOf(oscString("/vqlight", "world")));
      input.handleDatagram(bytesOf(oscString("/vqlight", "end")));
    }
    return DialogResult::Ok;
  });
  input.handleDatagram(bytesOf(oscString("/vqlight", "hello")));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "OSC message \"hello\"\n\rcould not be recognized.");
  EXPECT_EQ(host.calls, QStringList{"keyend"});
  EXPECT_EQ(host.logLines, QStringList{"OSC message error: OSC message \"world\" could not be recognized."});

  // Once it is closed, the next error shows again.
  input.handleDatagram(bytesOf(oscString("/vqlight", "again")));
  EXPECT_EQ(dialogs.shown.size(), 2u);
}

// ---- Datagrams ----------------------------------------------------------------------------------

struct DatagramCase {
  const char* name;
  OscBytes datagram;
  QStringList calls;
  QString error;  // the command text in "OSC message error", empty when none
};

void PrintTo(const DatagramCase& c, std::ostream* os) { *os << c.name; }

class OscDatagramTable : public ::testing::TestWithParam<DatagramCase> {};

TEST_P(OscDatagramTable, ReachesTheCommands) {
  const DatagramCase& c = GetParam();
  FakeOscHost host;
  OscInput input(host, testOperator());
  DialogRecorder dialogs;
  if (!c.error.isEmpty()) dialogs.answer(DialogResult::Ok);

  input.handleDatagram(bytesOf(c.datagram));

  EXPECT_EQ(host.calls, c.calls);
  ASSERT_EQ(dialogs.shown.size(), c.error.isEmpty() ? 0u : 1u);
  if (!c.error.isEmpty()) {
    EXPECT_EQ(dialogs.shown[0].text, "OSC message \"" + c.error + "\"\n\rcould not be recognized.");
  }
}

OscBytes truncated(OscBytes b) {
  b.resize(b.size() - 2);
  return b;
}

OscBytes withTypeTag(const std::string& address, const std::string& tags) {
  OscBytes b = PackOscString(address);
  const OscBytes t = PackOscString(tags);
  b.insert(b.end(), t.begin(), t.end());
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Datagrams, OscDatagramTable,
    ::testing::Values(
        DatagramCase{"string", oscString("/vqlight", "play 3"), kPlayCue3, ""},
        DatagramCase{
            "play_address", oscString("/vqlight/play", "goto 2"), {"selectRow 2", "CueListClicked 0"}, ""},
        DatagramCase{"play_address_integer", oscInt("/vqlight/play", 3), {}, ""},  // empty text: nothing
        DatagramCase{"integer", oscInt("/vqlight", 5), {}, "5"},
        DatagramCase{"float", oscFloat("/vqlight", 2.5f), {}, "2.5"},
        DatagramCase{"no_argument", oscMessage("/vqlight"), {}, "UNKNOWN_TYPETAG"},
        DatagramCase{"wildcard", oscString("/vq*", "black"), {"btnBlackClick"}, ""},
        DatagramCase{"set_wildcard", oscString("/vqligh[a-z]", "end"), {"keyend"}, ""},
        DatagramCase{
            "bundle_first_match",
            oscBundle({oscString("/x", "end"), oscString("/vqlight", "black"), oscString("/vqlight", "end")}),
            {"btnBlackClick"},
            ""},
        DatagramCase{"nested_bundle", oscBundle({oscBundle({oscString("/vqlight", "end")})}), {"keyend"}, ""},
        DatagramCase{"other_address", oscString("/vqlights", "black"), {}, ""},
        DatagramCase{"case_matters", oscString("/VQLIGHT", "black"), {}, ""},
        DatagramCase{"truncated", truncated(oscString("/vqlight", "black")), {}, ""},
        DatagramCase{"tag_without_data", withTypeTag("/vqlight", ",T"), {}, "UNKNOWN_TYPETAG"},
        DatagramCase{"unknown_type_tag", withTypeTag("/vqlight", ",x"), {}, "UNKNOWN_TYPETAG"},
        DatagramCase{"blob_type_tag", withTypeTag("/vqlight", ",b"), {}, ""},
        DatagramCase{"empty", OscBytes{}, {}, ""}, DatagramCase{"garbage", OscBytes{'#', 1, 2, 3}, {}, ""}));

TEST(OscDatagrams, ArgumentTextIsKept) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.handleDatagram(bytesOf(oscString("/vqlight", "goto 2")));
  EXPECT_EQ(input.OSCArgument(), "goto 2");
  input.handleDatagram(bytesOf(oscString("/elsewhere", "x")));
  EXPECT_EQ(input.OSCArgument(), "");
}

TEST(OscDatagrams, TheCommandAddressIsASetting) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  input.setOSCAddress("/stage/console");
  input.handleDatagram(bytesOf(oscString("/vqlight", "black")));
  input.handleDatagram(bytesOf(oscString("/stage/console", "end")));
  input.handleDatagram(bytesOf(oscString("/stage/console/play", "black")));
  EXPECT_EQ(host.calls, (QStringList{"keyend", "btnBlackClick"}));
}

TEST(OscDatagrams, UnicodeCommandTextIsReportedAsReceived) {
  FakeOscHost host;
  OscInput input(host, testOperator());
  DialogRecorder dialogs;
  dialogs.answer(DialogResult::Ok);
  input.handleDatagram(bytesOf(oscString("/vqlight", "Grüße")));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(dialogs.shown[0].text.contains(QString::fromUtf8("\"Grüße\"")));
}

}  // namespace
