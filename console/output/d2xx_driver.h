#pragma once

// The calls of the FTDI D2XX programming interface that the console uses, as an interface of our
// own. Status codes are the D2XX ones: 0 success, 1 invalid handle, 2 device not found, 3 device not
// opened, 4 I/O error, ... 17 other error.

#include <cstdint>

using FT_STATUS = uint32_t;
using FT_HANDLE = void*;

namespace FtStatus {
inline constexpr FT_STATUS Ok = 0;
inline constexpr FT_STATUS InvalidHandle = 1;
inline constexpr FT_STATUS DeviceNotFound = 2;
inline constexpr FT_STATUS DeviceNotOpened = 3;
inline constexpr FT_STATUS IoError = 4;
inline constexpr FT_STATUS InsufficientResources = 5;
inline constexpr FT_STATUS InvalidParameter = 6;
inline constexpr FT_STATUS OtherError = 17;
}  // namespace FtStatus

// Flags of ListDevices and OpenEx.
namespace FtFlag {
inline constexpr uint32_t ListNumberOnly = 0x80000000;
inline constexpr uint32_t ListByIndex = 0x40000000;
inline constexpr uint32_t OpenBySerialNumber = 1;
inline constexpr uint32_t OpenByDescription = 2;
}  // namespace FtFlag

class D2xxDriver {
 public:
  virtual ~D2xxDriver() = default;
  // ListDevices with ListNumberOnly: the number of devices connected.
  virtual FT_STATUS listDeviceCount(uint32_t& count) = 0;
  // ListDevices with ListByIndex | OpenBySerialNumber or | OpenByDescription: the device's serial
  // number or description, NUL-terminated, into `buffer` of `size` bytes.
  virtual FT_STATUS listDeviceByIndex(uint32_t index, char* buffer, uint32_t size, uint32_t flags) = 0;
  // OpenEx with OpenBySerialNumber.
  virtual FT_STATUS openEx(const char* serial, uint32_t flags, FT_HANDLE& handle) = 0;
  virtual FT_STATUS close(FT_HANDLE handle) = 0;
  // Read returns when `count` bytes arrived or the read timeout passed, with what arrived.
  virtual FT_STATUS read(FT_HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t& bytesRead) = 0;
  virtual FT_STATUS write(FT_HANDLE handle, const uint8_t* buffer, uint32_t count,
                          uint32_t& bytesWritten) = 0;
  virtual FT_STATUS resetDevice(FT_HANDLE handle) = 0;
  virtual FT_STATUS setTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) = 0;
  virtual FT_STATUS getQueueStatus(FT_HANDLE handle, uint32_t& queued) = 0;
};
