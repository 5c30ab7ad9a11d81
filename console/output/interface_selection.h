#pragma once

// The interface vocabulary: the items of "Select DMX interface" and "Select Connection type", what
// choosing one changes and stores, and the channel cap of each interface type. Pure: the main window
// applies the change, writes the settings, shows the notice and restarts through the helper.

#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

struct ConsoleState;
class IniFile;
class Operator;

struct DmxInterfaceItem {
  const char* caption;
  int type;        // the item's Tag: the InterfaceType it selects
  bool shown;      // hidden items are chosen only through the settings file
  int channelCap;  // cap applied to MaxChannels in memory when chosen; 0 = none
};

// Index = DMXdevice.
extern const std::array<DmxInterfaceItem, 9> DmxInterfaceTable;

struct DmxConnectionItem {
  const char* caption;
  int tag;
  bool shown;
};
extern const std::array<DmxConnectionItem, 3> DmxConnectionTable;

// The channel count start-up allows for an interface type: 512 on the single-universe types (0, 1,
// 5 and 7), 1024 where a second universe is sent.
int startupChannelCap(int interfaceType);

// What choosing a menu item changes.
struct InterfaceChange {
  int DmxDeviceIndex = 0;
  std::optional<int> InterfaceType;  // set by the items that set the type in memory
  int DmxConnection = 0;
  std::optional<QString> InterfacePort;
  // [Settings] keys to write, in this order.
  std::vector<std::pair<QString, QString>> settings;
  int channelCap = 0;               // 0 = none
  bool showInspectionTool = false;  // the Art-Net items let the operator pick the nodes first
};

// An item of "Select DMX interface" (index 0-8). Choosing a widget interface while the connection is
// Art-Net puts the connection back to the virtual serial port.
InterfaceChange chooseInterfaceItem(int index, const ConsoleState& state);
// An item of "Select Connection type" (index 0-2).
InterfaceChange chooseConnectionItem(int index, const ConsoleState& state);
// A port item under "Virtual USB Serial Port".
InterfaceChange choosePortItem(const QString& port, const ConsoleState& state);

// Updates the engine state: DmxDeviceIndex, InterfaceType, DmxConnection, InterfacePort, the cap.
void applyInterfaceChange(const InterfaceChange& change, ConsoleState& state);
// Writes the change's keys into section "Settings".
void writeInterfaceSettings(const InterfaceChange& change, IniFile& ini);
// The notice "Changing the DMX interface requires a restart." to `op`, then the restart helper is
// started; the caller closes the main window afterwards.
void announceRestart(Operator& op);
