#pragma once

// Direct access to an FTDI based widget without its virtual serial port: one open device, two fixed
// 64 KB transfer buffers and one error report per failed call. The device calls go through a
// D2xxDriver, so the console runs on libftdi1 (FtdiD2xxDriver) and tests run on a scripted driver.

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "console/output/d2xx_driver.h"

class Operator;

class D2XXUnit {
 public:
  // A failed call is reported to `op`.
  D2XXUnit(std::unique_ptr<D2xxDriver> driver, Operator& op);

  // Each returns the status of its call (0 = success) and reports a failure once, as an error
  // whose text is the call's label followed by the status's description.
  FT_STATUS GetFTDeviceCount();
  FT_STATUS GetFTDeviceSerialNo(uint32_t index);
  FT_STATUS GetFTDeviceDescription(uint32_t index);
  FT_STATUS Open_USB_Device_By_Serial_Number(const QString& serial);
  FT_STATUS CloseFTDevice();
  // Reads up to `count` bytes into the read buffer; returns the number read (0 when the call fails).
  uint32_t ReadFTBuffer(uint32_t count);
  // Writes `count` bytes of the write buffer; returns the number written.
  uint32_t WriteFTBuffer(uint32_t count);
  FT_STATUS ResetFTDevice();
  FT_STATUS SetFTTimeouts(uint32_t readMs, uint32_t writeMs);
  // Its status tells the callers whether the device is still there.
  FT_STATUS GetFTQueueStatus();

  // Writes a DMX frame without the dialog of a failed call: a failed DMX write is the lost
  // interface, which the link reports once itself. Returns the call's status.
  FT_STATUS writeDmxFrame(const uint8_t* bytes, uint32_t count);

  // Copies at most 49 characters of the serial into the open serial buffer, NUL-terminated.
  void SetDeviceStringBuffer(const QString& serial);
  // Reports label + the status's description as an error when reporting is on and status != 0.
  void ReportFTError(const QString& label, FT_STATUS status);
  // The description that follows a call's label for a status (" - Device not found..." ...).
  static QString statusSuffix(FT_STATUS status);

  void setErrorReport(bool on) { errorReport_ = on; }
  bool errorReport() const { return errorReport_; }
  uint32_t deviceCount() const { return deviceCount_; }
  // The serial number or description read last.
  const QString& listedText() const { return listedText_; }
  FT_STATUS lastTransferStatus() const { return lastTransferStatus_; }
  uint32_t queueCount() const { return queueCount_; }
  const char* openSerialBuffer() const { return openSerial_.data(); }
  std::array<uint8_t, 65536>& readBuffer() { return *readBuffer_; }
  std::array<uint8_t, 65536>& writeBuffer() { return *writeBuffer_; }
  D2xxDriver& driver() { return *driver_; }

 private:
  std::unique_ptr<D2xxDriver> driver_;
  Operator& op_;
  FT_HANDLE handle_ = nullptr;
  bool errorReport_ = true;
  FT_STATUS lastTransferStatus_ = 0;
  uint32_t deviceCount_ = 0;
  std::array<char, 50> openSerial_{};
  std::array<char, 16> listedSerial_{};
  std::array<char, 64> listedDescription_{};
  QString listedText_;
  uint32_t queueCount_ = 0;
  std::unique_ptr<std::array<uint8_t, 65536>> readBuffer_;
  std::unique_ptr<std::array<uint8_t, 65536>> writeBuffer_;
};
