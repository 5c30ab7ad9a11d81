#include "console/output/interface_selection.h"

#include "console/engine/console_state.h"
#include "platform/ini_file.h"
#include "platform/operator.h"
#include "platform/processes.h"

const std::array<DmxInterfaceItem, 9> DmxInterfaceTable{{
    {"Enttec USB Pro", kInterfaceUsbPro, true, 1024},
    {"Enttec USB Pro Mk2", kInterfaceProMk2, true, 0},
    {"Velleman VM116", kInterfaceVelleman, false, 512},
    {"DMXking USBultra Micro", kInterfaceUsbPro, true, 0},
    {"DMXking USBultra Pro", kInterfaceDmxKing, true, 0},
    {"Eurolite DMX512 interface/update", kInterfaceEurolite, false, 512},
    {"Eurolite DMX512 Pro", kInterfaceEurolitePro, true, 512},
    {"Art-Net", kInterfaceArtNet, true, 1024},
    {"Enttec USB Open", kInterfaceEurolite, false, 512},
}};

const std::array<DmxConnectionItem, 3> DmxConnectionTable{{
    {"Virtual USB Serial Port", 0, true},
    {"Direct D2XX", 1, false},
    {"Art-Net", 3, true},
}};

namespace {
constexpr int kArtNetItem = 7;
constexpr int kVellemanItem = 2;
constexpr int kEnttecOpenItem = 8;

bool isWidgetType(int type) {
  return type == kInterfaceUsbPro || type == kInterfaceDmxKing || type == kInterfaceProMk2 ||
         type == kInterfaceEurolitePro;
}
}  // namespace

int startupChannelCap(int interfaceType) {
  switch (interfaceType) {
    case kInterfaceUsbPro:
    case kInterfaceVelleman:
    case kInterfaceEurolitePro:
    case kInterfaceNone:
      return 512;
    default:
      return 1024;
  }
}

InterfaceChange chooseInterfaceItem(int index, const ConsoleState& state) {
  InterfaceChange change;
  if (index < 0 || index >= int(DmxInterfaceTable.size())) index = 0;
  const DmxInterfaceItem& item = DmxInterfaceTable[size_t(index)];
  change.DmxDeviceIndex = index;
  change.DmxConnection = state.DmxConnection;
  change.channelCap = item.channelCap;
  // Only these items set the type in memory; for the others it takes effect through the restart.
  if (index == kVellemanItem || item.type == kInterfaceEurolitePro || item.type == kInterfaceArtNet)
    change.InterfaceType = item.type;

  if (item.type == kInterfaceEurolite) {
    // "Eurolite DMX512 interface/update" stores the connection only; "Enttec USB Open" also sets it.
    if (index == kEnttecOpenItem) change.DmxConnection = 1;
    change.settings.emplace_back("Connection", "1");
  } else if (item.type == kInterfaceArtNet) {
    change.DmxConnection = 2;
    change.settings.emplace_back("Connection", "2");
    change.showInspectionTool = true;
  } else if (isWidgetType(item.type) && state.DmxConnection == 2) {
    // A widget is never reached over Art-Net.
    change.DmxConnection = 0;
    change.settings.emplace_back("Connection", "0");
  }
  if (index != kVellemanItem) change.settings.emplace_back("DMXdevice", QString::number(index));
  return change;
}

InterfaceChange chooseConnectionItem(int index, const ConsoleState& state) {
  InterfaceChange change;
  change.DmxDeviceIndex = state.DmxDeviceIndex;
  if (index == 2) {
    change.DmxDeviceIndex = kArtNetItem;
    change.InterfaceType = DmxInterfaceTable[kArtNetItem].type;
    change.DmxConnection = 2;
    change.settings = {{"Connection", "2"}, {"DMXdevice", QString::number(kArtNetItem)}};
    change.channelCap = DmxInterfaceTable[kArtNetItem].channelCap;
    change.showInspectionTool = true;
    return change;
  }
  change.DmxConnection = index == 1 ? 1 : 0;
  change.settings = {{"Connection", QString::number(change.DmxConnection)}};
  return change;
}

InterfaceChange choosePortItem(const QString& port, const ConsoleState& state) {
  InterfaceChange change;
  change.DmxDeviceIndex = state.DmxDeviceIndex;
  change.InterfacePort = port;
  change.DmxConnection = 0;
  change.settings = {{"Connection", "0"}};
  return change;
}

void applyInterfaceChange(const InterfaceChange& change, ConsoleState& state) {
  state.DmxDeviceIndex = change.DmxDeviceIndex;
  if (change.InterfaceType) state.InterfaceType = *change.InterfaceType;
  state.DmxConnection = change.DmxConnection;
  if (change.InterfacePort) {
    state.InterfacePort = *change.InterfacePort;
    state.ComPort = *change.InterfacePort;  // the port chosen is the one the next start opens
  }
  if (change.channelCap > 0 && state.MaxChannels > change.channelCap) {
    state.MaxChannels = change.channelCap;
    state.MaxChannelIndex = change.channelCap - 1;
  }
}

void writeInterfaceSettings(const InterfaceChange& change, IniFile& ini) {
  for (const auto& [key, value] : change.settings) ini.writeString("Settings", key, value);
}

void announceRestart(Operator& op) {
  op.ask("Interface change", "Changing the DMX interface requires a restart.", DialogIcon::Warning,
         DialogButtons::Ok);
  startProgram("restartvql");
}
