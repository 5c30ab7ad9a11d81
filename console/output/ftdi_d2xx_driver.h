#pragma once

#include "console/output/d2xx_driver.h"

struct ftdi_context;
struct ftdi_device_list;

// The D2XX calls over libftdi1: devices are the FTDI chips libftdi finds with its default vendor and
// product ids; a handle is the libftdi context of one open device. Read waits up to the read timeout
// for the requested count, as the D2XX read does.
class FtdiD2xxDriver : public D2xxDriver {
 public:
  FtdiD2xxDriver();
  ~FtdiD2xxDriver() override;
  FtdiD2xxDriver(const FtdiD2xxDriver&) = delete;
  FtdiD2xxDriver& operator=(const FtdiD2xxDriver&) = delete;

  FT_STATUS listDeviceCount(uint32_t& count) override;
  FT_STATUS listDeviceByIndex(uint32_t index, char* buffer, uint32_t size, uint32_t flags) override;
  FT_STATUS openEx(const char* serial, uint32_t flags, FT_HANDLE& handle) override;
  FT_STATUS close(FT_HANDLE handle) override;
  FT_STATUS read(FT_HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t& bytesRead) override;
  FT_STATUS write(FT_HANDLE handle, const uint8_t* buffer, uint32_t count, uint32_t& bytesWritten) override;
  FT_STATUS resetDevice(FT_HANDLE handle) override;
  FT_STATUS setTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) override;
  FT_STATUS getQueueStatus(FT_HANDLE handle, uint32_t& queued) override;

 private:
  // Lists the devices afresh; false when the USB layer is not available.
  bool enumerate();
  void freeList();

  ftdi_context* listContext_ = nullptr;
  ftdi_device_list* list_ = nullptr;
  int listCount_ = 0;
};
